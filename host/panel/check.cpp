// The checker's findings (list in check.h). The parameter checks read a string the way
// the module's command language reads it: a letter counts at its first occurrence
// before the first comment mark ('/', '#', '\''), window names are a prefix test on the
// text right behind the letter, anything else is read as a number by atoi's rules.
#include "host/panel/check.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>

#include "host/core/mouse_rects.h"
#include "host/panel/text.h"

namespace {

// How a gauge of the module reads its parameter string.
enum class Reads { commands, plate, nothing };

struct GaugeReading {
    const char* name;
    Reads reads;
};

// clang-format off
// The gauges whose parameters mean something: the eleven toggles with a callback run
// the window, seat and look commands; the plate reads its text, colours and typeface.
constexpr GaugeReading kReadings[] = {
    // gauge                     reads
    {"Invisible_Toggle",         Reads::commands},
    {"Radios_Toggle",            Reads::commands},
    {"GPS_Toggle",               Reads::commands},
    {"Throttle_Toggle",          Reads::commands},
    {"Compass_Toggle",           Reads::commands},
    {"Close_Subpanel",           Reads::commands},
    {"Left_Taxi_Toggle",         Reads::commands},
    {"Right_Taxi_Toggle",        Reads::commands},
    {"Nav_Instruments_Toggle",   Reads::commands},
    {"Seat_Up_Toggle",           Reads::commands},
    {"Seat_Down_Toggle",         Reads::commands},
    {"Registration",             Reads::plate},
};
// clang-format on
static_assert(sizeof kReadings / sizeof kReadings[0] == 12);

// clang-format off
// The help names an h command may give, in the module's order.
constexpr const char* kHelpNames[] = {
    "TOGGLE_RADIO_WINDOW", "TOGGLE_GPS_WINDOW", "TOGGLE_THROTTLE_WINDOW",
    "TOGGLE_COMPASS_WINDOW", "TOGGLE_FUEL_WINDOW", "TOGGLE_COLLECTIVE_WINDOW",
};
// clang-format on
static_assert(sizeof kHelpNames / sizeof kHelpNames[0] == 6);

constexpr int kFirstHelpId = 40960;
constexpr const char kMarks[] = "/#'";

Reads reading_of(const std::string& gauge) {
    for (const GaugeReading& row : kReadings)
        if (gauge == row.name) return row.reads;
    return Reads::nothing;
}

size_t first_mark(const std::string& text) { return text.find_first_of(kMarks); }

// The module's keyword search: the first occurrence, unless a comment mark stands before.
size_t keyword(const std::string& text, const std::string& word) {
    const size_t at = text.find(word);
    return at != std::string::npos && first_mark(text) < at ? std::string::npos : at;
}

// atoi's rules: blanks skipped, a sign, digits up to the first non-digit; digits tells
// whether there were any.
long atoi_rules(const std::string& text, bool& digits) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const size_t first_digit = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - first_digit < 12) ++i;
    digits = i > first_digit;
    return digits ? std::strtol(text.substr(start, i - start).c_str(), nullptr, 10) : 0;
}

// The word at the start of text (after blanks): letters, digits and '_'.
std::string leading_word(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    size_t end = start;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
    return text.substr(start, end - start);
}

class Checker {
public:
    Checker(GaugeHost& host, const PanelConfig& panel, const CheckSizes& sizes)
        : host_(host), panel_(panel), sizes_(sizes) {}

    void run(const Diagnostics& read) {
        for (const Diagnostic& item : read.items()) add(item.line, item.what);
        if (panel_.windows.empty())
            add(0, "no 2D panel window" +
                       std::string(panel_.virtual_cockpits ? " (only virtual cockpit sections)" : "") +
                       ": nothing of this panel shows on the screen");
        for (const PanelWindow& window : panel_.windows) host_.declare_window(window_ident(window), window.visible);
        for (const PanelWindow& window : panel_.windows) check_window(window);
    }

