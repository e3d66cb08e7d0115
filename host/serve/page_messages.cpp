// The live page's messages.
#include "host/serve/page_messages.h"

#include <algorithm>
#include <cmath>

#include "host/core/mouse_rects.h"
#include "host/panel/text.h"
#include "host/scenario/scenario.h"
#include "host/serve/panel_adapter.h"
#include "host/serve/tooltips.h"
#include "host/serve/xml_spots.h"
#include "host/sim/panel_windows.h"
#include "host/sim/variables.h"
#include "host/trace/json_writer.h"

namespace {

constexpr size_t kNotesShown = 20;

// A gauge's click spots ([x, y, w, h, cursor, flags]) and tooltips ([x, y, w, h, help
// id, name or null]), in face pixels.
void write_rects(JsonWriter& json, const GaugeHeader& gauge) {
    const auto box = [&json](const MouseRect& rect, int left, int top) {
        json.begin_array().num(left).num(top).num(rect.box_w).num(rect.box_h);
    };
    json.key("spots").begin_array();
    walk_mouse_rects(gauge.mouse_rects, [&](const MouseRect& rect, int, int left, int top) {
        if (rect.kind != MOUSE_CHILD) return false;
        box(rect, left, top);
        json.num(rect.cursor).num(rect.mouse_flags).end_array();
        return false;
    });
    json.end_array().key("helps").begin_array();
    walk_mouse_rects(gauge.mouse_rects, [&](const MouseRect& rect, int, int left, int top) {
        if (!rect.help_id) return false;
        box(rect, left, top);
        json.num(rect.help_id);
        if (const char* text = tooltip_text(rect.help_id))
            json.text(text);
        else if (const char* name = help_name(rect.help_id))
            json.text(name);
        else
            json.raw("null");
        json.end_array();
        return false;
    });
    json.end_array();
}

const PanelWindow* window_of(const PanelConfig& panel, int32_t ident) {
    for (const PanelWindow& w : panel.windows)
        if (window_ident(w) == ident) return &w;
    return nullptr;
}

bool same_parameters(const Placement& p, const PanelGauge& g) {
    if (!p.parameters || !g.parameters) return !p.parameters && !g.parameters;
    return std::string(p.parameters->data()) == *g.parameters;
}

// The line of the panel a placement was placed from: in its window, of its name,
// parameters, position and size, the first not taken by an earlier placement.
const PanelGauge* line_of(const PanelConfig& panel, const Placement& p, std::vector<const PanelGauge*>& taken) {
    for (const PanelWindow& w : panel.windows) {
        if (w.index != p.panel_window) continue;
        for (const PanelGauge& g : w.gauges)
            if (is_module_gauge(g) && g.name == p.name && g.x == p.x && g.y == p.y && g.w == p.w && g.h == p.h &&
                same_parameters(p, g) && std::find(taken.begin(), taken.end(), &g) == taken.end()) {
                taken.push_back(&g);
                return &g;
            }
    }
    return nullptr;
}

// Where a line of the panel.cfg is: its section, key, line, window and NN, its numbers.
void write_line(JsonWriter& json, const PanelWindow& w, const PanelGauge& g) {
    json.utf8("module", g.module)
        .text("section", "Window" + two_digits(w.index))
        .text("key", "gauge" + two_digits(g.index))
        .num("line", g.line)
        .num("index", w.index)
        .num("gauge", g.index)
        .key("u")
        .begin_array()
        .num(g.x)
        .num(g.y)
        .num(g.w)
        .num(g.h)
        .end_array();
}

}  // namespace

