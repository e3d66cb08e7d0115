// The live page's model: opening and reloading the panel, inputs, and what changed for
// the page (the flight clock is in live_clock.cpp, the XML gauges in live_xml.cpp).
#include "host/serve/live_panel.h"

#include <algorithm>
#include <cmath>

#include "host/base/input_file.h"
#include "host/render/gauge_painter.h"
#include "host/serve/page_messages.h"
#include "host/sim/panel_windows.h"
#include "host/sim/variables.h"
#include "sdk/ids.h"

namespace {

constexpr uint16_t kClickSoundId = 10;
// Frames between two messages of the variables' values while the flight plays.
constexpr uint64_t kVarsEvery = 6;

}  // namespace

LivePanel::LivePanel() = default;
LivePanel::~LivePanel() { close(); }

bool LivePanel::open(const LiveOptions& options, Diagnostics& diagnostics) {
    opened_ = options.open_host ? options.open_host(diagnostics)
                                : OpenedHost::open(options.module_path, HostOptions{}, diagnostics);
    if (!opened_) return false;
    host_ = &opened_->host();
    on_host_stopped_ = options.on_host_stopped;
    panel_path_ = options.panel_path;
    screen_layout_ = options.screen_layout;
    screen_ = options.screen;
    bitmaps_ = std::make_unique<ModuleBitmaps>(*host_);
    if (!open_panel(*host_, options.panel_path, panel_, diagnostics)) return false;
    gauge_folders_ = options.gauge_folders;
    place_xml(diagnostics);
    backgrounds_ = std::make_unique<PanelBackgrounds>(panel_, screen_.w, diagnostics);
    if (!options.scenario_path.empty()) {
        std::string text, error;
        if (!read_input_file(options.scenario_path, SCENARIO_FILE, text, error)) {
            diagnostics.error(options.scenario_path, 0, error);
            return false;
        }
        scenario_source_ = options.scenario_path;
        ScenarioHooks hooks;
        hooks.live_page = true;
        hooks.others = scenario_xml_gauges();
        scenario_ = std::make_unique<Scenario>(*host_, text, scenario_source_, hooks);
    }
    click_wav_ = module_resource(*host_, kClickSoundId, "WAVE");
    if (click_wav_.empty()) diagnostics.note("the module has no click sound (WAVE 10): the page stays silent");
    make_views();
    gauge_names_ = host_->gauge_names();
    for (const TokenInfo* row = token_table(); row->name; ++row) var_tokens_.push_back(row->token);
    frame_gauges();
    plays_seen_ = plays_heard();
    playing_ = !scenario_ || scenario_->done();
    if (!host_stopped().empty()) {
        diagnostics.error(host_stopped());
        return false;
    }
    return true;
}

// A view for every placement, in the host's order: the ones it had are kept (their
// pictures and versions with them), new placements get new ones.
void LivePanel::make_views() {
    CairoCanvas unused(1, 1);
    GaugePainter sizes(*bitmaps_, unused);
    std::vector<std::unique_ptr<GaugeView>> views;
    std::vector<std::string> names;
    for (const auto& p : host_->placements()) {
        auto kept = std::find_if(gauges_.begin(), gauges_.end(), [&p](const std::unique_ptr<GaugeView>& g) {
            return g && g->placement == p.get() && g->placement_id == p->id;
        });
        if (kept != gauges_.end()) {
            views.push_back(std::move(*kept));
            continue;
        }
        auto view = std::make_unique<GaugeView>();
        view->placement = p.get();
        view->placement_id = p->id;
        sizes.face_size(*p, view->face_w, view->face_h);
        names.push_back(p->name);
        views.push_back(std::move(view));
    }
    add_xml_views(views);
    gauges_ = std::move(views);
    trace_.add_gauges(names);
}

