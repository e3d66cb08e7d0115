// The live page's model: inputs, the flight clock, and what changed for the page.
#include "host/serve/live_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "host/base/input_file.h"
#include "host/render/gauge_painter.h"
#include "host/sim/panel_windows.h"
#include "host/sim/variables.h"
#include "host/trace/json_writer.h"
#include "sdk/ids.h"

namespace {

constexpr uint16_t kClickSoundId = 10;
// Frames between two messages of the variables' values while the flight plays.
constexpr uint64_t kVarsEvery = 6;
// The most flight frames one real frame runs, whatever the speed.
constexpr int kMostFramesPerTick = 16;
constexpr size_t kNotesShown = 20;
// The screen the page stands for, for the windows' background bitmaps (file_1024=).
constexpr int kScreenWidth = 1024;
const std::string kNoGauge;

std::string base64(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t n = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16 |
                           static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8 |
                           static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[n >> 18 & 63];
        out += kDigits[n >> 12 & 63];
        out += kDigits[n >> 6 & 63];
        out += kDigits[n & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t n = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16 |
                           (two ? static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8 : 0u);
        out += kDigits[n >> 18 & 63];
        out += kDigits[n >> 12 & 63];
        out += two ? kDigits[n >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

std::string num(double value) { return std::isfinite(value) ? format_real(value) : "null"; }

// A number as the page sends it: decimal, or hexadecimal after 0x.
bool parse_value(const std::string& text, double& out) {
    if (text.empty() || text.size() > 40) return false;
    char* end = nullptr;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos) return false;
        out = static_cast<double>(std::strtoull(text.c_str() + 2, &end, 16));
    } else {
        out = std::strtod(text.c_str(), &end);
    }
    return end && *end == '\0';
}

const TokenInfo* token_by_name(const std::string& name) {
    for (const TokenInfo* row = token_table(); row->name; ++row)
        if (name == row->name || name == std::to_string(row->token)) return row;
    return nullptr;
}

}  // namespace

struct LivePanel::GaugeView {
    Placement* placement = nullptr;
    int face_w = 0, face_h = 0;  // the face bitmap's pixels (click units)
    int width = 1, height = 1;   // the picture's pixels, as the panel places it
    bool shown = false;          // in an open window
    double x = 0, y = 0;         // where the picture lies in the panel picture
    double sx = 1, sy = 1;       // the window's pixels per unit of gauge position
    std::string rects_json;      // click spots and tooltips, in face pixels
    std::vector<double> drawn;   // the element states the picture shows
    std::string drawn_text;
    std::vector<double> scratch;
    std::string scratch_text;
    bool has_picture = false;
    uint64_t version = 0;
    bool unsent = false;
    std::unique_ptr<CairoCanvas> canvas;
    // What the tabs have: the pixels of the newest version; the last change as a patch
    // (the box of pixels that changed, as a PNG), and the whole picture, made when a new
    // tab needs it.
    std::vector<uint32_t> sent_pixels;
    CairoCanvas::PixelBox patch;
    std::string patch_base64;
    std::string png_base64;
    bool whole_stale = true;
};

struct LivePanel::WindowPicture {
    PanelWindowView view;
    int width = 0, height = 0;  // the content area
    bool night = false;
    bool has_picture = false;
    uint64_t version = 0;
    bool unsent = false;
    std::string png_base64;
};

LivePanel::LivePanel() = default;
LivePanel::~LivePanel() { close(); }

bool LivePanel::open(const LiveOptions& options, Diagnostics& diagnostics) {
    opened_ = options.open_host ? options.open_host(diagnostics)
                                : OpenedHost::open(options.module_path, HostOptions{}, diagnostics);
    if (!opened_) return false;
    host_ = &opened_->host();
    on_host_stopped_ = options.on_host_stopped;
    bitmaps_ = std::make_unique<ModuleBitmaps>(*host_);
    if (!open_panel(*host_, options.panel_path, panel_, diagnostics)) return false;
    backgrounds_ = std::make_unique<PanelBackgrounds>(panel_, kScreenWidth, diagnostics);
    if (!options.scenario_path.empty()) {
        std::string text, error;
        if (!read_input_file(options.scenario_path, SCENARIO_FILE, text, error)) {
            diagnostics.error(options.scenario_path, 0, error);
            return false;
        }
        scenario_source_ = options.scenario_path;
        run_scenario_ = options.run_scenario;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            scenario_lines_.push_back(line);
        }
    }
    click_wav_ = module_resource(*host_, kClickSoundId, "WAVE");
    if (click_wav_.empty()) diagnostics.note("the module has no click sound (WAVE 10): the page stays silent");
    CairoCanvas unused(1, 1);
    GaugePainter sizes(*bitmaps_, unused);
    for (const auto& p : host_->placements()) {
        auto view = std::make_unique<GaugeView>();
        view->placement = p.get();
        sizes.face_size(*p, view->face_w, view->face_h);
        std::string spots, helps;
        std::vector<std::pair<int, int>> open;
        for (const MouseRect* rect = p->gauge->mouse_rects; rect && rect->kind != MOUSE_END; ++rect) {
            const auto base = open.empty() ? std::pair<int, int>{0, 0} : open.back();
            const int left = base.first + rect->box_x, top = base.second + rect->box_y;
            const std::string box = std::to_string(left) + "," + std::to_string(top) + "," +
                                    std::to_string(rect->box_w) + "," + std::to_string(rect->box_h);
            if (rect->kind == MOUSE_PARENT) open.emplace_back(left, top);
            if (rect->kind == MOUSE_PARENT_END && !open.empty()) open.pop_back();
            if ((rect->kind == MOUSE_PARENT || rect->kind == MOUSE_CHILD) && rect->help_id) {
                const char* name = help_name(rect->help_id);
                helps += std::string(helps.empty() ? "" : ",") + "[" + box + "," + std::to_string(rect->help_id) + "," +
                         (name ? json_quote(name) : "null") + "]";
            }
            if (rect->kind == MOUSE_CHILD)
                spots += std::string(spots.empty() ? "" : ",") + "[" + box + "," + std::to_string(rect->cursor) + "," +
                         std::to_string(rect->mouse_flags) + "]";
        }
        view->rects_json = "\"spots\":[" + spots + "],\"helps\":[" + helps + "]";
        gauges_.push_back(std::move(view));
    }
    for (const TokenInfo* row = token_table(); row->name; ++row) var_tokens_.push_back(row->token);
    host_->frame_all();
    plays_seen_ = plays_heard();
    playing_ = scenario_lines_.empty();
    if (!host_stopped().empty()) {
        diagnostics.error(host_stopped());
        return false;
    }
    return true;
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

namespace {

Reply stopped_reply(const std::string& reason) { return {503, "the module's host has stopped: " + reason}; }

}  // namespace

Reply LivePanel::click(int gauge_id, int x, int y) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) return stopped_reply(stopped);
    GaugeView* view = nullptr;
    for (auto& g : gauges_)
        if (g->placement->id == gauge_id) view = g.get();
    if (!view) return {404, "no gauge " + std::to_string(gauge_id) + " on the panel"};
    const std::string& name = view->placement->name;
    if (!view->shown) return {409, name + " is in a closed window"};
    if (x < 0 || y < 0 || x >= view->face_w || y >= view->face_h)
        return {422, "(" + std::to_string(x) + "," + std::to_string(y) + ") is outside the face of " + name + " (" +
                         std::to_string(view->face_w) + " x " + std::to_string(view->face_h) + ")"};
    if (!host_->click(gauge_id, x, y)) {
        take_trace();
        if (const std::string stopped = host_stopped(); !stopped.empty()) return stopped_reply(stopped);
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
        return click(g.placement->id, face_x, face_y);
    }
    return {422, "no gauge at (" + std::to_string(x) + "," + std::to_string(y) + ") of the panel"};
}