std::string layout_message(const PageLayout& page) {
    std::string out;
    JsonWriter json(out);
    json.begin_object()
        .text("type", "layout")
        .num("v", static_cast<int64_t>(page.version))
        .num("width", page.layout.width)
        .num("height", page.layout.height)
        .real("band", WINDOW_TITLE_BAND)
        .text("kind", page.screen ? "screen" : "sheet");
    json.key("screen").begin_array().num(page.screen_size.w).num(page.screen_size.h).end_array();
    json.key("names").begin_array();
    for (const std::string& name : page.gauge_names) json.utf8(name);
    json.end_array();
    json.key("windows").begin_array();
    for (const PanelWindow& w : page.panel.windows) {
        const int32_t ident = window_ident(w);
        const bool open =
            std::find(page.open_windows.begin(), page.open_windows.end(), ident) != page.open_windows.end();
        json.begin_object()
            .num("ident", ident)
            .utf8("title", w.title.empty() ? "Window" + std::to_string(w.index) : w.title)
            .flag("open", open)
            .end_object();
    }
    json.end_array().key("open").begin_array();
    for (size_t i = 0; i < page.views.size() && i < page.layout.areas.size(); ++i) {
        const Rect& a = page.layout.areas[i];
        const PanelWindowView& view = page.views[i];
        json.begin_object()
            .num("ident", view.ident)
            .finite("x", a.x)
            .finite("y", a.y)
            .finite("w", a.w)
            .finite("h", a.h)
            .finite("uw", view.units_w > 0 ? view.units_w : a.w)
            .finite("uh", view.units_h > 0 ? view.units_h : a.h);
        if (const PanelWindow* w = window_of(page.panel, view.ident))
            json.text("section", "Window" + two_digits(w->index)).num("line", w->line).num("index", w->index);
        json.end_object();
    }
    // Other modules' gauges, drawn into their window's picture as placeholders.
    json.end_array().key("others").begin_array();
    for (size_t i = 0; i < page.views.size() && i < page.layout.areas.size(); ++i) {
        const Rect& a = page.layout.areas[i];
        const PanelWindow* w = window_of(page.panel, page.views[i].ident);
        if (!w) continue;
        const double sx = page.views[i].units_w > 0 ? a.w / page.views[i].units_w : 1.0;
        const double sy = page.views[i].units_h > 0 ? a.h / page.views[i].units_h : 1.0;
        for (const PanelGauge& g : w->gauges) {
            if (is_module_gauge(g) || (page.xml && page.xml->placed(w->index, g.index))) continue;
            json.begin_object()
                .utf8("name", g.name)
                .num("window", page.views[i].ident)
                .finite("x", a.x + g.x * sx)
                .finite("y", a.y + g.y * sy)
                .finite("w", g.w > 0 ? g.w * sx : 8)
                .finite("h", g.h > 0 ? g.h * sy : (g.w > 0 ? g.w * sy : 8))
                .utf8("why", "a gauge of " + g.module + ", which serve does not load: drawn as a placeholder");
            write_line(json, *w, g);
            json.end_object();
        }
    }
    json.end_array().key("gauges").begin_array();
    std::vector<const PanelGauge*> taken;
    for (const auto& g : page.gauges) {
        if (!g->shown) continue;
        if (g->xml) {  // another author's XML gauge: its areas' clicks, cursors and tooltips
            json.begin_object();
            write_xml_gauge(json, *g);
            for (const PanelWindow& w : page.panel.windows)
                for (const PanelGauge& line : w.gauges)
                    if (w.index == g->xml->panel_window && line.index == g->xml->gauge_index) write_line(json, w, line);
            json.end_object();
            continue;
        }
        const Placement& p = *g->placement;
        const PanelGauge* line = line_of(page.panel, p, taken);
        json.begin_object()
            .num("id", p.id)
            .text("name", p.name)
            .num("window", p.window)
            .finite("x", g->x)
            .finite("y", g->y)
            .num("w", g->width)
            .num("h", g->height)
            .num("fw", g->face_w)
            .num("fh", g->face_h);
        if (line)
            for (const PanelWindow& w : page.panel.windows)
                if (w.index == p.panel_window) write_line(json, w, *line);
        write_rects(json, *p.gauge);
        json.end_object();
    }
    json.end_array().end_object();
    return out;
}

std::string gauge_message(GaugeView& view, bool whole) {
    if (whole) whole_picture(view);
    // The last change, unless the picture must go whole: raw pixels when it was small,
    // else a PNG of the changed box (whole when the box is the picture).
    const bool raw = !whole && view.patch_raw;
    const bool patch = !whole && (raw || view.whole_stale);
    const bool covers = view.patch.w == view.width && view.patch.h == view.height;
    std::string out;
    JsonWriter json(out);
    json.begin_object()
        .text("type", "gauge")
        .num("id", view.placement_id)
        .num("v", static_cast<int64_t>(view.version))
        .flag("whole", !patch || covers)
        .num("x", patch ? view.patch.x : 0)
        .num("y", patch ? view.patch.y : 0);
    if (raw)
        json.num("w", view.patch.w).num("h", view.patch.h).text("rgba", view.patch_base64);
    else
        json.text("png", patch ? view.patch_base64 : view.png_base64);
    json.end_object();
    return out;
}

std::string window_message(const WindowPicture& picture) {
    std::string out;
    JsonWriter(out)
        .begin_object()
        .text("type", "window")
        .num("ident", picture.view.ident)
        .num("v", static_cast<int64_t>(picture.version))
        .text("png", picture.png_base64)
        .end_object();
    return out;
}

std::string state_message(const PageState& state) {
    std::string out;
    JsonWriter json(out);
    json.begin_object()
        .text("type", "state")
        .flag("playing", state.playing)
        .finite("speed", state.speed)
        .flag("night", state.night)
        .finite("time", std::round(state.time_s * 10) / 10)
        .num("clicks", state.clicks)
        .key("scenario");
    if (!state.scenario)
        json.raw("null");
    else
        json.begin_object()
            .utf8("source", state.scenario_source)
            .num("line", static_cast<int64_t>(state.scenario->lines_read()))
            .num("lines", static_cast<int64_t>(state.scenario->line_count()))
            .flag("done", state.scenario->done())
            .end_object();
    json.key("notes").begin_array();
    const size_t from = state.notes.size() > kNotesShown ? state.notes.size() - kNotesShown : 0;
    for (size_t i = from; i < state.notes.size(); ++i) json.utf8(state.notes[i]);
    json.end_array().end_object();
    return out;
}

std::string vars_message(const std::vector<double>& values) {
    std::string out;
    JsonWriter json(out);
    json.begin_object().text("type", "vars").key("vars").begin_array();
    size_t i = 0;
    for (const TokenInfo* row = token_table(); row->name; ++row, ++i)
        json.begin_object()
            .text("name", row->name)
            .num("token", row->token)
            .text("unit", row->unit_text)
            .text("kind", row->kind == VarKind::U32 ? "u32" : "f64")
            .finite("value", i < values.size() ? values[i] : 0.0)
            .end_object();
    json.end_array().end_object();
    return out;
}

std::string click_message(size_t count, int total) {
    std::string out;
    JsonWriter(out)
        .begin_object()
        .text("type", "click")
        .num("count", static_cast<int64_t>(count))
        .num("total", total)
        .end_object();
    return out;
}
