// Running other authors' XML gauges: the calculator's variables and events against the
// one simulated aircraft, every gauge's frame, and the mouse on their areas.
#include "host/xml/xml_panel.h"

#include <algorithm>
#include <cmath>

#include "host/core/gauge_host.h"
#include "host/panel/text.h"
#include "host/sim/named_vars.h"

namespace {

enum RefKind : uint32_t { kAircraft = 1, kLocal, kTime, kMouseX, kMouseY, kGaugeVar, kZero };
constexpr uint32_t ref(RefKind kind, uint32_t index) { return kind << 24 | index; }

constexpr double kStartLocalTime_s = 9 * 3600.0;  // the flight starts at nine in the morning

std::string upper(std::string_view text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

class PanelEnvironment : public calc::Environment {
public:
    explicit PanelEnvironment(XmlPanel& panel) : panel_(panel) {}
    double read(uint32_t r) override { return panel_.read(r); }
    void write(uint32_t r, double value) override { panel_.write(r, value); }
    void event(uint32_t r, double value) override { panel_.event(r, value); }

private:
    XmlPanel& panel_;
};

uint32_t event_value(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<uint32_t>(static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0)));
}

}  // namespace

bool XmlPanel::resolve_variable(char prefix, std::string_view name, std::string_view unit, bool write, uint32_t& r,
                                std::string& problem) {
    const std::string key = upper(name);
    switch (prefix) {
        case 'A': {
            if (write)
                return problem = "(>A:" + std::string(name) + ") : aircraft variables are read, not written", false;
            const NamedVar* row = find_named_var(name);
            if (!row) {
                if (!unit.empty() && !known_unit(unit))
                    return problem = "unknown unit \"" + std::string(unit) + "\"", false;
                not_simulated("A:" + std::string(name));
                r = ref(kZero, 0);
                return true;
            }
            AVar var;
            var.token = row->token;
            var.token2 = row->token2;
            var.row = row;
            if (!unit_conversion(row->unit, unit, var.factor, var.offset, problem)) return false;
            const std::string index = key + "|" + std::to_string(var.factor) + "|" + std::to_string(var.offset);
            auto [it, added] = a_index_.emplace(index, static_cast<uint32_t>(a_vars_.size()));
            if (added) a_vars_.push_back(var);
            r = ref(kAircraft, it->second);
            return true;
        }
        case 'L': {
            auto [it, added] = l_index_.emplace(key, static_cast<uint32_t>(l_vars_.size()));
            if (added) l_vars_.push_back(0);
            r = ref(kLocal, it->second);
            return true;
        }
        case 'P':
        case 'E': {
            if (write)
                return problem = "(>" + std::string(1, prefix) + ":" + std::string(name) + ") cannot be written", false;
            if (key == "LOCAL TIME" || key == "ZULU TIME" || key == "ABSOLUTE TIME" || key == "SIMULATION TIME") {
                double factor = 1, offset = 0;
                if (!unit_conversion("seconds", unit, factor, offset, problem)) return false;
                time_vars_.push_back({factor});
                r = ref(kTime, static_cast<uint32_t>(time_vars_.size() - 1));
                return true;
            }
            not_simulated(std::string(1, prefix) + ":" + std::string(name));
            r = ref(kZero, 0);
            return true;
        }
        case 'M':
            if (key == "X") return r = ref(kMouseX, 0), true;
            if (key == "Y") return r = ref(kMouseY, 0), true;
            not_simulated("M:" + std::string(name));
            return r = ref(kZero, 0), true;
        case 'G':
            if (key.size() == 4 && key.compare(0, 3, "VAR") == 0 && key[3] >= '0' && key[3] <= '9')
                return r = ref(kGaugeVar, static_cast<uint32_t>(key[3] - '0')), true;
            return problem = "G: variables are Var0 to Var9, not \"" + std::string(name) + "\"", false;
        default: return problem = "unknown variable prefix \"" + std::string(1, prefix) + ":\"", false;
    }
}

bool XmlPanel::resolve_event(std::string_view name, uint32_t& r, std::string&) {
    const NamedEvent* row = find_named_event(name);
    if (!row) not_simulated("K:" + std::string(name));
    events_.push_back(row ? row->event_id : 0);
    event_names_.push_back(std::string(name));
    r = static_cast<uint32_t>(events_.size() - 1);
    return true;
}

void XmlPanel::not_simulated(const std::string& name) {
    for (const Unsimulated& u : unsimulated_)
        if (u.name == name && u.file == current_file_) return;
    unsimulated_.push_back({name, current_file_, current_line_});
}

bool XmlPanel::simulates(const std::string& name) const {
    return std::none_of(unsimulated_.begin(), unsimulated_.end(), [&](const Unsimulated& u) { return u.name == name; });
}

double XmlPanel::read(uint32_t r) {
    const uint32_t index = r & 0xFFFFFF;
    switch (r >> 24) {
        case kAircraft: {
            const AVar& var = a_vars_[index];
            const auto* row = static_cast<const NamedVar*>(var.row);
            const double second = var.token2 ? host_.var_number(var.token2) : 0;
            return named_value(*row, host_.var_number(var.token), second) * var.factor + var.offset;
        }
        case kLocal: return l_vars_[index];
        case kTime: return (kStartLocalTime_s + host_.time_s()) * time_vars_[index].factor;
        case kMouseX: return current_ ? current_->mouse_x : 0;
        case kMouseY: return current_ ? current_->mouse_y : 0;
        case kGaugeVar: return current_ ? current_->g_vars[index] : 0;
        default: return 0;
    }
}