Reply LivePanel::set_variable(const std::string& name, const std::string& value) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) return stopped_reply(stopped);
    const TokenInfo* token = token_by_name(name);
    if (!token) return {404, "no variable \"" + name.substr(0, 60) + "\" (the page lists them)"};
    double v = 0;
    if (!parse_value(value, v)) return {400, "\"" + value.substr(0, 40) + "\" is not a number"};
    if (token->kind == VarKind::U32 && !(v >= 0 && v <= 4294967295.0 && std::floor(v) == v))
        return {422, std::string(token->name) + " takes a whole number from 0 to 0xFFFFFFFF"};
    if (token->kind == VarKind::F64 && !(std::fabs(v) <= 1e12))
        return {422, std::string(token->name) + " takes a finite number within 1e12"};
    host_->set_var(token->token, v);
    after_input();
    return {};
}

Reply LivePanel::window(int32_t ident, const std::string& action) {
    if (const std::string stopped = host_stopped(); !stopped.empty()) return stopped_reply(stopped);
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
    if (const std::string stopped = host_stopped(); !stopped.empty()) return stopped_reply(stopped);
    night_ = night;
    return {};
}

Reply LivePanel::flight(const std::string& action, double speed) {
    if (speed != 0.0 && !(speed >= LIVE_MIN_SPEED && speed <= LIVE_MAX_SPEED))
        return {422, "the speed goes from 0.25 to 16"};
    if (action != "play" && action != "pause" && action != "step" && !action.empty())
        return {400, "the flight plays, pauses or steps"};
    if (const std::string stopped = host_stopped(); !stopped.empty() && (action == "play" || action == "step"))
        return stopped_reply(stopped);
    if (speed != 0.0) speed_ = speed;
    if (action == "play") playing_ = true;
    if (action == "pause" || action == "step") playing_ = false;
    if (action == "step") flight_frame();
    owed_frames_ = 0;
    return {};
}