bool LivePanel::reload(Diagnostics& diagnostics) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) {
        diagnostics.error("the module's host has stopped: " + stopped);
        return false;
    }
    Diagnostics read;
    PanelConfig next = read_panel_config(panel_path_, read);
    if (read.ok() && next.windows.empty()) read.error(panel_path_, 0, "no 2D panel window: the last panel stays");
    diagnostics.merge(read);
    if (!read.ok()) return false;
    Diagnostics placing;
    replace_panel(*host_, panel_, next, placing);
    diagnostics.merge(placing);
    // Views of placements that went are dropped by make_views; a removed placement's
    // memory may hold a new one, which the id tells apart. The XML gauges are all placed
    // anew, with new views.
    std::erase_if(gauges_, [this](const std::unique_ptr<GaugeView>& g) {
        return g->xml || host_->placement(g->placement_id) != g->placement;
    });
    panel_ = std::move(next);
    place_xml(diagnostics);
    backgrounds_ = std::make_unique<PanelBackgrounds>(panel_, screen_.w, diagnostics);
    make_views();
    for (auto& [ident, picture] : window_pictures_) picture->has_picture = false;
    frame_gauges();
    take_trace();
    lay_out();
    return true;
}

Reply LivePanel::set_layout(const std::string& kind) {
    if (kind != "sheet" && kind != "screen") return {400, "the layout is sheet or screen"};
    if (screen_layout_ == (kind == "screen")) return {};
    screen_layout_ = kind == "screen";
    for (auto& [ident, picture] : window_pictures_) picture->has_picture = false;
    lay_out();
    return {};
}

void LivePanel::set_message(const std::string& key, std::string json) {
    messages_[key] = std::move(json);
    if (std::find(messages_unsent_.begin(), messages_unsent_.end(), key) == messages_unsent_.end())
        messages_unsent_.push_back(key);
}

std::string LivePanel::host_stopped() const {
    return opened_ && opened_->remote() ? opened_->remote()->broken() : std::string();
}

size_t LivePanel::plays_heard() const {
    return opened_ && opened_->remote() ? opened_->remote()->sound_plays().size() : sound_plays();
}

// Once the host in another process is found stopped: the flight stops with it, and
// the caller is told.
void LivePanel::notice_stop() {
    if (stop_noticed_ || host_stopped().empty()) return;
    stop_noticed_ = true;
    playing_ = false;
    if (on_host_stopped_) on_host_stopped_(host_stopped());
}

// ---------------------------------------------------------------------------------------
// Inputs.

Reply LivePanel::click(int gauge_id, int x, int y, XmlMouse mouse) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) return host_stopped_reply(stopped);
    GaugeView* view = nullptr;
    for (auto& g : gauges_)
        if (g->placement_id == gauge_id) view = g.get();
    if (!view) return {404, "no gauge " + std::to_string(gauge_id) + " on the panel"};
    const std::string& name = view->xml ? view->xml->name : view->placement->name;
    if (!view->shown) return {409, name + " is in a closed window"};
    if (view->xml) return click_xml(*view, x, y, mouse);
    if (mouse != XmlMouse::press) return {422, name + " takes presses only"};
    if (x < 0 || y < 0 || x >= view->face_w || y >= view->face_h)
        return {422, "(" + std::to_string(x) + "," + std::to_string(y) + ") is outside the face of " + name + " (" +
                         std::to_string(view->face_w) + " x " + std::to_string(view->face_h) + ")"};
    if (!host_->click(gauge_id, x, y)) {
        take_trace();
        if (const std::string stopped = host_stopped(); !stopped.empty()) return host_stopped_reply(stopped);
        return {422, "(" + std::to_string(x) + "," + std::to_string(y) + ") hits no click area of " + name};
    }
    after_input();
    return {};
}

Reply LivePanel::click_at(int x, int y) {
    for (auto it = gauges_.rbegin(); it != gauges_.rend(); ++it) {
        const GaugeView& g = **it;
        if (!g.shown || x < g.x || y < g.y || x >= g.x + g.width || y >= g.y + g.height) continue;
        const int face_x = static_cast<int>(std::floor((x - g.x) * g.face_w / g.width));
        const int face_y = static_cast<int>(std::floor((y - g.y) * g.face_h / g.height));
        return click(g.placement_id, face_x, face_y);
    }
    return {422, "no gauge at (" + std::to_string(x) + "," + std::to_string(y) + ") of the panel"};
}