void XmlPanel::write(uint32_t r, double value) {
    const uint32_t index = r & 0xFFFFFF;
    if (r >> 24 == kLocal) l_vars_[index] = value;
    if (r >> 24 == kGaugeVar && current_) current_->g_vars[index] = value;
}

void XmlPanel::event(uint32_t r, double value) {
    const uint32_t id = events_[r];
    if (id == 0 || !host_.host_event(id, event_value(value)))
        problem(current_file_ + ": event " + event_names_[r] + " is not simulated; refused");
}

void XmlPanel::problem(const std::string& what) {
    if (std::find(problems_.begin(), problems_.end(), what) == problems_.end() && problems_.size() < 100)
        problems_.push_back(what);
}

double XmlPanel::run(const calc::Program& program) {
    PanelEnvironment environment(*this);
    const calc::RunResult result = calc::run(program, environment);
    if (result.problem) problem(current_file_ + ": " + result.problem);
    return result.value;
}

void XmlPanel::frame() {
    for (const auto& placement : placements_) {
        XmlPlacement& p = *placement;
        current_ = &p;
        current_file_ = p.file;
        for (XmlNode& node : p.nodes) {
            const XmlNode* parent = node.parent >= 0 ? &p.nodes[static_cast<size_t>(node.parent)] : nullptr;
            node.shown = !parent || (parent->shown && (node.case_index < 0 || parent->chosen == node.case_index));
            if (node.shown && !node.visible.empty()) node.shown = run(node.visible) != 0;
            if (!node.shown) continue;
            const xmlgauge::Element& e = *node.element;
            if (!node.value.empty()) {
                double v = run(node.value);
                if (e.value.minimum) v = std::max(v, *e.value.minimum);
                if (e.value.maximum) v = std::min(v, *e.value.maximum);
                node.number = v;
            }
            if (e.select) {
                const double v = node.select.empty() ? 0 : run(node.select);
                node.chosen = -1;
                for (size_t c = 0; c < e.cases.size(); ++c)
                    if (std::fabs(e.cases[c].value - v) < 1e-6) node.chosen = static_cast<int>(c);
            }
        }
    }
    current_ = nullptr;
}

// The area a press at (x, y) hits: the innermost one that clicks.
int XmlPanel::hit(const XmlPlacement& p, int x, int y) const {
    int hit = -1;
    for (size_t i = 0; i < p.areas.size(); ++i) {
        const XmlArea& a = p.areas[i];
        if (x < a.x || y < a.y || x >= a.x + a.w || y >= a.y + a.h) continue;
        if (!a.kinds || (a.click.empty() && !a.has_event)) continue;
        if (hit < 0 || a.depth > p.areas[static_cast<size_t>(hit)].depth) hit = static_cast<int>(i);
    }
    return hit;
}

// A press runs the area it hits (an area that only drags runs as if dragged to the
// point, so a lever follows a click) and holds it for the drags and the release that
// follow; those run the held area wherever the pointer is, M:X and M:Y kept to its box.
bool XmlPanel::click(XmlPlacement& p, int x, int y, XmlMouse mouse) {
    if (mouse == XmlMouse::press) p.held = hit(p, x, y);
    const int held = p.held;
    if (mouse == XmlMouse::release) p.held = -1;
    if (held < 0) return false;
    const XmlArea& area = p.areas[static_cast<size_t>(held)];
    const uint32_t runs = mouse == XmlMouse::press  ? XML_CLICK_PRESS | XML_CLICK_DRAG
                          : mouse == XmlMouse::drag ? XML_CLICK_DRAG
                                                    : XML_CLICK_RELEASE;
    if (!(area.kinds & runs)) return mouse == XmlMouse::press;
    current_ = &p;
    current_file_ = p.file;
    p.mouse_x = std::clamp(x - area.x, 0.0, area.w);
    p.mouse_y = std::clamp(y - area.y, 0.0, area.h);
    if (area.has_event) event(area.event, 0);
    if (!area.click.empty()) run(area.click);
    current_ = nullptr;
    return true;
}

// The L: variables of the panel placed before, by name, and the G: variables of each of
// its gauges that is on the same line, of the same module and name.
void XmlPanel::keep_state(const XmlPanel& before) {
    for (const auto& [name, index] : before.l_index_)
        if (auto it = l_index_.find(name); it != l_index_.end()) l_vars_[it->second] = before.l_vars_[index];
    for (const auto& p : placements_)
        for (const auto& old : before.placements_)
            if (old->panel_window == p->panel_window && old->gauge_index == p->gauge_index &&
                lower(old->module + "!" + old->name) == lower(p->module + "!" + p->name))
                p->g_vars = old->g_vars;
}

bool XmlPanel::click_gauge(const std::string& module_and_name, int x, int y, std::string& problem) {
    XmlPlacement* p = find(module_and_name);
    if (!p) return false;
    if (p->panel_window >= 0 && !host_.window_open(p->window))
        return problem = module_and_name + " is in window " + std::to_string(p->window) + ", which is closed", false;
    if (!click(*p, x, y)) {
        problem = "click at " + std::to_string(x) + "," + std::to_string(y) + " hits nothing on " + module_and_name;
        return false;
    }
    click(*p, x, y, XmlMouse::release);
    return true;
}
