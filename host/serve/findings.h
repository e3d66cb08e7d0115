// What the panel designer is told about a served panel, as one list: the checker's
// findings (run as `panelhost check` in a process of its own, so that the served host
// and its module's state are not touched) and the notes of drawing it (missing
// bitmaps, placeholders and where their modules were looked for, hidden windows,
// windows sharing one ident, the windows each toggle gauge works), each with its FILE:LINE and, where the line is one,
// the window and gauge it belongs to, so the page can highlight them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/panel/check.h"
#include "host/panel/panel_config.h"

struct Finding {
    Diagnostic item;
    int window = -1;  // index of the [WindowNN] the line belongs to; -1: none
    int gauge = -1;   // NN of its gaugeNN; -1: the line is no gauge's
};

// The designer's notes that neither the reader nor the checker gives. placed tells the
// lines of other modules that are drawn (XML gauges: no placeholder note).
void designer_notes(const PanelConfig& panel, Diagnostics& out,
                    const std::function<bool(int window, int gauge)>& placed = {});

// The window commands of an XML gauge's click script: each literal number pushed right
// before (>K:PANEL_ID_OPEN), _CLOSE or _TOGGLE, as 'o', 'c' or 't' (a number the script
// computes is not known without running it).
std::vector<ToggleClick::Command> xml_window_commands(const std::string& script);
// The designer's note of what an XML gauge's click does to the windows (each named by its
// section and title), and one for each ident that no window of the file has.
void xml_toggle_note(const PanelConfig& panel, int window_index, int gauge_index,
                     const std::vector<ToggleClick::Command>& sent, Diagnostics& out);

// The items of every list, ordered by file line (whole-file items first), without the
// same text twice, each tied to its window and gauge.
std::vector<Finding> gather_findings(const PanelConfig& panel, const std::vector<const Diagnostics*>& lists);

// {"findings":[{"level","file","line","what","text","window","gauge"}...]}; text is the printed form.
std::string findings_json(const std::vector<Finding>& findings);

// Runs `EXE check [--module MODULE] PANEL [--gauges DIR]...` and reads its findings back
// ("FILE:LINE: what" a line). False with a reason when it could not run. While it runs,
// its process id is in running (else 0), so that a server stopping can end it rather
// than wait for it.
bool run_check_process(const std::string& exe, const std::string& module_path, const std::string& panel_path,
                       Diagnostics& out, std::string& error, std::atomic<int>* running = nullptr,
                       const std::vector<std::string>& gauge_folders = {});

// Prints serve's findings reports from a thread of its own, so that an output nobody reads
// (a full pipe) never holds up the watch or the clock thread. At most kReportsWaiting wait;
// past that the oldest waiting is dropped, and the next report printed says how many were.
// To a file descriptor (serve's standard output) it writes only when the descriptor takes
// more without blocking, so stopping never waits on a reader: what is left is dropped.
class ReportPrinter {
public:
    static constexpr size_t kReportsWaiting = 8;
    explicit ReportPrinter(int fd);
    explicit ReportPrinter(std::ostream& out);
    ~ReportPrinter();
    ReportPrinter(const ReportPrinter&) = delete;
    ReportPrinter& operator=(const ReportPrinter&) = delete;

    // Queues one report (whole lines); never blocks.
    void print(std::string report);
    // Ends the writer within a fraction of a second, whatever the reader does.
    void stop();
    // Reports dropped so far, unprinted.
    size_t dropped() const;

private:
    void run();
    // Writes text whole to the descriptor; false when the reader is gone or stop came first.
    bool write_fd(const std::string& text);

    int fd_ = -1;
    std::ostream* out_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::string> waiting_;
    size_t dropped_ = 0;
    size_t dropped_unsaid_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread writer_;
};