// Read as --set reads a setting: the same tokens, numbers, ranges and words.
Reply LivePanel::set_variable(const std::string& name, const std::string& value) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) return host_stopped_reply(stopped);
    const TokenSetting setting = read_token_setting(name, value);
    switch (setting.fault) {
        case TokenSetting::Fault::none: break;
        case TokenSetting::Fault::unknown_token: return {404, setting.problem};
        case TokenSetting::Fault::not_a_number: return {400, setting.problem};
        case TokenSetting::Fault::out_of_range: return {422, setting.problem};
    }
    host_->set_var(setting.token->token, setting.value);
    after_input();
    return {};
}

Reply LivePanel::window(int32_t ident, const std::string& action) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) return host_stopped_reply(stopped);
    const bool known = std::any_of(panel_.windows.begin(), panel_.windows.end(),
                                   [ident](const PanelWindow& w) { return window_ident(w) == ident; });
    if (!known) return {404, "the panel has no window " + std::to_string(ident)};
    if (action == "open")
        host_->host_event(EVENT_PANEL_WINDOW_OPEN, static_cast<uint32_t>(ident));
    else if (action == "close")
        host_->host_event(EVENT_PANEL_WINDOW_CLOSE, static_cast<uint32_t>(ident));
    else if (action == "toggle")
        host_->host_event(EVENT_PANEL_WINDOW_TOGGLE, static_cast<uint32_t>(ident));
    else
        return {400, "a window is opened, closed or toggled"};
    after_input();
    return {};
}

Reply LivePanel::set_night(bool night) {
    // The pictures cannot be drawn again in the other light once the host has stopped.
    if (const std::string stopped = host_stopped(); !stopped.empty()) return host_stopped_reply(stopped);
    night_ = night;
    return {};
}

void LivePanel::after_input() {
    vars_due_ = true;
    frame_gauges();
    take_trace();
}

// ---------------------------------------------------------------------------------------
// What changed.

void LivePanel::take_trace() { trace_.take(*host_); }

void LivePanel::lay_out() {
    views_ = open_window_views(*host_, panel_, *bitmaps_, *backgrounds_, screen_, xml_.get());
    layout_ = screen_layout_ ? lay_out_screen(views_, screen_) : lay_out_panel(views_, *bitmaps_);
    for (auto& g : gauges_) g->shown = false;
    std::map<int32_t, std::unique_ptr<WindowPicture>> pictures;
    for (size_t i = 0; i < views_.size() && i < layout_.areas.size(); ++i) {
        const Rect& area = layout_.areas[i];
        const double sx = views_[i].units_w > 0 ? area.w / views_[i].units_w : 1.0;
        const double sy = views_[i].units_h > 0 ? area.h / views_[i].units_h : 1.0;
        for (const Placement* p : views_[i].gauges)
            for (auto& g : gauges_)
                if (g->placement == p) place_view(*g, area.x + p->x * sx, area.y + p->y * sy, sx, sy);
        for (const XmlPlacement* p : views_[i].xml_gauges)
            for (auto& g : gauges_)
                if (g->xml == p) place_view(*g, area.x + p->x * sx, area.y + p->y * sy, sx, sy);
        auto& picture = pictures[views_[i].ident];
        auto old = window_pictures_.find(views_[i].ident);
        picture = old != window_pictures_.end() ? std::move(old->second) : std::make_unique<WindowPicture>();
        picture->view = views_[i];
        const int w = static_cast<int>(area.w), h = static_cast<int>(area.h);
        if (picture->width != w || picture->height != h) picture->has_picture = false;
        picture->width = w;
        picture->height = h;
    }
    window_pictures_ = std::move(pictures);
    ++layout_version_;
    layout_dirty_ = true;
}

