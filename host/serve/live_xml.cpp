// The live page's XML gauges of other authors: placed beside the module's gauges, run
// each frame with them, drawn as pictures of their own and clicked from the page.
#include <algorithm>
#include <functional>

#include "host/serve/live_panel.h"

namespace {

// The page's ids of XML gauges lie above every id the host gives its placements.
constexpr int kFirstXmlId = 1 << 30;

class ScenarioXml : public OtherGauges {
public:
    explicit ScenarioXml(std::function<XmlPanel*()> xml) : xml_(std::move(xml)) {}
    void place(GaugeHost&, const PanelConfig&, const std::string&, Diagnostics&) override {}
    void frame() override { xml_()->frame(); }
    bool click(GaugeHost&, const std::string& gauge, int x, int y, std::string& problem) override {
        return xml_()->click_gauge(gauge, x, y, problem);
    }

private:
    std::function<XmlPanel*()> xml_;  // the panel's, placed anew on every reload
};

}  // namespace

std::shared_ptr<OtherGauges> LivePanel::scenario_xml_gauges() {
    return std::make_shared<ScenarioXml>([this] { return xml_.get(); });
}

void LivePanel::place_xml(Diagnostics& diagnostics) {
    auto next = std::make_unique<XmlPanel>(*host_, xml_ ? xml_->next_id() : kFirstXmlId);
    Diagnostics reading;
    next->place(panel_, panel_path_, gauge_folders_, reading);
    // What keeps a gauge or an element from being drawn, and where a module was looked
    // for; the reader's notes on single lines are check's to list.
    for (const Diagnostic& d : reading.items())
        if (d.level == Diagnostic::Level::error || d.line == 0) diagnostics.note(d.file, d.line, d.what);
    if (xml_) next->keep_state(*xml_);
    xml_ = std::move(next);
    xml_problems_seen_ = 0;
}

// A view for every XML gauge, after the module's (they are drawn over them, as render
// draws them): the ones it had are kept.
void LivePanel::add_xml_views(std::vector<std::unique_ptr<GaugeView>>& views) {
    for (const auto& p : xml_->placements()) {
        auto kept = std::find_if(gauges_.begin(), gauges_.end(), [&p](const std::unique_ptr<GaugeView>& g) {
            return g && g->xml == p.get() && g->placement_id == p->id;
        });
        if (kept != gauges_.end()) {
            views.push_back(std::move(*kept));
            continue;
        }
        auto view = std::make_unique<GaugeView>();
        view->xml = p.get();
        view->placement_id = p->id;
        view->face_w = std::max(1, p->face_w);
        view->face_h = std::max(1, p->face_h);
        views.push_back(std::move(view));
    }
}

Reply LivePanel::click_xml(GaugeView& view, int x, int y, XmlMouse mouse) {
    XmlPlacement& p = *xml_->placement(view.placement_id);
    const std::string where = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    if (mouse == XmlMouse::press && (x < 0 || y < 0 || x >= view.face_w || y >= view.face_h))
        return {422, where + " is outside the face of " + p.name + " (" + std::to_string(view.face_w) + " x " +
                         std::to_string(view.face_h) + ")"};
    if (!xml_->click(p, x, y, mouse)) {
        if (mouse == XmlMouse::press) return {422, where + " hits no click area of " + p.module + "!" + p.name};
        return {};  // the held area does not take a drag or a release: nothing to do
    }
    after_input();
    return {};
}

void LivePanel::frame_gauges() {
    host_->frame_all();
    if (xml_) xml_->frame();
}
