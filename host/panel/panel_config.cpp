// Reading panel.cfg text into the panel model.
#include "host/panel/panel_config.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "host/panel/text.h"
#include "sdk/ids.h"

namespace {

constexpr int kGaugeFields = 5;  // MODULE!GAUGE, X, Y, W, H; the parameters follow

// Bytes a panel.cfg text never holds: control characters other than tab, CR, LF and
// the old end-of-file mark.
bool binary_byte(unsigned char c) { return c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x1A; }

class Reader {
public:
    Reader(std::string source, Diagnostics& diagnostics) : diagnostics_(diagnostics) {
        panel_.source = std::move(source);
    }

    void line(const std::string& raw, int number) {
        number_ = number;
        std::string text = raw;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::string bare = trim(text);
        if (bare.empty() || bare.compare(0, 2, "//") == 0 || bare.front() == ';') return;
        if (bare.front() == '[') return section(trim(uncommented(bare)));
        const auto equals = text.find('=');
        const std::string key = equals == std::string::npos ? std::string() : lower(trim(text.substr(0, equals)));
        // A gauge line where no window holds it is placed nowhere; say so, as its author
        // meant it to show (other sections' lines are theirs and not drawn).
        if (section_ == Section::None || section_ == Section::Titles || section_ == Section::Unread) {
            if (key.compare(0, 5, "gauge") == 0)
                return note(number_, key + " is outside any [WindowNN] section: the simulator places it nowhere");
        }
        if (section_ == Section::None || section_ == Section::Other || section_ == Section::Unread) return;
        if (equals == std::string::npos || equals > text.find("//") || key.empty())
            return note(number_, "not KEY=VALUE, passed over: \"" + trim(uncommented(bare)) + "\"");
        const std::string value = text.substr(equals + 1);
        if (section_ == Section::Titles)
            title(key, value);
        else
            window_key(key, value);
    }

    PanelConfig finish() {
        if (!has_titles_) {
            for (auto& [index, window] : sections_) panel_.windows.push_back(std::move(window));
            return std::move(panel_);
        }
        int created = 0;  // windows 00 .. created-1 have titles
        while (titles_.count(created)) ++created;
        for (auto& [index, title] : titles_) {
            if (index >= created) continue;
            auto found = sections_.find(index);
            if (found == sections_.end()) {
                note(title.line, "Window" + two_digits(index) + " has a title but no [Window" + two_digits(index) +
                                     "] section: no window");
                continue;
            }
            found->second.title = title.text;
            panel_.windows.push_back(std::move(found->second));
        }
        for (const auto& [index, window] : sections_) {
            if (index < created) continue;
            const std::string name = "[Window" + two_digits(index) + "]";
            if (titles_.count(index))
                note(window.line, name + " is not created: the numbering in [Window Titles] breaks at Window" +
                                      two_digits(created) + ", and the simulator creates no window behind it");
            else
                note(window.line, name + " has no title in [Window Titles]; the simulator does not create it");
        }
        return std::move(panel_);
    }

private:
    // Other: a section of another kind (views, colours, virtual cockpits), read and not
    // drawn; Unread: a header that names no section the simulator knows.
    enum class Section { None, Titles, Window, Other, Unread };
    struct Title {
        std::string text;
        int line = 0;
    };

    void error(const std::string& what) { diagnostics_.error(panel_.source, number_, what); }
    void note(int line, const std::string& what) { diagnostics_.note(panel_.source, line, what); }

    void section(const std::string& header) {
        if (header.back() != ']') {
            section_ = Section::Other;
            return error("section header \"" + header + "\" lacks its closing ']'");
        }
        const std::string name = lower(trim(header.substr(1, header.size() - 2)));
        section_ = Section::Other;
        if (name == "window titles") {
            section_ = Section::Titles;
            has_titles_ = true;
            return;
        }
        if (numbered(name, "vcockpit") >= 0) ++panel_.virtual_cockpits;
        const int index = numbered(name, "window");
        if (name.empty() || (index < 0 && name.compare(0, 6, "window") == 0)) {
            section_ = Section::Unread;
            return note(number_, "section [" + trim(header.substr(1, header.size() - 2)) +
                                     "] is not a window the simulator knows ([WindowNN], NN a number from 00); "
                                     "its lines are passed over");
        }
        if (index < 0) return;
        auto [found, fresh] = sections_.try_emplace(index);
        if (!fresh)
            return note(number_, "[Window" + two_digits(index) + "] given again (first at line " +
                                     std::to_string(found->second.line) + "); this one is passed over");
        section_ = Section::Window;
        window_ = &found->second;
        window_->index = index;
        window_->line = number_;
    }

    void title(const std::string& key, const std::string& value) {
        const int index = numbered(key, "window");
        if (index < 0) return;  // not a window title: passed over
        titles_.try_emplace(index, Title{trim(uncommented(value)), number_});
    }

