// Reading panel.cfg into the panel model, and placing a whole panel on a host.
#include "host/panel/panel_config.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "host/core/panel_host.h"
#include "sdk/ids.h"

namespace {

constexpr int kGaugeFields = 5;  // MODULE!GAUGE, X, Y, W, H; the parameters follow

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The text before a "//" comment.
std::string uncommented(const std::string& text) { return text.substr(0, text.find("//")); }

bool parse_int(const std::string& field, int& out) {
    const std::string text = trim(field);
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
    out = static_cast<int>(value);
    return true;
}

bool parse_real(const std::string& field, double& out) {
    const std::string text = trim(field);
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(out);
}

std::vector<std::string> split_commas(const std::string& text) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

// "windowNN" / "gaugeNN" style names: the number behind prefix, or -1.
int numbered(const std::string& key, const std::string& prefix) {
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string digits = key.substr(prefix.size());
    if (digits.size() > 4 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return -1;
    return std::atoi(digits.c_str());
}

class Reader {
public:
    Reader(std::string source, Diagnostics& diagnostics) : diagnostics_(diagnostics) {
        panel_.source = std::move(source);
    }

    void line(const std::string& raw, int number) {
        number_ = number;
        std::string text = raw;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::string bare = trim(uncommented(text));
        if (bare.empty()) return;
        if (bare.front() == '[') return section(bare);
        if (section_ == Section::None || section_ == Section::Other) return;  // not ours: ignored
        const auto equals = text.find('=');
        if (equals == std::string::npos || equals > text.find("//"))
            return error("expected KEY=VALUE, found \"" + bare + "\"");
        const std::string key = lower(trim(text.substr(0, equals)));
        const std::string value = text.substr(equals + 1);
        if (section_ == Section::Titles)
            title(key, value);
        else
            window_key(key, value);
    }

    PanelConfig finish() {
        for (auto& [index, window] : windows_) {
            if (window.line > 0 && has_titles_ && window.title.empty())
                note(window.line, "[Window" + two_digits(index) +
                                      "] has no title in [Window Titles]; the simulator would not open it");
            panel_.windows.push_back(std::move(window));
        }
        return std::move(panel_);
    }

private:
    enum class Section { None, Titles, Window, Other };

    static std::string two_digits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

    void error(const std::string& what) { diagnostics_.error(panel_.source, number_, what); }
    void note(int line, const std::string& what) { diagnostics_.note(panel_.source, line, what); }

    void section(const std::string& header) {
        if (header.back() != ']') {
            section_ = Section::Other;
            return error("section header \"" + header + "\" lacks its closing ']'");
        }
        const std::string name = lower(trim(header.substr(1, header.size() - 2)));
        if (name == "window titles") {
            section_ = Section::Titles;
            has_titles_ = true;
            return;
        }
        const int index = numbered(name, "window");
        if (index < 0) {
            section_ = Section::Other;
            return;
        }
        section_ = Section::Window;
        window_ = &window(index);
        if (window_->line > 0)
            error("[Window" + two_digits(index) + "] given twice (first at line " + std::to_string(window_->line) +
                  ")");
        window_->line = number_;
    }

    PanelWindow& window(int index) {
        PanelWindow& w = windows_[index];
        w.index = index;
        return w;
    }

    void title(const std::string& key, const std::string& value) {
        const int index = numbered(key, "window");
        if (index < 0) return;  // not a window title: ignored
        window(index).title = trim(uncommented(value));
    }

    void window_key(const std::string& key, const std::string& raw) {
        if (numbered(key, "gauge") >= 0) return gauge(numbered(key, "gauge"), key, raw);
        const std::string value = trim(uncommented(raw));
        if (key == "size_mm")
            size_mm(value);
        else if (key == "position")
            position(value);
        else if (key == "window_pos")
            fraction(key, value, window_->window_pos);
        else if (key == "window_size")
            fraction(key, value, window_->window_size);
        else if (key == "visible")
            visible(value);
        else if (key == "ident")
            ident(value);
    }

    void size_mm(const std::string& value) {
        const auto fields = split_commas(value);
        int w = 0, h = 0;
        if (fields.size() > 2 || !parse_int(fields[0], w) || (fields.size() == 2 && !parse_int(fields[1], h)) ||
            w < 0 || h < 0)
            return error("size_mm \"" + value + "\" is not WIDTH[,HEIGHT] in whole millimetres");
        window_->size_mm_w = w;
        window_->size_mm_h = h;
    }

    void position(const std::string& value) {
        int n = 0;
        if (!parse_int(value, n) || n < 0 || n > 8) return error("position \"" + value + "\" is not a number 0 to 8");
        window_->position = n;
    }

    void fraction(const std::string& key, const std::string& value, std::optional<ScreenFraction>& out) {
        const auto fields = split_commas(value);
        ScreenFraction f;
        if (fields.size() != 2 || !parse_real(fields[0], f.x) || !parse_real(fields[1], f.y))
            return error(key + " \"" + value + "\" is not X,Y (two decimal numbers)");
        out = f;
    }

    void visible(const std::string& value) {
        if (value != "0" && value != "1") return error("visible \"" + value + "\" is not 0 or 1");
        window_->visible = value == "1";
    }

    void ident(const std::string& value) {
        int n = 0;
        if (parse_int(value, n)) {
            window_->ident = n;
            return;
        }
        for (const PanelWindowName& row : PANEL_WINDOW_NAMES) {
            if (lower(value) == lower(row.name)) {
                window_->ident = row.window;
                return;
            }
        }
        error("ident \"" + value + "\" is neither a number nor a known window name");
    }

    // gaugeNN=MODULE!GAUGE, X, Y[, W[, H[, PARAMETERS]]]
    void gauge(int index, const std::string& key, const std::string& raw) {
        std::string fields_text = raw;
        std::optional<std::string> parameters;
        // The comma that ends the fifth field, if there is one: the parameters follow it.
        std::string::size_type comma = std::string::npos, from = 0;
        for (int i = 0; i < kGaugeFields; ++i) {
            comma = raw.find(',', from);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        const auto comment = raw.find("//");
        if (comment != std::string::npos && (comma == std::string::npos || comment < comma)) {
            fields_text = raw.substr(0, comment);
        } else if (comma != std::string::npos) {
            fields_text = raw.substr(0, comma);
            parameters = trim(raw.substr(comma + 1));
        }
        const auto fields = split_commas(fields_text);
        const std::string what = key + ": ";
        const std::string full = trim(fields[0]);
        const auto bang = full.find('!');
        if (bang == std::string::npos || bang == 0 || bang + 1 == full.size())
            return error(what + "expected MODULE!GAUGE, found \"" + full + "\"");
        if (fields.size() < 3) return error(what + "missing comma: the line needs at least MODULE!GAUGE, X, Y");
        PanelGauge g;
        g.index = index;
        g.module = trim(full.substr(0, bang));
        g.name = trim(full.substr(bang + 1));
        g.parameters = std::move(parameters);
        g.line = number_;
        static const char* const kNames[] = {"", "x", "y", "width", "height"};
        int* const slots[] = {nullptr, &g.x, &g.y, &g.w, &g.h};
        for (size_t i = 1; i < fields.size(); ++i) {
            const bool optional = i >= 3;
            if (optional && trim(fields[i]).empty()) continue;
            if (!parse_int(fields[i], *slots[i]))
                return error(what + std::string(kNames[i]) + " \"" + trim(fields[i]) + "\" is not a whole number");
            if (optional && *slots[i] < 0)
                return error(what + std::string(kNames[i]) + " " + trim(fields[i]) + " is negative");
        }
        for (const PanelGauge& other : window_->gauges)
            if (other.index == index)
                return error(what + "given twice in this window (first at line " + std::to_string(other.line) + ")");
        window_->gauges.push_back(std::move(g));
    }

    Diagnostics& diagnostics_;
    PanelConfig panel_;
    std::map<int, PanelWindow> windows_;
    Section section_ = Section::None;
    PanelWindow* window_ = nullptr;
    bool has_titles_ = false;
    int number_ = 0;
};

}  // namespace

PanelConfig parse_panel_config(const std::string& text, const std::string& source, Diagnostics& diagnostics) {
    Reader reader(source, diagnostics);
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) reader.line(line, ++number);
    return reader.finish();
}

PanelConfig read_panel_config(const std::string& path, Diagnostics& diagnostics) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        diagnostics.error(path, 0, "cannot open panel configuration");
        PanelConfig empty;
        empty.source = path;
        return empty;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse_panel_config(text.str(), path, diagnostics);
}

int32_t window_ident(const PanelWindow& window) { return window.ident ? *window.ident : -1 - window.index; }

bool place_panel(PanelHost& host, const PanelConfig& panel, Diagnostics& diagnostics) {
    const std::string ours = lower(MODULE_NAME);
    // Every window exists before any gauge is installed: a start command may close a
    // window that a later section declares.
    for (const PanelWindow& window : panel.windows)
        host.aircraft().declare_window(window_ident(window), window.visible);
    for (const PanelWindow& window : panel.windows) {
        const int32_t ident = window_ident(window);
        for (const PanelGauge& gauge : window.gauges) {
            if (lower(gauge.module) != ours) {
                diagnostics.note(panel.source, gauge.line,
                                 "gauge " + gauge.module + "!" + gauge.name + " belongs to another module; not placed");
                continue;
            }
            Diagnostics placing;
            const int id = host.place(gauge.name, gauge.parameters, placing, ident);
            diagnostics.merge(placing, panel.source, gauge.line);
            if (id < 0) continue;
            Placement* p = host.placement(id);
            p->x = gauge.x;
            p->y = gauge.y;
            p->w = gauge.w;
            p->h = gauge.h;
        }
    }
    return diagnostics.ok();
}
