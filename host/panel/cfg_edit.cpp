// Editing a panel.cfg in place, one line at a time, every other byte kept.
#include "host/panel/cfg_edit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/panel/panel_config.h"
#include "host/panel/text.h"

namespace {

// One line of the text: [start, end) without its line ending; content_end leaves out a
// final '\r' as well. next is where the following line starts.
struct Line {
    size_t start = 0, content_end = 0, end = 0, next = 0;
};

std::vector<Line> split_lines(const std::string& text) {
    std::vector<Line> lines;
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < text.size()) {
        Line line;
        line.start = at;
        line.end = std::min(text.find('\n', at), text.size());
        line.content_end = line.end > at && text[line.end - 1] == '\r' ? line.end - 1 : line.end;
        line.next = std::min(line.end + 1, text.size());
        lines.push_back(line);
        at = line.end + 1;
    }
    return lines;
}

std::string content(const std::string& text, const Line& line) {
    return text.substr(line.start, line.content_end - line.start);
}

bool comment_line(const std::string& bare) { return bare.empty() || bare.compare(0, 2, "//") == 0 || bare[0] == ';'; }

// Names as the reader matches them: without case, and a window or gauge by its number
// ("Window1" is "Window01").
bool same_name(const std::string& a, const std::string& b, const char* numbered_prefix) {
    if (a == b) return true;
    const int n = numbered(a, numbered_prefix);
    return n >= 0 && n == numbered(b, numbered_prefix);
}

// The lines of a section (after its header, up to the next header), or none when the
// file has no section of that name. The first of two sections of one name counts, as
// the reader takes it.
struct SectionSpan {
    size_t header = 0, first = 0, last = 0;  // line indexes; lines [first, last)
};

std::optional<SectionSpan> find_section(const std::string& text, const std::vector<Line>& lines,
                                        const std::string& section) {
    const std::string wanted = lower(trim(section));
    std::optional<SectionSpan> span;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string bare = trim(content(text, lines[i]));
        if (bare.empty() || bare[0] != '[') continue;
        if (span) {
            span->last = i;
            return span;
        }
        const std::string header = trim(uncommented(bare));
        if (header.size() < 2 || header.back() != ']') continue;
        if (same_name(lower(trim(header.substr(1, header.size() - 2))), wanted, "window"))
            span = SectionSpan{i, i + 1, lines.size()};
    }
    return span;
}

// The key of a KEY=VALUE line (lower case) and where its value starts; empty for other lines.
std::string line_key(const std::string& line, size_t& value_at) {
    const std::string bare = trim(line);
    if (comment_line(bare) || bare[0] == '[') return {};
    const auto equals = line.find('=');
    if (equals == std::string::npos || equals > line.find("//")) return {};
    value_at = equals + 1;
    return lower(trim(line.substr(0, equals)));
}

std::optional<size_t> find_key(const std::string& text, const std::vector<Line>& lines, const SectionSpan& span,
                               const std::string& key) {
    const std::string wanted = lower(trim(key));
    for (size_t i = span.first; i < span.last; ++i) {
        size_t value_at = 0;
        if (same_name(line_key(content(text, lines[i]), value_at), wanted, "gauge")) return i;
    }
    return std::nullopt;
}

// A comma-separated field of a value, as offsets into the line: its blanks before and
// after and the number between.
struct Field {
    size_t start = 0, token = 0, token_end = 0, end = 0;
};

std::vector<Field> split_fields(const std::string& line, size_t from, size_t limit) {
    std::vector<Field> fields;
    size_t at = from;
    for (;;) {
        const size_t comma = std::min(line.find(',', at), limit);
        Field field{at, at, at, comma};
        while (field.token < comma && (line[field.token] == ' ' || line[field.token] == '\t')) ++field.token;
        field.token_end = comma;
        while (field.token_end > field.token && (line[field.token_end - 1] == ' ' || line[field.token_end - 1] == '\t'))
            --field.token_end;
        fields.push_back(field);
        if (comma >= limit) return fields;
        at = comma + 1;
    }
}

std::string whole_text(double value) { return std::to_string(static_cast<long>(std::lround(value))); }

