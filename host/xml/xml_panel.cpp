// Placing, evaluating and clicking other authors' XML gauges.
#include "host/xml/xml_panel.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

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

class PanelResolver : public calc::Resolver {
public:
    explicit PanelResolver(XmlPanel& panel) : panel_(panel) {}
    bool variable(char prefix, std::string_view name, std::string_view unit, bool write, uint32_t& r,
                  std::string& problem) override {
        return panel_.resolve_variable(prefix, name, unit, write, r, problem);
    }
    bool event(std::string_view name, uint32_t& r, std::string& problem) override {
        return panel_.resolve_event(name, r, problem);
    }
    bool text_variable(char prefix, std::string_view name, uint32_t& r, std::string&) override {
        return panel_.resolve_text_variable(prefix, name, r);
    }

private:
    XmlPanel& panel_;
};

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

// The host simulates no text variable: each reads as empty text, and check lists it.
bool XmlPanel::resolve_text_variable(char prefix, std::string_view name, uint32_t& r) {
    not_simulated(std::string(1, prefix) + ":" + std::string(name));
    r = ref(kZero, 0);
    return true;
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

GaugeModule* XmlPanel::module(const std::string& name, const std::string& panel_dir,
                              const std::vector<std::string>& folders, const std::string& where,
                              Diagnostics& diagnostics, std::string& gau) {
    const std::string key = lower(name);
    if (auto it = modules_.find(key); it != modules_.end()) {
        gau = module_notes_[key];
        return it->second.get();
    }
    std::vector<std::string> search{panel_dir};
    search.insert(search.end(), folders.begin(), folders.end());
    ModuleSearch found = find_gauge_module(name, search);
    std::string looked;
    for (const std::string& folder : found.looked) looked += (looked.empty() ? "" : ", ") + folder;
    if (!found.error.empty()) diagnostics.error(found.error);
    if (!found.gau.empty()) {
        module_notes_[key] = found.gau;
        diagnostics.note(where, 0,
                         "module " + name + " is " + found.gau +
                             ", a C module of another author: its gauges are drawn as placeholders");
    } else if (!found.module && found.error.empty()) {
        diagnostics.note(where, 0,
                         "module " + name + " not found: looked for a folder " + name + ", " + name + ".cab and " +
                             name + ".gau in " + looked + "; its gauges are drawn as placeholders");
    }
    gau = module_notes_[key];
    return (modules_[key] = std::move(found.module)).get();
}

const Bitmap* XmlPanel::bitmap(GaugeModule& module, const std::string& name, const std::string& file, int line,
                               Diagnostics& diagnostics) {
    const std::string key = module.path() + "|" + file_key(name);
    if (auto it = bitmaps_.find(key); it != bitmaps_.end()) return it->second.get();
    std::unique_ptr<Bitmap>& slot = bitmaps_[key];
    std::string error;
    const std::vector<uint8_t>* bytes = module.file(name, error);
    if (!bytes) {
        diagnostics.error(file, line, "image: " + error);
        return nullptr;
    }
    auto decoded = std::make_unique<Bitmap>();
    if (!decode_bmp(bytes->data(), bytes->size(), *decoded, error, size_t{4096} * 4096)) {
        diagnostics.error(file, line, "image " + module.where(name) + ": " + error);
        return nullptr;
    }
    slot = std::move(decoded);
    return slot.get();
}

bool XmlPanel::compile(const xmlgauge::Script& script, calc::Program& program, const std::string& file,
                       Diagnostics& diagnostics) {
    PanelResolver resolver(*this);
    current_line_ = script.line;
    std::string error;
    if (calc::compile(script.text, resolver, program, error)) return true;
    diagnostics.error(file, script.line, "script: " + error);
    return false;
}

void XmlPanel::add_node(XmlPlacement& p, GaugeModule& module, const xmlgauge::Element& element, int parent,
                        int case_index, Diagnostics& diagnostics) {
    const int index = static_cast<int>(p.nodes.size());
    XmlNode node;
    node.element = &element;
    node.parent = parent;
    node.case_index = case_index;
    if (element.visible) compile(*element.visible, node.visible, p.file, diagnostics);
    if (element.motion != xmlgauge::Motion::none) compile(element.value.script, node.value, p.file, diagnostics);
    if (element.select) compile(element.select->script, node.select, p.file, diagnostics);
    if (element.image) node.image = bitmap(module, element.image->name, p.file, element.image->line, diagnostics);
    if (element.mask) node.mask = bitmap(module, element.mask->name, p.file, element.mask->line, diagnostics);
    p.nodes.push_back(std::move(node));
    for (size_t c = 0; c < element.cases.size(); ++c)
        add_node(p, module, element.cases[c].content, index, static_cast<int>(c), diagnostics);
    for (const xmlgauge::Element& child : element.children) add_node(p, module, child, index, -1, diagnostics);
}

// An area's box: Left/Top from the parent's corner, Right/Bottom from its left/top
// edge, Width/Height; what is not given reaches to the parent's edges.
void XmlPanel::add_area(XmlPlacement& p, const xmlgauge::Area& area, double px, double py, double pw, double ph,
                        int depth, Diagnostics& diagnostics) {
    XmlArea a;
    a.area = &area;
    a.depth = depth;
    const double left = area.left.value_or(0), top = area.top.value_or(0);
    const double right = area.width ? left + *area.width : area.right.value_or(pw);
    const double bottom = area.height ? top + *area.height : area.bottom.value_or(ph);
    a.x = px + left;
    a.y = py + top;
    a.w = std::max(0.0, right - left);
    a.h = std::max(0.0, bottom - top);
    if (area.click) compile(*area.click, a.click, p.file, diagnostics);
    if (!area.event.empty()) {
        current_line_ = area.line;
        std::string unused;
        resolve_event(area.event, a.event, unused);
        a.has_event = true;
    }
    p.areas.push_back(std::move(a));
    const XmlArea placed = p.areas.back();
    for (const xmlgauge::Area& child : area.children)
        add_area(p, child, placed.x, placed.y, placed.w, placed.h, depth + 1, diagnostics);
}

void XmlPanel::build(XmlPlacement& p, GaugeModule& module, Diagnostics& diagnostics) {
    current_file_ = p.file;
    const xmlgauge::Gauge& gauge = *p.gauge;
    if (gauge.background)
        p.background = bitmap(module, gauge.background->name, p.file, gauge.background->line, diagnostics);
    for (const xmlgauge::Element& element : gauge.elements) add_node(p, module, element, -1, -1, diagnostics);
    if (p.background) {
        p.face_w = p.background->width;
        p.face_h = p.background->height;
    } else {
        for (const XmlNode& node : p.nodes)
            if (node.image) {
                p.face_w = std::max(p.face_w, node.image->width);
                p.face_h = std::max(p.face_h, node.image->height);
            }
    }
    for (const xmlgauge::Area& area : gauge.areas) add_area(p, area, 0, 0, p.face_w, p.face_h, 0, diagnostics);
}

// The gauge of the file, read once for all its placements.
std::shared_ptr<const xmlgauge::Gauge> XmlPanel::gauge(GaugeModule& module, const std::string& file,
                                                       const PanelGauge& line, const std::string& source,
                                                       Diagnostics& diagnostics) {
    if (auto it = gauges_.find(file); it != gauges_.end()) return it->second;
    std::shared_ptr<const xmlgauge::Gauge>& slot = gauges_[file];
    std::string error;
    const std::vector<uint8_t>* bytes = module.file(line.name + ".xml", error);
    if (!bytes) {
        diagnostics.error(source, line.line, "gauge " + line.module + "!" + line.name + ": " + error);
        return nullptr;
    }
    auto read = std::make_shared<xmlgauge::Gauge>();
    if (xmlgauge::read_gauge(*bytes, file, *read, diagnostics)) slot = std::move(read);
    return slot;
}

void XmlPanel::place(const PanelConfig& panel, const std::string& panel_path, const std::vector<std::string>& folders,
                     Diagnostics& diagnostics) {
    const std::string panel_dir = std::filesystem::path(panel_path).parent_path().string();
    for (const PanelWindow& window : panel.windows) {
        for (const PanelGauge& line : window.gauges) {
            if (is_module_gauge(line)) continue;
            std::string gau;
            GaugeModule* found = module(line.module, panel_dir, folders, panel.source, diagnostics, gau);
            if (!found) continue;
            auto p = std::make_unique<XmlPlacement>();
            p->module = line.module;
            p->name = line.name;
            p->file = found->where(line.name + ".xml");
            p->gauge = gauge(*found, p->file, line, panel.source, diagnostics);
            if (!p->gauge) continue;
            p->window = window_ident(window);
            p->panel_window = window.index;
            p->gauge_index = line.index;
            p->x = line.x;
            p->y = line.y;
            p->w = line.w;
            p->h = line.h;
            build(*p, *found, diagnostics);
            placements_.push_back(std::move(p));
        }
    }
}

bool XmlPanel::placed(int panel_window, int gauge_index) const {
    return std::any_of(placements_.begin(), placements_.end(),
                       [&](const auto& p) { return p->panel_window == panel_window && p->gauge_index == gauge_index; });
}

void XmlPanel::frame() {
    const double now_s = host_.time_s();
    for (const auto& placement : placements_) {
        XmlPlacement& p = *placement;
        current_ = &p;
        current_file_ = p.file;
        for (XmlNode& node : p.nodes) {
            const XmlNode* parent = node.parent >= 0 ? &p.nodes[static_cast<size_t>(node.parent)] : nullptr;
            xml_place(node.motion, *node.element, parent ? &parent->motion : nullptr);
            node.shown = !parent || (parent->shown && (node.case_index < 0 || parent->chosen == node.case_index));
            if (node.shown && !node.visible.empty()) node.shown = run(node.visible) != 0;
            if (!node.shown) continue;
            const xmlgauge::Element& e = *node.element;
            if (!node.value.empty()) {
                double v = run(node.value);
                if (e.value.minimum) v = std::max(v, *e.value.minimum);
                if (e.value.maximum) v = std::min(v, *e.value.maximum);
                node.number = v;
                xml_follow(node.motion, e, v, now_s);
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

bool XmlPanel::click(XmlPlacement& p, int x, int y) {
    const XmlArea* hit = nullptr;
    for (const XmlArea& a : p.areas) {
        if (x < a.x || y < a.y || x >= a.x + a.w || y >= a.y + a.h) continue;
        if (a.click.empty() && !a.has_event) continue;
        if (!hit || a.depth > hit->depth) hit = &a;
    }
    if (!hit) return false;
    current_ = &p;
    current_file_ = p.file;
    p.mouse_x = x - hit->x;
    p.mouse_y = y - hit->y;
    if (hit->has_event) event(hit->event, 0);
    if (!hit->click.empty()) run(hit->click);
    current_ = nullptr;
    return true;
}

XmlPlacement* XmlPanel::find(const std::string& module_and_name) {
    const std::string wanted = lower(module_and_name);
    for (const auto& p : placements_)
        if (lower(p->module + "!" + p->name) == wanted) return p.get();
    return nullptr;
}