    void window_key(const std::string& key, const std::string& raw) {
        if (numbered(key, "gauge") >= 0) return gauge(numbered(key, "gauge"), key, raw);
        if (key.compare(0, 5, "gauge") == 0)
            return note(number_, key + " is not gaugeNN (NN a number): the simulator passes the line over");
        const std::string value = trim(uncommented(raw));
        if (key == "size_mm")
            pair_of_ints(key, value, false, window_->size_mm_w, window_->size_mm_h);
        else if (key == "pixel_size")
            pair_of_ints(key, value, true, window_->pixel_w, window_->pixel_h);
        else if (key == "position")
            position(value);
        else if (key == "window_pos")
            fraction(key, value, false, window_->window_pos);
        else if (key == "window_size")
            fraction(key, value, true, window_->window_size);
        else if (key == "visible")
            flag(key, value, window_->visible);
        else if (key == "nomenu")
            flag(key, value, window_->nomenu);
        else if (key == "ident")
            ident(value);
        else if (key == "zorder")
            whole(key, value, window_->zorder);
        else if (key == "background_color")
            colour(value);
        else if (key == "file" || key == "file_1024")
            bitmap_name(value, key == "file" ? window_->file : window_->file_1024);
        else if (key == "type")
            window_->type = value;
    }

    // W[,H] in whole units, H optional unless both are needed.
    void pair_of_ints(const std::string& key, const std::string& value, bool both, int& w, int& h) {
        const auto fields = split_commas(value);
        int a = 0, b = 0;
        if (fields.size() > 2 || (both && fields.size() != 2) || !parse_int(fields[0], a) ||
            (fields.size() == 2 && !parse_int(fields[1], b)) || a < 0 || b < 0)
            return error(key + " \"" + value + "\" is not " + (both ? "WIDTH,HEIGHT" : "WIDTH[,HEIGHT]") +
                         " in whole units");
        if (a < 1 || a > MAX_UNITS || b > MAX_UNITS || (both && b < 1))
            return error(key + " \"" + value + "\": each side is 1 to " + std::to_string(MAX_UNITS));
        w = a;
        h = b;
    }

    void position(const std::string& value) {
        int n = 0;
        if (!parse_int(value, n) || n < 0 || n > 8) return error("position \"" + value + "\" is not a number 0 to 8");
        window_->position = n;
    }

    void fraction(const std::string& key, const std::string& value, bool width_alone,
                  std::optional<ScreenFraction>& out) {
        const auto fields = split_commas(value);
        ScreenFraction f;
        const bool one = width_alone && fields.size() == 1;
        if ((fields.size() != 2 && !one) || !parse_real(fields[0], f.x) || (!one && !parse_real(fields[1], f.y)) ||
            f.x < 0 || f.y < 0)
            return error(key + " \"" + value + "\" is not " + (width_alone ? "W[,H]" : "X,Y") +
                         " (decimal fractions of the screen)");
        out = f;
    }

    void flag(const std::string& key, const std::string& value, bool& out) {
        if (value != "0" && value != "1") return error(key + " \"" + value + "\" is not 0 or 1");
        out = value == "1";
    }

    void whole(const std::string& key, const std::string& value, int& out) {
        if (!parse_int(value, out)) error(key + " \"" + value + "\" is not a whole number");
    }

    void ident(const std::string& value) {
        int n = 0;
        if (parse_int(value, n)) {
            window_->ident = n;
            return;
        }
        const bool digits = !value.empty() && value.find_first_not_of("+-0123456789") == std::string::npos &&
                            value.find_first_of("0123456789") != std::string::npos;
        if (digits) return error("ident " + value + " is out of range (a window number fits in 32 bits)");
        if (const auto known = known_window_ident(value)) {
            window_->ident = *known;
            return;
        }
        if (value.empty()) return error("ident is empty");
        window_->ident_name = value;
        note(number_, "ident " + value +
                          " is not a window name of this module: a window of its own, which no command can "
                          "open or close by number");
    }

    void colour(const std::string& value) {
        const auto fields = split_commas(value);
        int rgb[3] = {0, 0, 0};
        bool ok = fields.size() == 3;
        for (size_t i = 0; ok && i < 3; ++i) ok = parse_int(fields[i], rgb[i]) && rgb[i] >= 0 && rgb[i] <= 255;
        if (!ok) return note(number_, "background_color \"" + value + "\" is not R,G,B (0 to 255), passed over");
        window_->background_color =
            static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | static_cast<uint32_t>(rgb[2]);
    }

    void bitmap_name(const std::string& value, std::optional<BitmapName>& out) {
        if (!value.empty()) out = BitmapName{value, number_};
    }