// A fraction of the screen, as short as it can be written (at most four decimals), and
// with as many decimals as the old text had where it had more: "0.250" moved writes
// "0.300", and moved back "0.250" again.
std::string fraction_text(double value, const std::string& old) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    const auto old_dot = old.find('.');
    const auto dot = text.find('.');
    if (old_dot != std::string::npos && dot != std::string::npos) {
        const size_t old_decimals = old.size() - old_dot - 1;
        const size_t decimals = text.size() - dot - 1;
        if (old_decimals > decimals && old_decimals <= 4) text.append(old_decimals - decimals, '0');
    }
    return text;
}

// Sets the fields of one value to the values given (index into values per field);
// writes only the numbers that changed; adds fields the line lacks. Returns false with
// a reason where a field to keep is not a number.
struct FieldEdit {
    size_t field = 0;
    std::optional<double> value;
};

bool set_fields(std::string& line, size_t value_at, size_t limit, bool whole, const std::vector<FieldEdit>& edits,
                std::string& why) {
    std::vector<Field> fields = split_fields(line, value_at, limit);
    // Work from the last field back: earlier offsets stay valid.
    size_t wanted = 0;
    for (const FieldEdit& edit : edits)
        if (edit.value) wanted = std::max(wanted, edit.field + 1);
    if (wanted > fields.size()) {
        const Field& last = fields.back();
        const std::string blank =
            fields.size() > 1 ? line.substr(fields[1].start, fields[1].token - fields[1].start) : std::string(" ");
        std::string added;
        for (size_t f = fields.size(); f < wanted; ++f) {
            added += "," + blank;
            for (const FieldEdit& edit : edits)
                if (edit.field == f && edit.value)
                    added += whole ? whole_text(*edit.value) : fraction_text(*edit.value, "");
        }
        line.insert(last.token_end, added);
    }
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        if (!edit->value || edit->field >= fields.size()) continue;
        const Field& field = fields[edit->field];
        const std::string old = line.substr(field.token, field.token_end - field.token);
        if (whole) {
            int current = 0;
            if (!old.empty() && !parse_int(old, current)) return why = "\"" + old + "\" is not a whole number", false;
            if (!old.empty() && current == std::lround(*edit->value)) continue;
            line.replace(field.token, field.token_end - field.token, whole_text(*edit->value));
        } else {
            double current = 0;
            if (!old.empty() && !parse_real(old, current)) return why = "\"" + old + "\" is not a number", false;
            if (!old.empty() && std::fabs(current - *edit->value) < 5e-5) continue;
            line.replace(field.token, field.token_end - field.token, fraction_text(*edit->value, old));
        }
    }
    return true;
}

