// Placing other authors' XML gauges: their modules found, their files read, their
// bitmaps decoded and their scripts compiled once, their click areas resolved.
#include "host/xml/xml_panel.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "host/core/gauge_host.h"
#include "host/panel/text.h"

namespace {

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

private:
    XmlPanel& panel_;
};

// What makes an area's click run, from its Kind= ("LeftSingle+LeftDrag") and Repeat=:
// no Kind is a single left click. Other buttons, the wheel and double clicks are never
// made here.
uint32_t click_kinds(const xmlgauge::Area& area) {
    uint32_t kinds = area.kind.empty() ? XML_CLICK_PRESS : 0;
    size_t start = 0;
    while (start < area.kind.size()) {
        size_t end = area.kind.find_first_of("+|, ", start);
        if (end == std::string::npos) end = area.kind.size();
        const std::string word = lower(area.kind.substr(start, end - start));
        if (word == "leftsingle") kinds |= XML_CLICK_PRESS;
        if (word == "leftrepeat") kinds |= XML_CLICK_PRESS | XML_CLICK_REPEAT;
        if (word == "leftdrag") kinds |= XML_CLICK_DRAG;
        if (word == "leftrelease") kinds |= XML_CLICK_RELEASE;
        start = end + 1;
    }
    if (area.repeat && kinds & XML_CLICK_PRESS) kinds |= XML_CLICK_REPEAT;
    return kinds;
}

}  // namespace

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
    a.kinds = click_kinds(area);
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
            p->id = next_id_;
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
            ++next_id_;
        }
    }
}

bool XmlPanel::placed(int panel_window, int gauge_index) const {
    return std::any_of(placements_.begin(), placements_.end(),
                       [&](const auto& p) { return p->panel_window == panel_window && p->gauge_index == gauge_index; });
}

XmlPlacement* XmlPanel::find(const std::string& module_and_name) {
    const std::string wanted = lower(module_and_name);
    for (const auto& p : placements_)
        if (lower(p->module + "!" + p->name) == wanted) return p.get();
    return nullptr;
}

XmlPlacement* XmlPanel::placement(int id) {
    for (const auto& p : placements_)
        if (p->id == id) return p.get();
    return nullptr;
}