    // gaugeNN=MODULE!GAUGE, X, Y[, W[, H[, PARAMETERS]]]
    void gauge(int index, const std::string& key, const std::string& raw) {
        const std::string what = key + ": ";
        const auto comment = raw.find("//");
        const std::string full = trim(raw.substr(0, std::min(raw.find(','), comment)));
        const auto bang = full.find('!');
        if (bang == std::string::npos || bang == 0 || bang + 1 == full.size())
            return error(what + "expected MODULE!GAUGE, found \"" + full + "\"");
        PanelGauge g;
        g.index = index;
        g.module = trim(full.substr(0, bang));
        g.name = trim(full.substr(bang + 1));
        g.line = number_;
        const bool ours = is_module_gauge(g);
        // The comma that ends the fifth field, if there is one: the parameters follow it.
        std::string::size_type comma = std::string::npos, from = 0;
        for (int i = 0; i < kGaugeFields; ++i) {
            comma = raw.find(',', from);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        std::string fields_text = raw;
        if (comment != std::string::npos && (comma == std::string::npos || comment < comma || !ours)) {
            fields_text = raw.substr(0, comment);
            if (comma != std::string::npos && comma < comment) {
                fields_text = raw.substr(0, comma);
                g.parameters = trim(raw.substr(comma + 1, comment - comma - 1));
            }
        } else if (comma != std::string::npos) {
            fields_text = raw.substr(0, comma);
            g.parameters = trim(raw.substr(comma + 1));
        }
        const auto fields = split_commas(fields_text);
        // Another module's line the simulator cannot read is its author's business.
        auto fault = [&](const std::string& why) {
            ours ? error(what + why) : note(number_, what + why + ", passed over");
        };
        if (fields.size() < 3) return fault("missing comma: the line needs at least MODULE!GAUGE, X, Y");
        static const char* const kNames[] = {"", "x", "y", "width", "height"};
        int* const slots[] = {nullptr, &g.x, &g.y, &g.w, &g.h};
        for (size_t i = 1; i < fields.size(); ++i) {
            const bool optional = i >= 3;
            if (optional && trim(fields[i]).empty()) continue;
            if (!parse_int(fields[i], *slots[i]))
                return fault(std::string(kNames[i]) + " \"" + trim(fields[i]) + "\" is not a whole number");
            if (optional && *slots[i] < 0)
                return fault(std::string(kNames[i]) + " " + trim(fields[i]) + " is negative");
            if (*slots[i] < -MAX_UNITS || *slots[i] > MAX_UNITS)
                return fault(std::string(kNames[i]) + " " + trim(fields[i]) + " is out of range (-" +
                             std::to_string(MAX_UNITS) + " to " + std::to_string(MAX_UNITS) + ")");
        }
        for (const PanelGauge& other : window_->gauges)
            if (other.index == index)
                return note(number_, what + "given twice in this window (first at line " + std::to_string(other.line) +
                                         "); the simulator shows the first only");
        window_->gauges.push_back(std::move(g));
    }

    Diagnostics& diagnostics_;
    PanelConfig panel_;
    std::map<int, PanelWindow> sections_;
    std::map<int, Title> titles_;
    Section section_ = Section::None;
    PanelWindow* window_ = nullptr;
    bool has_titles_ = false;
    int number_ = 0;
};

}  // namespace

PanelConfig parse_panel_config(const std::string& text, const std::string& source, Diagnostics& diagnostics) {
    Reader reader(source, diagnostics);
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // UTF-8 byte-order mark
    for (int number = 1; at < text.size(); ++number) {
        // Lines end in LF, CRLF or a lone CR (as old Mac editors left them).
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        if (end - at > MAX_LINE) {
            diagnostics.error(source, number,
                              "line longer than " + std::to_string(MAX_LINE) + " characters: not a panel.cfg text");
            break;
        }
        const std::string line = text.substr(at, end - at);
        const auto odd = std::find_if(line.begin(), line.end(), [](unsigned char c) { return binary_byte(c); });
        if (odd != line.end()) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(*odd));
            diagnostics.error(source, number, std::string("holds the byte ") + hex + ": not a panel.cfg text");
            break;
        }
        reader.line(line, number);
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return reader.finish();
}

PanelConfig read_panel_config(const std::string& path, Diagnostics& diagnostics) {
    std::string text, error;
    if (!read_input_file(path, PANEL_CONFIG_FILE, text, error)) {
        diagnostics.error(path, 0, error);
        PanelConfig empty;
        empty.source = path;
        return empty;
    }
    return parse_panel_config(text, path, diagnostics);
}

std::optional<int32_t> known_window_ident(const std::string& name) {
    for (const PanelWindowName& row : PANEL_WINDOW_NAMES)
        if (lower(name) == lower(row.name)) return row.window;
    return std::nullopt;
}

std::optional<int32_t> window_name_at(const std::string& text) {
    for (const PanelWindowName& row : PANEL_WINDOW_NAMES)
        if (text.compare(0, std::strlen(row.name), row.name) == 0) return row.window;
    return std::nullopt;
}

int32_t window_ident(const PanelWindow& window) { return window.ident ? *window.ident : -1 - window.index; }

std::string window_label(const PanelWindow& window) {
    return window.title.empty() ? "Window" + std::to_string(window.index) : window.title;
}

bool is_module_gauge(const PanelGauge& gauge) { return lower(gauge.module) == lower(MODULE_NAME); }