// Where a gauge line's numbers end: at its fifth comma (the parameters follow) or at a
// "//" comment, whichever comes first, as the reader reads it.
size_t gauge_fields_limit(const std::string& line, size_t value_at) {
    size_t comma = std::string::npos, from = value_at;
    for (int i = 0; i < 5; ++i) {
        comma = line.find(',', from);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return std::min({comma, line.find("//", value_at), line.size()});
}

std::string line_ending(const std::string& text, const Line* near) {
    if (near && near->end < text.size()) return near->content_end < near->end ? "\r\n" : "\n";
    const auto newline = text.find('\n');
    if (newline == std::string::npos) return "\r\n";
    return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

// Inserts a whole line behind the line after (or at the section's first line), with
// the file's line ending; the line's index in the edited text comes back.
size_t insert_line(const std::string& text, const std::vector<Line>& lines, size_t after, const std::string& added,
                   std::string& out) {
    const Line& near = lines[after];
    const std::string ending = line_ending(text, &near);
    out = text;
    if (near.end >= text.size())
        out += ending + added;  // the last line had no ending: it gets one, the new line none
    else
        out.insert(near.next, added + ending);
    return after + 1;
}

bool good_range(const CfgValues& v, bool gauge, std::string& why) {
    const double lo = gauge ? -MAX_UNITS : 0.0, hi = gauge ? MAX_UNITS : 16.0;
    for (const auto* value : {&v.x, &v.y})
        if (*value && (!std::isfinite(**value) || **value < lo || **value > hi))
            return why = "x and y are " + std::string(gauge ? "-100000 to 100000" : "0 to 16"), false;
    for (const auto* value : {&v.w, &v.h})
        if (*value && (!std::isfinite(**value) || **value < 0 || **value > (gauge ? MAX_UNITS : 16.0)))
            return why = "w and h are " + std::string(gauge ? "0 to 100000" : "0 to 16"), false;
    return true;
}

CfgEditResult refused(int status, std::string message) {
    CfgEditResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

// The window's own position and size: window_pos and window_size, each line edited
// where it is, added behind the section's last key where it is not.
CfgEditResult edit_window(const std::string& text, const std::string& section, const CfgValues& values,
                          std::string& out) {
    out = text;
    CfgEditResult result;
    struct Pair {
        const char* key;
        std::optional<double> a, b;
    };
    for (const Pair& pair : {Pair{"window_pos", values.x, values.y}, Pair{"window_size", values.w, values.h}}) {
        if (!pair.a && !pair.b) continue;
        const std::vector<Line> now = split_lines(out);
        const SectionSpan span = *find_section(out, now, section);
        const auto found = find_key(out, now, span, pair.key);
        if (!found) {
            if (!pair.a || (!pair.b && std::string(pair.key) == "window_pos"))
                return refused(422, std::string(pair.key) + " is not in the section: give both of its numbers");
            size_t last = span.header;
            for (size_t i = span.first; i < span.last; ++i) {
                size_t value_at = 0;
                if (!line_key(content(out, now[i]), value_at).empty()) last = i;
            }
            std::string added = std::string(pair.key) + "=" + fraction_text(*pair.a, "");
            if (pair.b) added += "," + fraction_text(*pair.b, "");
            std::string edited;
            result.line = static_cast<int>(insert_line(out, now, last, added, edited)) + 1;
            out = std::move(edited);
            continue;
        }
        std::string line = content(out, now[*found]);
        size_t value_at = 0;
        line_key(line, value_at);
        std::string why;
        const size_t limit = std::min(line.find("//", value_at), line.size());
        if (!set_fields(line, value_at, limit, false, {{0, pair.a}, {1, pair.b}}, why))
            return refused(422, std::string(pair.key) + ": " + why);
        out.replace(now[*found].start, now[*found].content_end - now[*found].start, line);
        result.line = static_cast<int>(*found) + 1;
    }
    return result;
}

}  // namespace

CfgEditResult edit_cfg_text(const std::string& text, const std::string& section, const std::string& key,
                            const CfgValues& values, std::string& text_out) {
    const std::vector<Line> lines = split_lines(text);
    const auto span = find_section(text, lines, section);
    if (!span) return refused(404, "no section [" + section + "]");
    const bool window = lower(trim(key)) == "window";
    std::string why;
    if (!good_range(values, !window, why)) return refused(422, why);
    CfgEditResult result;
    if (window) {
        result = edit_window(text, section, values, text_out);
    } else {
        if (numbered(lower(trim(key)), "gauge") < 0) return refused(404, "key " + key + " is not gaugeNN or window");
        const auto found = find_key(text, lines, *span, key);
        if (!found) return refused(404, "no " + key + " in [" + section + "]");
        std::string line = content(text, lines[*found]);
        size_t value_at = 0;
        line_key(line, value_at);
        const size_t limit = gauge_fields_limit(line, value_at);
        if (split_fields(line, value_at, limit).size() < 3)
            return refused(422, key + ": the line has no x and y to change");
        if (!set_fields(line, value_at, limit, true, {{1, values.x}, {2, values.y}, {3, values.w}, {4, values.h}}, why))
            return refused(422, key + ": " + why);
        text_out = text;
        text_out.replace(lines[*found].start, lines[*found].content_end - lines[*found].start, line);
        result.line = static_cast<int>(*found) + 1;
    }
    if (!result.ok()) return result;
    const std::vector<Line> now = split_lines(text_out);
    if (result.line > 0) result.line_text = content(text_out, now[static_cast<size_t>(result.line) - 1]);
    return result;
}

CfgEditResult add_cfg_gauge(const std::string& text, const std::string& section, const std::string& gauge,
                            const CfgValues& values, std::string& text_out) {
    const std::string name = trim(gauge);
    const auto bang = name.find('!');
    if (name.empty() || name.size() > 128 || bang == std::string::npos || bang == 0 || bang + 1 == name.size() ||
        name.find_first_of(",=[]\r\n") != std::string::npos || name.find("//") != std::string::npos ||
        std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20; }))
        return refused(422, "the gauge is MODULE!NAME, without commas or comment marks");
    if (!values.x || !values.y) return refused(422, "a new gauge needs x and y");
    std::string why;
    if (!good_range(values, true, why)) return refused(422, why);
    const std::vector<Line> lines = split_lines(text);
    const auto span = find_section(text, lines, section);
    if (!span) return refused(404, "no section [" + section + "]");
    int highest = -1;
    size_t after = span->header, last_key = span->header;
    std::string prefix = "gauge";
    size_t digits = 2;
    for (size_t i = span->first; i < span->last; ++i) {
        const std::string line = content(text, lines[i]);
        size_t value_at = 0;
        const std::string key = line_key(line, value_at);
        if (key.empty()) continue;
        last_key = i;
        const int index = numbered(key, "gauge");
        if (index < 0) continue;
        after = i;
        highest = std::max(highest, index);
        const std::string written = trim(line.substr(0, line.find('=')));
        prefix = written.substr(0, 5);
        digits = std::max<size_t>(2, written.size() - 5);
    }
    if (after == span->header) after = last_key;
    if (highest >= 9999) return refused(422, "the window has no free gaugeNN number");
    std::string number = std::to_string(highest + 1);
    if (number.size() < digits) number.insert(0, digits - number.size(), '0');
    CfgEditResult result;
    result.key = prefix + number;
    std::string added = result.key + "=" + name + ", " + whole_text(*values.x) + ", " + whole_text(*values.y);
    if (values.w || values.h) added += ", " + (values.w ? whole_text(*values.w) : std::string());
    if (values.h) added += ", " + whole_text(*values.h);
    result.line = static_cast<int>(insert_line(text, lines, after, added, text_out)) + 1;
    result.line_text = added;
    return result;
}

