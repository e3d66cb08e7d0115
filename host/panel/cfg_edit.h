// Editing a panel.cfg as its author wrote it: a change rewrites only the numbers that
// changed on one line (a gauge's x, y, w, h, or a window's window_pos and window_size),
// adds a gauge as the next gaugeNN of a window or removes one line. Every other byte
// stays as it was: comments, spacing, case, key order, line endings, the byte-order
// mark, a gauge's parameter string and cp1252 bytes.
//
// The text edits are plain functions of the text; PanelCfgFile adds the file: a version
// (size and content hash) the page sends back with each edit, so that a file changed on
// disk or from another tab since is never overwritten, atomic writes (a temporary file
// beside it, then rename), the file as first opened kept once as NAME.bak, and undo and
// redo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// New values for a line; a value not given stays as written. For a gauge, x and y are
// whole units of its window (-MAX_UNITS..MAX_UNITS), w and h 0..MAX_UNITS; for a window
// ("window" as the key) x, y are window_pos and w, h window_size, fractions of the screen.
struct CfgValues {
    std::optional<double> x, y, w, h;
};

// What an edit did, or why it did nothing. status is an HTTP status: 200 done, 404 no
// such section or key, 409 the file changed since the version given (nothing written),
// 422 values or a line the edit cannot take, 500 the file could not be written.
struct CfgEditResult {
    int status = 200;
    std::string message;    // why, when status is not 200
    int line = 0;           // the line changed or added (1-based); 0 for a removal
    std::string line_text;  // that line as written, without its line ending
    std::string key;        // the key an addition wrote
    std::string version;    // the file's version after the edit
    bool ok() const { return status == 200; }
};

// The text edits. Each returns the edited text in text_out and the line it touched.
// section is a section name without brackets ("Window00"), key "gaugeNN" or "window";
// both are matched without regard to case, the first section and key of that name as
// the reader takes them.
CfgEditResult edit_cfg_text(const std::string& text, const std::string& section, const std::string& key,
                            const CfgValues& values, std::string& text_out);
// Adds "gaugeNN=GAUGE, x, y, w, h" (GAUGE as "Module!Name") as one past the highest
// gaugeNN of the section, behind its last gauge line, in the key case and line ending
// the file uses; the result's key names the key written.
CfgEditResult add_cfg_gauge(const std::string& text, const std::string& section, const std::string& gauge,
                            const CfgValues& values, std::string& text_out);
// Removes the key's line, its line ending with it.
CfgEditResult remove_cfg_line(const std::string& text, const std::string& section, const std::string& key,
                              std::string& text_out);

// The version of a text: its size and a hash of its bytes, as "SIZE-HASH" (hexadecimal).
std::string cfg_text_version(const std::string& text);

class PanelCfgFile {
public:
    // Reads the file; false with a reason.
    bool open(const std::string& path, std::string& error);
    const std::string& path() const { return path_; }
    const std::string& text() const { return text_; }
    std::string version() const { return cfg_text_version(text_); }

    // Takes the file as it is on disk now, if it changed (an outside save). True when it
    // changed. Undo and redo then stop at the outside change: their texts no longer apply.
    bool refresh();

    // The edits. expected_version empty: the version this object holds. Each one first
    // checks the disk: a file that changed since it was read answers 409, and so does a
    // version other than the current one.
    CfgEditResult edit(const std::string& section, const std::string& key, const CfgValues& values,
                       const std::string& expected_version);
    CfgEditResult add(const std::string& section, const std::string& gauge, const CfgValues& values,
                      const std::string& expected_version);
    CfgEditResult remove(const std::string& section, const std::string& key, const std::string& expected_version);
    CfgEditResult undo(const std::string& expected_version);
    CfgEditResult redo(const std::string& expected_version);
    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }

    // The backup's path: the file's with ".bak" added.
    std::string backup_path() const { return path_ + ".bak"; }

private:
    struct Step {
        std::string before, after;
        int line = 0;
    };
    CfgEditResult stale_check(const std::string& expected_version);
    CfgEditResult step_result(int line) const;
    CfgEditResult commit(CfgEditResult result, const std::string& edited);
    bool write_file(const std::string& path, const std::string& text, std::string& error) const;

    std::string path_;
    std::string text_;        // as this object last read or wrote it
    std::string first_text_;  // as first opened, for the backup
    bool backup_done_ = false;
    std::vector<Step> undo_, redo_;
};

// Undo steps kept.
inline constexpr size_t CFG_UNDO_KEPT = 200;