    Diagnostics findings() {
        std::stable_sort(found_.begin(), found_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        Diagnostics out;
        for (const auto& [line, what] : found_) out.error(panel_.source, line, what);
        return out;
    }

private:
    struct Placed {
        const PanelGauge* gauge;
        Placement* placement;
    };

    void add(int line, const std::string& what) { found_.emplace_back(line, what); }

    void check_window(const PanelWindow& window) {
        std::vector<Placed> placed;
        Size extent;
        for (const PanelGauge& gauge : window.gauges) {
            if (!is_module_gauge(gauge)) {
                extend(extent, gauge.x, gauge.y, {gauge.w, gauge.h});
                continue;
            }
            Diagnostics placing;
            const int id = host_.place(gauge.name, gauge.parameters, placing, window_ident(window));
            if (id < 0) {
                const std::string near = nearest_gauge_name(host_, gauge.name);
                add(gauge.line, "no gauge \"" + gauge.name + "\" in " + MODULE_NAME +
                                    (near.empty() ? "" : "; did you mean " + near + "?"));
                continue;
            }
            Placement* p = host_.placement(id);
            p->x = gauge.x, p->y = gauge.y, p->w = gauge.w, p->h = gauge.h;
            placed.push_back({&gauge, p});
            extend(extent, gauge.x, gauge.y, gauge_box(gauge.w, gauge.h, sizes_.face(*p)));
            if (gauge.parameters) check_parameters(gauge);
        }
        const WindowGeometry geometry = window_geometry(window, sizes_.background(window), extent);
        for (const Placed& one : placed) check_inside(window, geometry, one);
        check_click_areas(placed);
    }

    void check_parameters(const PanelGauge& gauge) {
        const std::string& text = *gauge.parameters;
        if (text.empty()) return;
        switch (reading_of(gauge.name)) {
            case Reads::commands: return check_commands(gauge, text);
            case Reads::plate: return check_plate(gauge, text);
            case Reads::nothing:
                return add(gauge.line, gauge.name + " reads no parameters: \"" + text + "\" does nothing");
        }
    }

    void check_commands(const PanelGauge& gauge, const std::string& text) {
        for (const char letter : {'o', 'c', 't'}) {
            // Every occurrence before the first mark, as the module's scan runs.
            std::string rest = text;
            for (size_t at = keyword(rest, std::string(1, letter)); at != std::string::npos;
                 at = keyword(rest, std::string(1, letter))) {
                rest = rest.substr(at + 1);
                check_window_argument(gauge, letter, rest);
            }
        }
        const size_t a = keyword(text, "a");
        if (a != std::string::npos) check_window_argument(gauge, 'a', text.substr(a + 1));
        bool b_rejected = false;
        const size_t b = keyword(text, "b");
        if (b != std::string::npos) {
            bool digits = false;
            const long id = atoi_rules(text.substr(b + 1), digits);
            if (id % 10 != 0 || id < 90 || id > 190) {
                b_rejected = true;
                const bool h_follows = keyword(text, "h") != std::string::npos;
                add(gauge.line, "b" + leading_word(text.substr(b + 1)) +
                                    ": the module takes only the pictures 90, 100, ... 190; the picture stays" +
                                    (h_follows ? ", and the h command is then skipped" : ""));
            }
        }
        const size_t h = keyword(text, "h");
        if (h != std::string::npos && !b_rejected) check_help(gauge, text.substr(h + 1));
        check_behind_marks(gauge, text, "octpabh");
    }

    void check_window_argument(const PanelGauge& gauge, char letter, const std::string& rest) {
        const std::string command = std::string(1, letter) + leading_word(rest);
        if (rest.empty())
            return add(gauge.line,
                       std::string(1, letter) + " at the end of the parameters names no window: it sends nothing");
        if (const auto named = window_name_at(rest)) return check_window_exists(gauge, command, *named);
        bool digits = false;
        const long id = atoi_rules(rest, digits);
        if (!digits) {
            const std::string word = leading_word(rest);
            if (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t') && known_window_ident(word))
                return add(gauge.line, std::string(1, letter) + " " + word +
                                           " reads as window 0 (MAIN_PANEL): the name must follow the letter directly");
            return add(gauge.line, command + " reads as window 0 (MAIN_PANEL): \"" + word +
                                       "\" is not a window name of the module");
        }
        if (id < 0) return add(gauge.line, command + " names no window (a negative id): it sends nothing");
        if (id > INT_MAX) return add(gauge.line, command + " is no window id");
        check_window_exists(gauge, command, static_cast<int32_t>(id));
    }

    void check_window_exists(const PanelGauge& gauge, const std::string& command, int32_t id) {
        for (const PanelWindow& window : panel_.windows)
            if (window.ident && *window.ident == id) return;
        add(gauge.line, command + " names window " + std::to_string(id) + ", which no window of this file has");
    }

    void check_help(const PanelGauge& gauge, const std::string& rest) {
        for (const char* name : kHelpNames)
            if (rest.compare(0, std::strlen(name), name) == 0) return;
        bool digits = false;
        const long id = atoi_rules(rest, digits);
        if (rest.empty()) return add(gauge.line, "h at the end of the parameters clears the tooltip");
        if (!digits)
            return add(gauge.line, "h" + leading_word(rest) + " clears the tooltip: \"" + leading_word(rest) +
                                       "\" is not a help name of the module");
        if (id < kFirstHelpId)
            add(gauge.line, "h" + leading_word(rest) + " clears the tooltip: help ids below " +
                                std::to_string(kFirstHelpId) + " read as 0");
    }

    // The registration plate: the text behind a leading t up to the first space, then
    // r, g, b colours and an f typeface behind that space.
    void check_plate(const PanelGauge& gauge, const std::string& text) {
        const size_t space = keyword(text, " ");
        if (space != std::string::npos) {
            std::string options = text.substr(space + 1);
            const size_t f = keyword(options, "f");
            if (f != std::string::npos) options.resize(f);
            for (const char letter : {'r', 'g', 'b'}) {
                const size_t at = keyword(options, std::string(1, letter));
                if (at == std::string::npos) continue;
                bool digits = false;
                const long value = atoi_rules(options.substr(at + 1), digits);
                if (value < 0 || value > 255)
                    add(gauge.line, std::string(1, letter) + std::to_string(value) +
                                        ": plate colours are 0 to 255; the module reads 255");
            }
        }
        check_behind_marks(gauge, space == std::string::npos ? text : text.substr(space), "rgbf");
    }

    // A command letter at the start of a word behind the first comment mark, with what
    // its argument would look like, is a command the module does not read.
    void check_behind_marks(const PanelGauge& gauge, const std::string& text, const std::string& letters) {
        const size_t mark = first_mark(text);
        if (mark == std::string::npos) return;
        for (size_t i = mark + 1; i + 1 < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (letters.find(static_cast<char>(c)) == std::string::npos) continue;
            if (std::isalpha(static_cast<unsigned char>(text[i - 1]))) continue;
            const bool window_like = std::strchr("octah", c) && std::isupper(next);
            const bool number_like = std::isdigit(next) || (next == '-' && std::strchr("pb", c));
            if (!window_like && !number_like) continue;
            return add(gauge.line, "command " + std::string(1, static_cast<char>(c)) +
                                       leading_word(text.substr(i + 1)) + " stands behind the comment mark '" +
                                       text[mark] + "' and is not read");
        }
    }

    void check_inside(const PanelWindow& window, const WindowGeometry& geometry, const Placed& one) {
        const PanelGauge& g = *one.gauge;
        const Size box = gauge_box(g.w, g.h, sizes_.face(*one.placement));
        if (g.x >= 0 && g.y >= 0 && g.x + box.w <= geometry.units_w + 0.5 && g.y + box.h <= geometry.units_h + 0.5)
            return;
        add(g.line, g.name + " at " + std::to_string(g.x) + "," + std::to_string(g.y) + " (" + std::to_string(box.w) +
                        " x " + std::to_string(box.h) + ") reaches outside " + window_label(window) + " (" +
                        std::to_string(static_cast<int>(geometry.units_w)) + " x " +
                        std::to_string(static_cast<int>(geometry.units_h)) + ")");
    }

    struct Area {
        double x, y, w, h;
    };

    // The click areas of a placed gauge, in its window's units.
    std::vector<Area> click_areas(const Placed& one) {
        std::vector<Area> areas;
        const Placement& p = *one.placement;
        const Size face = sizes_.face(p);
        if (!p.gauge->mouse_rects || face.w <= 0 || face.h <= 0) return areas;
        const Size box = gauge_box(p.w, p.h, face);
        const double sx = static_cast<double>(box.w) / face.w, sy = static_cast<double>(box.h) / face.h;
        walk_mouse_rects(p.gauge->mouse_rects, [&](const MouseRect& rect, int, int left, int top) {
            if (rect.kind == MOUSE_CHILD && rect.box_w > 0 && rect.box_h > 0)
                areas.push_back({p.x + left * sx, p.y + top * sy, rect.box_w * sx, rect.box_h * sy});
            return false;
        });
        return areas;
    }

    void check_click_areas(const std::vector<Placed>& placed) {
        std::vector<std::vector<Area>> areas;
        for (const Placed& one : placed) areas.push_back(click_areas(one));
        for (size_t i = 0; i < placed.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                if (overlap(areas[i], areas[j]))
                    add(placed[i].gauge->line, "click area of " + placed[i].gauge->name + " overlaps that of " +
                                                   placed[j].gauge->name + " (line " +
                                                   std::to_string(placed[j].gauge->line) + ")");
    }

    static bool overlap(const std::vector<Area>& a, const std::vector<Area>& b) {
        for (const Area& p : a)
            for (const Area& q : b)
                if (p.x < q.x + q.w && q.x < p.x + p.w && p.y < q.y + q.h && q.y < p.y + p.h) return true;
        return false;
    }

    GaugeHost& host_;
    const PanelConfig& panel_;
    const CheckSizes& sizes_;
    std::vector<std::pair<int, std::string>> found_;
};

size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

ToggleClick toggle_click(const std::string& gauge_name, const std::optional<std::string>& parameters) {
    ToggleClick click;
    click.toggle = reading_of(gauge_name) == Reads::commands;
    if (!click.toggle) return click;
    if (!parameters || parameters->empty()) {
        click.closes_own = true;
        return click;
    }
    const std::string& text = *parameters;
    for (const char letter : {'o', 'c', 't'}) {
        std::string rest = text;
        for (size_t at = keyword(rest, std::string(1, letter)); at != std::string::npos;
             at = keyword(rest, std::string(1, letter))) {
            rest = rest.substr(at + 1);
            // The module's window argument: a name of its table, else atoi; none when empty.
            if (rest.empty()) continue;
            bool digits = false;
            const std::optional<int32_t> named = window_name_at(rest);
            const long id = named ? *named : atoi_rules(rest, digits);
            if (id >= 0 && id <= INT_MAX) click.sent.push_back({letter, static_cast<int32_t>(id)});
        }
    }
    click.other_commands = keyword(text, "p") != std::string::npos;
    return click;
}

std::string nearest_gauge_name(GaugeHost& host, const std::string& name) {
    constexpr size_t kMostOff = 2;
    std::string best;
    size_t best_distance = kMostOff + 1;
    for (const std::string& gauge : host.gauge_names()) {
        const size_t d = edit_distance(lower(name), lower(gauge));
        if (d < best_distance) best = gauge, best_distance = d;
    }
    return best;
}

Diagnostics check_panel(GaugeHost& host, const PanelConfig& panel, const Diagnostics& read, const CheckSizes& sizes) {
    Checker checker(host, panel, sizes);
    checker.run(read);
    return checker.findings();
}