CfgEditResult remove_cfg_line(const std::string& text, const std::string& section, const std::string& key,
                              std::string& text_out) {
    const std::vector<Line> lines = split_lines(text);
    const auto span = find_section(text, lines, section);
    if (!span) return refused(404, "no section [" + section + "]");
    const auto found = find_key(text, lines, *span, key);
    if (!found) return refused(404, "no " + key + " in [" + section + "]");
    text_out = text;
    text_out.erase(lines[*found].start, lines[*found].next - lines[*found].start);
    return CfgEditResult{};
}

std::string cfg_text_version(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a, 64 bits
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%zx-%016llx", text.size(), static_cast<unsigned long long>(hash));
    return buffer;
}

namespace {

bool read_whole(const std::string& path, std::string& text, std::string& error) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) return error = path + ": not a file", false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = path + ": cannot open", false;
    text.clear();
    char piece[1 << 16];
    while (text.size() <= MAX_FILE) {
        in.read(piece, sizeof piece);
        if (in.gcount() <= 0) break;
        text.append(piece, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) return error = path + ": cannot read", false;
    if (text.size() > MAX_FILE) return error = path + ": larger than a panel.cfg can be", false;
    return true;
}

}  // namespace

bool PanelCfgFile::open(const std::string& path, std::string& error) {
    path_ = path;
    if (!read_whole(path, text_, error)) return false;
    first_text_ = text_;
    backup_done_ = false;
    undo_.clear();
    redo_.clear();
    return true;
}

bool PanelCfgFile::refresh() {
    std::string disk, error;
    if (!read_whole(path_, disk, error) || disk == text_) return false;
    text_ = std::move(disk);
    undo_.clear();
    redo_.clear();
    return true;
}

CfgEditResult PanelCfgFile::stale_check(const std::string& expected_version) {
    const std::string before = version();
    if (refresh()) {
        CfgEditResult result = refused(409, "the file changed on disk since it was read: nothing written");
        result.version = version();
        return result;
    }
    if (!expected_version.empty() && expected_version != before) {
        CfgEditResult result = refused(409,
                                       "the file changed since that version (another tab or an undo): "
                                       "nothing written");
        result.version = before;
        return result;
    }
    return CfgEditResult{};
}