void LivePanel::after_input() {
    vars_due_ = true;
    host_->frame_all();
    take_trace();
}

// ---------------------------------------------------------------------------------------
// The flight clock.

int LivePanel::tick() {
    if (!playing_) return 0;
    owed_frames_ += speed_;
    const int frames = std::min(static_cast<int>(owed_frames_), kMostFramesPerTick);
    owed_frames_ -= std::floor(owed_frames_);
    for (int i = 0; i < frames; ++i) flight_frame();
    return frames;
}

void LivePanel::flight_frame() {
    ++frames_;
    vars_due_ = true;
    if (scenario_next_ < scenario_lines_.size() || scenario_pending_frames_ > 0) return scenario_step();
    host_->advance(LIVE_FRAME_SECONDS);
    host_->frame_all();
}

// Runs scenario lines up to the next frame they ask for, then that frame.
void LivePanel::scenario_step() {
    while (scenario_pending_frames_ == 0 && scenario_next_ < scenario_lines_.size()) {
        const std::string& line = scenario_lines_[scenario_next_++];
        const int number = static_cast<int>(scenario_next_);
        std::istringstream words(line);
        std::string command, count, extra;
        words >> command >> count >> extra;
        if (command.empty() || command[0] == '#') continue;
        const std::string where = scenario_source_ + ":" + std::to_string(number) + ": ";
        if (command == "frame") {
            char* end = nullptr;
            const long n = count.empty() ? 1 : std::strtol(count.c_str(), &end, 10);
            if (!extra.empty() || (end && *end) || n < 0 || n > 10000000) {
                notes_.push_back(where + "frame takes an optional count");
                continue;
            }
            scenario_pending_frames_ = static_cast<int>(n);
        } else if (command == "panel" || command == "render" || command == "sleep") {
            notes_.push_back(where + command + " passed over (the page shows the served panel, live)");
        } else {
            for (auto& message : run_scenario_line(run_scenario_, *host_, line, number, scenario_source_))
                notes_.push_back(std::move(message));
        }
    }
    if (scenario_pending_frames_ > 0) --scenario_pending_frames_;
    host_->advance(LIVE_FRAME_SECONDS);
    host_->frame_all();
}