void LivePanel::collect(std::vector<PageMessage>& out) {
    take_trace();
    report_module_faults(*host_, faults_seen_, [this](std::string fault) { notes_.push_back(std::move(fault)); });
    for (; xml_problems_seen_ < xml_->problems().size(); ++xml_problems_seen_)
        notes_.push_back(xml_->problems()[xml_problems_seen_]);
    notice_stop();
    const size_t plays = plays_heard();
    if (plays > plays_seen_) {
        clicks_heard_ += static_cast<int>(plays - plays_seen_);
        out.push_back({"", click_message(plays - plays_seen_, clicks_heard_)});
        plays_seen_ = plays;
    }
    // A stopped host answers nothing: the page keeps the windows, clock and values it had.
    const bool serving = host_stopped().empty();
    std::vector<int32_t> open = open_windows_;
    if (serving) {
        std::vector<int32_t> idents;
        for (const PanelWindow& w : panel_.windows) idents.push_back(window_ident(w));
        const std::vector<bool> is_open = host_->windows_open(idents);
        open.clear();
        for (size_t i = 0; i < idents.size() && i < is_open.size(); ++i)
            if (is_open[i]) open.push_back(idents[i]);
        clock_s_ = host_->time_s();
    }
    if (open != open_windows_ || views_.empty()) {
        open_windows_ = open;
        lay_out();
    }
    if (layout_dirty_) {
        out.push_back({"layout", layout_json()});
        layout_dirty_ = false;
    }
    for (auto& [ident, picture] : window_pictures_) {
        if (!picture->has_picture || picture->night != night_) draw_window(*picture, *bitmaps_, night_);
        if (picture->unsent)
            out.push_back({"w:" + std::to_string(ident), window_message(*picture)}), picture->unsent = false;
    }
    for (auto& g : gauges_) {
        if (!g->shown) continue;
        if (gauge_changed(*g, night_)) draw_gauge(*g, *bitmaps_, night_);
        if (g->unsent)
            out.push_back({"g:" + std::to_string(g->placement_id), gauge_message(*g, false)}), g->unsent = false;
    }
    for (const std::string& key : messages_unsent_) out.push_back({key, messages_[key]});
    messages_unsent_.clear();
    std::string state = state_json();
    if (state != last_state_) {
        out.push_back({"state", state});
        last_state_ = std::move(state);
    }
    if (serving && vars_due_ && (!playing_ || frames_ % kVarsEvery == 0)) {
        vars_due_ = false;
        std::string vars = vars_json();
        if (vars != last_vars_) {
            out.push_back({"vars", vars});
            last_vars_ = std::move(vars);
        }
    }
}

void LivePanel::snapshot(std::vector<PageMessage>& out) {
    std::vector<PageMessage> changes;
    collect(changes);  // brings every picture up to date first
    for (auto& m : changes)
        if (m.key.empty()) out.push_back(std::move(m));  // clicks: news for the other tabs too
    out.push_back({"layout", layout_json()});
    for (auto& [ident, picture] : window_pictures_)
        out.push_back({"w:" + std::to_string(ident), window_message(*picture)});
    for (auto& g : gauges_)
        if (g->shown && g->version > 0)
            out.push_back({"g:" + std::to_string(g->placement_id), gauge_message(*g, true)});
    for (const auto& [key, json] : messages_) out.push_back({key, json});
    out.push_back({"state", last_state_});
    out.push_back({"vars", host_stopped().empty() || last_vars_.empty() ? vars_json() : last_vars_});
}

int LivePanel::close() {
    if (!opened_) return 0;
    // A stopped far side killed nothing: its process was ended with the gauges in it.
    const int gauges = host_stopped().empty() ? static_cast<int>(host_->placements().size()) : 0;
    for (auto& g : gauges_) g->canvas.reset();
    gauges_.clear();
    scenario_.reset();
    host_ = nullptr;
    opened_.reset();  // removes every placement: each gauge's kill is called; a far side is told to quit
    return gauges;
}

std::string LivePanel::layout_json() const {
    return layout_message({layout_version_, panel_, layout_, views_, open_windows_, gauges_, screen_layout_, screen_,
                           gauge_names_, xml_.get()});
}

std::string LivePanel::state_json() const {
    return state_message(
        {playing_, speed_, night_, clock_s_, clicks_heard_, scenario_.get(), scenario_source_, notes_});
}

std::string LivePanel::vars_json() const { return vars_message(host_->var_numbers(var_tokens_)); }