bool PanelCfgFile::write_file(const std::string& path, const std::string& text, std::string& error) const {
    // Write beside the file and rename over it: a reader never sees half a file. A link
    // is followed, so the file it names is replaced and the link kept.
    std::error_code code;
    std::string target = path;
    if (std::filesystem::is_symlink(path, code)) {
        const auto resolved = std::filesystem::canonical(path, code);
        if (!code) target = resolved.string();
    }
    std::string temporary = target + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return error = "cannot write beside " + path, false;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) fchmod(fd, info.st_mode & 07777);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool whole = written == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!whole || std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return error = "cannot write " + path, false;
    }
    return true;
}

CfgEditResult PanelCfgFile::commit(CfgEditResult result, const std::string& edited) {
    std::string error;
    if (!backup_done_) {
        if (!write_file(backup_path(), first_text_, error)) return refused(500, error + " (the backup)");
        backup_done_ = true;
    }
    if (!write_file(path_, edited, error)) return refused(500, error);
    undo_.push_back(Step{text_, edited, result.line});
    if (undo_.size() > CFG_UNDO_KEPT) undo_.erase(undo_.begin());
    text_ = edited;
    result.version = version();
    return result;
}

CfgEditResult PanelCfgFile::edit(const std::string& section, const std::string& key, const CfgValues& values,
                                 const std::string& expected_version) {
    CfgEditResult check = stale_check(expected_version);
    if (!check.ok()) return check;
    std::string edited;
    CfgEditResult result = edit_cfg_text(text_, section, key, values, edited);
    if (!result.ok()) return result.version = version(), result;
    if (edited == text_) return result.version = version(), result;  // nothing changed: nothing written
    redo_.clear();
    return commit(result, edited);
}

CfgEditResult PanelCfgFile::add(const std::string& section, const std::string& gauge, const CfgValues& values,
                                const std::string& expected_version) {
    CfgEditResult check = stale_check(expected_version);
    if (!check.ok()) return check;
    std::string edited;
    CfgEditResult result = add_cfg_gauge(text_, section, gauge, values, edited);
    if (!result.ok()) return result.version = version(), result;
    redo_.clear();
    return commit(result, edited);
}

CfgEditResult PanelCfgFile::remove(const std::string& section, const std::string& key,
                                   const std::string& expected_version) {
    CfgEditResult check = stale_check(expected_version);
    if (!check.ok()) return check;
    std::string edited;
    CfgEditResult result = remove_cfg_line(text_, section, key, edited);
    if (!result.ok()) return result.version = version(), result;
    redo_.clear();
    return commit(result, edited);
}

CfgEditResult PanelCfgFile::step_result(int line) const {
    CfgEditResult result;
    const std::vector<Line> lines = split_lines(text_);
    if (line > 0 && static_cast<size_t>(line) <= lines.size()) {
        result.line = line;
        result.line_text = content(text_, lines[static_cast<size_t>(line) - 1]);
    }
    result.version = version();
    return result;
}

CfgEditResult PanelCfgFile::undo(const std::string& expected_version) {
    CfgEditResult check = stale_check(expected_version);
    if (!check.ok()) return check;
    if (undo_.empty()) return refused(409, "nothing to undo");
    const Step step = undo_.back();
    std::string error;
    if (!write_file(path_, step.before, error)) return refused(500, error);
    undo_.pop_back();
    redo_.push_back(step);
    text_ = step.before;
    return step_result(step.line);
}

CfgEditResult PanelCfgFile::redo(const std::string& expected_version) {
    CfgEditResult check = stale_check(expected_version);
    if (!check.ok()) return check;
    if (redo_.empty()) return refused(409, "nothing to redo");
    const Step step = redo_.back();
    std::string error;
    if (!write_file(path_, step.after, error)) return refused(500, error);
    redo_.pop_back();
    undo_.push_back(step);
    text_ = step.after;
    return step_result(step.line);
}