// ---------------------------------------------------------------------------------------
// What changed.

// 1 + the index in gauges_ of the gauge of this name, 0 for none; guess first.
uint16_t LivePanel::gauge_number(std::string_view name, uint16_t guess) const {
    if (guess > 0 && guess <= gauges_.size() && gauges_[guess - 1]->placement->name == name) return guess;
    for (size_t i = 0; i < gauges_.size(); ++i)
        if (gauges_[i]->placement->name == name) return static_cast<uint16_t>(i + 1);
    return 0;
}

void LivePanel::take_trace() {
    KeptBatch batch;
    if (!spare_batches_.empty()) {
        batch = std::move(spare_batches_.back());
        spare_batches_.pop_back();
    }
    host_->take_trace(batch.entries);  // the host records into the emptied one next
    if (batch.entries.size() == 0) {
        spare_batches_.push_back(std::move(batch));
        return;
    }
    batch.first_seq = trace_seq_ + 1;
    batch.gauge.clear();
    // An entry naming a gauge belongs to it, and so do the calls after it (what the
    // gauge's callback did) up to the next entry naming one.
    uint16_t current = 0;
    for (size_t i = 0; i < batch.entries.size(); ++i) {
        const std::string_view gauge = batch.entries.gauge(i);
        if (!gauge.empty()) current = gauge_number(gauge, current);
        batch.gauge.push_back(current);
    }
    trace_seq_ += batch.entries.size();
    trace_kept_ += batch.entries.size();
    trace_.push_back(std::move(batch));
    while (trace_kept_ - trace_.front().entries.size() >= LIVE_TRACE_KEPT) {
        trace_kept_ -= trace_.front().entries.size();
        spare_batches_.push_back(std::move(trace_.front()));
        trace_.pop_front();
    }
}

void LivePanel::lay_out() {
    views_ = open_window_views(*host_, panel_, *bitmaps_, *backgrounds_);
    layout_ = lay_out_panel(views_, *bitmaps_);
    for (auto& g : gauges_) g->shown = false;
    std::map<int32_t, std::unique_ptr<WindowPicture>> pictures;
    for (size_t i = 0; i < views_.size() && i < layout_.areas.size(); ++i) {
        const Rect& area = layout_.areas[i];
        const double sx = views_[i].units_w > 0 ? area.w / views_[i].units_w : 1.0;
        const double sy = views_[i].units_h > 0 ? area.h / views_[i].units_h : 1.0;
        for (const Placement* p : views_[i].gauges)
            for (auto& g : gauges_)
                if (g->placement == p) place_view(*g, area.x + p->x * sx, area.y + p->y * sy, sx, sy);
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

void LivePanel::place_view(GaugeView& view, double x, double y, double sx, double sy) {
    const Placement& p = *view.placement;
    const double scale = p.w > 0 && view.face_w > 0 ? static_cast<double>(p.w) / view.face_w : 1.0;
    const double units_w = p.w > 0 ? p.w : view.face_w;
    const double units_h = p.h > 0 ? p.h : view.face_h * scale;
    const int width = std::max(1, static_cast<int>(std::ceil(units_w * sx)));
    const int height = std::max(1, static_cast<int>(std::ceil(units_h * sy)));
    if (width != view.width || height != view.height || sx != view.sx || sy != view.sy) {
        // A new size: the picture is drawn again, and travels whole.
        view.canvas.reset();
        view.sent_pixels.clear();
        view.has_picture = false;
    }
    view.shown = true;
    view.x = x;
    view.y = y;
    view.sx = sx;
    view.sy = sy;
    view.width = width;
    view.height = height;
}

bool LivePanel::gauge_changed(GaugeView& view) {
    view.scratch.clear();
    view.scratch_text.clear();
    view.scratch.push_back(night_ ? 1.0 : 0.0);
    for (const ElementState& state : view.placement->elements) {
        const ElementHeader& e = *state.element;
        view.scratch.insert(view.scratch.end(), {static_cast<double>(e.kind), static_cast<double>(e.bitmap_id),
                                                 static_cast<double>(e.image_flags), state.value, state.value_x,
                                                 state.value_y, state.angle});
        view.scratch_text += state.text;
        view.scratch_text += '\x1f';
    }
    const bool same = view.has_picture && view.scratch.size() == view.drawn.size() &&
                      std::memcmp(view.scratch.data(), view.drawn.data(), view.drawn.size() * sizeof(double)) == 0 &&
                      view.scratch_text == view.drawn_text;
    if (same) return false;
    view.drawn.swap(view.scratch);
    view.drawn_text.swap(view.scratch_text);
    return true;
}

namespace {

// The smallest box holding every pixel of the canvas that differs from before (the
// canvas's size); the whole canvas when before is not that size, empty when none differ.
CairoCanvas::PixelBox changed_box(CairoCanvas& canvas, const std::vector<uint32_t>& before) {
    const int w = canvas.width(), h = canvas.height();
    if (before.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return {0, 0, w, h};
    int left = w, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const uint32_t* now = canvas.row(y);
        const uint32_t* then = before.data() + static_cast<ptrdiff_t>(y) * w;
        if (std::memcmp(now, then, static_cast<size_t>(w) * sizeof(uint32_t)) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        int x0 = 0, x1 = w - 1;
        while (now[x0] == then[x0]) ++x0;
        while (now[x1] == then[x1]) --x1;
        left = std::min(left, x0);
        right = std::max(right, x1);
    }
    if (top < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace

void LivePanel::draw_gauge(GaugeView& view) {
    if (!view.canvas) view.canvas = std::make_unique<CairoCanvas>(view.width, view.height, CairoCanvas::Transparent{});
    CairoCanvas& canvas = *view.canvas;
    canvas.clear_to_transparent();
    GaugePainter painter(*bitmaps_, canvas, {.night = night_});
    painter.paint(*view.placement, 0, 0, view.sx, view.sy);
    view.has_picture = true;
    const CairoCanvas::PixelBox box = changed_box(canvas, view.sent_pixels);
    if (box.w == 0) return;  // new element states, the same pixels: nothing to send
    const int w = canvas.width(), h = canvas.height();
    view.sent_pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(view.sent_pixels.data() + static_cast<ptrdiff_t>(y) * w, canvas.row(y),
                    static_cast<size_t>(w) * sizeof(uint32_t));
    std::string png;
    canvas.encode_png(png, 1, box);
    view.patch = box;
    view.patch_base64 = base64(png);
    view.whole_stale = box.w != w || box.h != h;
    if (!view.whole_stale) view.png_base64 = view.patch_base64;
    ++view.version;
    view.unsent = true;
}

void LivePanel::draw_window(WindowPicture& picture) {
    const int band = static_cast<int>(WINDOW_TITLE_BAND);
    CairoCanvas canvas(picture.width, picture.height + band);
    // The window as render draws it (title, background, other modules' placeholders),
    // without the gauges: those lie over it, each a picture of its own.
    PanelWindowView bare = picture.view;
    bare.gauges.clear();
    PanelLayout alone;
    alone.width = picture.width;
    alone.height = picture.height + band;
    alone.areas = {{0, WINDOW_TITLE_BAND, static_cast<double>(picture.width), static_cast<double>(picture.height)}};
    alone.order = {0};
    paint_panel({bare}, alone, *bitmaps_, canvas, {.night = night_});
    std::string png;
    canvas.encode_png(png);
    picture.png_base64 = base64(png);
    picture.night = night_;
    picture.has_picture = true;
    ++picture.version;
    picture.unsent = true;
}

void LivePanel::collect(std::vector<PageMessage>& out) {
    take_trace();
    const std::vector<std::string> faults = host_->errors();
    for (; faults_seen_ < faults.size(); ++faults_seen_) notes_.push_back("module fault: " + faults[faults_seen_]);
    notice_stop();
    const size_t plays = plays_heard();
    if (plays > plays_seen_) {
        clicks_heard_ += static_cast<int>(plays - plays_seen_);
        out.push_back({"", "{\"type\":\"click\",\"count\":" + std::to_string(plays - plays_seen_) +
                               ",\"total\":" + std::to_string(clicks_heard_) + "}"});
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
        if (!picture->has_picture || picture->night != night_) draw_window(*picture);
        if (picture->unsent)
            out.push_back({"w:" + std::to_string(ident), window_json(*picture)}), picture->unsent = false;
    }
    for (auto& g : gauges_) {
        if (!g->shown) continue;
        if (gauge_changed(*g)) draw_gauge(*g);
        if (g->unsent)
            out.push_back({"g:" + std::to_string(g->placement->id), gauge_json(*g, false)}), g->unsent = false;
    }
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
        out.push_back({"w:" + std::to_string(ident), window_json(*picture)});
    for (auto& g : gauges_)
        if (g->shown && g->version > 0) out.push_back({"g:" + std::to_string(g->placement->id), gauge_json(*g, true)});
    out.push_back({"state", last_state_});
    out.push_back({"vars", host_stopped().empty() || last_vars_.empty() ? vars_json() : last_vars_});
}

std::vector<TraceLine> LivePanel::trace_after(uint64_t seq, const std::string& gauge, size_t limit) const {
    std::vector<TraceLine> found;
    for (auto batch = trace_.rbegin(); batch != trace_.rend() && found.size() < limit; ++batch) {
        for (size_t i = batch->entries.size(); i-- > 0 && found.size() < limit;) {
            const uint64_t number = batch->first_seq + i;
            if (number <= seq) return std::vector<TraceLine>(found.rbegin(), found.rend());
            const uint16_t owner = batch->gauge[i];
            const std::string& name = owner ? gauges_[owner - 1]->placement->name : kNoGauge;
            if (!gauge.empty() && name != gauge) continue;
            found.push_back({number, name, batch->entries.line(i)});
        }
    }
    return std::vector<TraceLine>(found.rbegin(), found.rend());
}

int LivePanel::close() {
    if (!opened_) return 0;
    // A stopped far side killed nothing: its process was ended with the gauges in it.
    const int gauges = host_stopped().empty() ? static_cast<int>(host_->placements().size()) : 0;
    for (auto& g : gauges_) g->canvas.reset();
    gauges_.clear();
    host_ = nullptr;
    opened_.reset();  // removes every placement: each gauge's kill is called; a far side is told to quit
    return gauges;
}

// ---------------------------------------------------------------------------------------
// Messages.

std::string LivePanel::layout_json() const {
    std::string json = "{\"type\":\"layout\",\"v\":" + std::to_string(layout_version_) +
                       ",\"width\":" + std::to_string(layout_.width) + ",\"height\":" + std::to_string(layout_.height) +
                       ",\"band\":" + num(WINDOW_TITLE_BAND) + ",\"windows\":[";
    for (size_t i = 0; i < panel_.windows.size(); ++i) {
        const PanelWindow& w = panel_.windows[i];
        const int32_t ident = window_ident(w);
        json +=
            std::string(i ? "," : "") + "{\"ident\":" + std::to_string(ident) +
            ",\"title\":" + json_quote(w.title.empty() ? "Window" + std::to_string(w.index) : w.title) + ",\"open\":" +
            (std::find(open_windows_.begin(), open_windows_.end(), ident) != open_windows_.end() ? "true" : "false") +
            "}";
    }
    json += "],\"open\":[";
    for (size_t i = 0; i < views_.size() && i < layout_.areas.size(); ++i) {
        const Rect& a = layout_.areas[i];
        json += std::string(i ? "," : "") + "{\"ident\":" + std::to_string(views_[i].ident) + ",\"x\":" + num(a.x) +
                ",\"y\":" + num(a.y) + ",\"w\":" + num(a.w) + ",\"h\":" + num(a.h) + "}";
    }
    json += "],\"gauges\":[";
    bool first = true;
    for (const auto& g : gauges_) {
        if (!g->shown) continue;
        const Placement& p = *g->placement;
        json += std::string(first ? "" : ",") + "{\"id\":" + std::to_string(p.id) + ",\"name\":" + json_quote(p.name) +
                ",\"window\":" + std::to_string(p.window) + ",\"x\":" + num(g->x) + ",\"y\":" + num(g->y) +
                ",\"w\":" + std::to_string(g->width) + ",\"h\":" + std::to_string(g->height) +
                ",\"fw\":" + std::to_string(g->face_w) + ",\"fh\":" + std::to_string(g->face_h) + "," + g->rects_json +
                "}";
        first = false;
    }
    return json + "]}";
}

std::string LivePanel::gauge_json(GaugeView& view, bool whole) {
    if (whole && view.whole_stale) {
        std::string png;
        view.canvas->encode_png(png, 1);
        view.png_base64 = base64(png);
        view.whole_stale = false;
    }
    const bool patch = !whole && view.whole_stale;
    return "{\"type\":\"gauge\",\"id\":" + std::to_string(view.placement->id) +
           ",\"v\":" + std::to_string(view.version) + ",\"whole\":" + (patch ? "false" : "true") +
           ",\"x\":" + std::to_string(patch ? view.patch.x : 0) + ",\"y\":" + std::to_string(patch ? view.patch.y : 0) +
           ",\"png\":\"" + (patch ? view.patch_base64 : view.png_base64) + "\"}";
}

std::string LivePanel::window_json(const WindowPicture& picture) const {
    return "{\"type\":\"window\",\"ident\":" + std::to_string(picture.view.ident) +
           ",\"v\":" + std::to_string(picture.version) + ",\"png\":\"" + picture.png_base64 + "\"}";
}

std::string LivePanel::state_json() const {
    std::string json = std::string("{\"type\":\"state\",\"playing\":") + (playing_ ? "true" : "false") +
                       ",\"speed\":" + num(speed_) + ",\"night\":" + (night_ ? "true" : "false") +
                       ",\"time\":" + num(std::round(clock_s_ * 10) / 10) +
                       ",\"clicks\":" + std::to_string(clicks_heard_) + ",\"scenario\":";
    if (scenario_source_.empty())
        json += "null";
    else
        json += "{\"source\":" + json_quote(scenario_source_) + ",\"line\":" + std::to_string(scenario_next_) +
                ",\"lines\":" + std::to_string(scenario_lines_.size()) + ",\"done\":" +
                (scenario_next_ >= scenario_lines_.size() && scenario_pending_frames_ == 0 ? "true" : "false") + "}";
    json += ",\"notes\":[";
    const size_t from = notes_.size() > kNotesShown ? notes_.size() - kNotesShown : 0;
    for (size_t i = from; i < notes_.size(); ++i) json += std::string(i > from ? "," : "") + json_quote(notes_[i]);
    return json + "]}";
}

std::string LivePanel::vars_json() const {
    std::string json = "{\"type\":\"vars\",\"vars\":[";
    const std::vector<double> values = host_->var_numbers(var_tokens_);
    size_t i = 0;
    bool first = true;
    for (const TokenInfo* row = token_table(); row->name; ++row, ++i) {
        const double value = i < values.size() ? values[i] : 0.0;
        json += std::string(first ? "" : ",") + "{\"name\":" + json_quote(row->name) +
                ",\"token\":" + std::to_string(row->token) + ",\"unit\":" + json_quote(row->unit) + ",\"kind\":\"" +
                (row->kind == VarKind::U32 ? "u32" : "f64") + "\",\"value\":" + num(value) + "}";
        first = false;
    }
    return json + "]}";
}
