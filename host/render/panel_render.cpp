// Choosing the windows of a panel, making their views and drawing them into a PNG file.
#include "host/render/panel_render.h"

#include <algorithm>
#include <memory>

#include "host/core/gauge_host.h"
#include "host/panel/text.h"
#include "host/render/cairo_canvas.h"
#include "host/render/module_bitmaps.h"

namespace {

Size face_of(const Placement& p, BitmapSource& faces) {
    const Bitmap* face = p.elements.empty() ? nullptr : faces.find(p.elements.front().element->bitmap_id);
    return face ? Size{face->width, face->height} : Size{};
}

bool names_window(const PanelWindow& window, const std::string& name) {
    const std::string wanted = lower(trim(name));
    int number = 0;
    if (parse_int(wanted, number)) return window.ident && *window.ident == number;
    const auto known = known_window_ident(wanted);
    if (known) return window.ident && *window.ident == *known;
    const std::string number_name = (window.index < 10 ? "window0" : "window") + std::to_string(window.index);
    return wanted == lower(window.title) || wanted == lower(window.ident_name) || wanted == number_name;
}

PanelWindowView window_view(GaugeHost& host, const PanelWindow& window, BitmapSource& faces,
                            const PanelBackgrounds* backgrounds, const PictureOptions& options) {
    PanelWindowView view;
    view.ident = window_ident(window);
    view.title = window_label(window);
    view.zorder = window.zorder;
    if (window.background_color) view.background = *window.background_color;
    view.bitmap = backgrounds ? backgrounds->find(window.index) : nullptr;
    Size extent;
    for (const auto& p : host.placements()) {
        if (p->window != view.ident || (p->panel_window >= 0 && p->panel_window != window.index)) continue;
        view.gauges.push_back(p.get());
        extend(extent, p->x, p->y, gauge_box(p->w, p->h, face_of(*p, faces)));
    }
    if (options.xml)
        for (const auto& p : options.xml->placements()) {
            if (p->panel_window != window.index) continue;
            view.xml_gauges.push_back(p.get());
            extend(extent, p->x, p->y, gauge_box(p->w, p->h, Size{p->face_w, p->face_h}));
        }
    for (const PanelGauge& gauge : window.gauges) {
        if (is_module_gauge(gauge) || (options.xml && options.xml->placed(window.index, gauge.index))) continue;
        view.placeholders.push_back({gauge.module + "!" + gauge.name, gauge.x, gauge.y, gauge.w, gauge.h});
        extend(extent, gauge.x, gauge.y, {gauge.w, gauge.h > 0 ? gauge.h : gauge.w});
    }
    const Size bitmap = view.bitmap ? Size{view.bitmap->width, view.bitmap->height} : Size{};
    const WindowGeometry geometry = window_geometry(window, bitmap, extent);
    view.width = geometry.pixel_w;
    view.height = geometry.pixel_h;
    view.units_w = geometry.units_w;
    view.units_h = geometry.units_h;
    view.screen = screen_rect(window, geometry, options.screen);
    return view;
}

}  // namespace

bool choose_windows(GaugeHost& host, const PanelConfig& panel, const WindowChoice& choice,
                    std::vector<const PanelWindow*>& chosen, std::string& error) {
    chosen.clear();
    if (choice.kind != WindowChoice::Kind::list) {
        for (const PanelWindow& window : panel.windows)
            if (choice.kind == WindowChoice::Kind::all || host.window_open(window_ident(window)))
                chosen.push_back(&window);
        return true;
    }
    for (const std::string& name : choice.names) {
        bool found = false;
        for (const PanelWindow& window : panel.windows) {
            if (!names_window(window, name)) continue;
            found = true;
            if (std::find(chosen.begin(), chosen.end(), &window) == chosen.end()) chosen.push_back(&window);
        }
        if (!found) return error = "--windows: no window \"" + name + "\" in " + panel.source, false;
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const PanelWindow* a, const PanelWindow* b) { return a->index < b->index; });
    return true;
}

std::vector<PanelWindowView> panel_views(GaugeHost& host, const PanelConfig* panel, BitmapSource& faces,
                                         const PanelBackgrounds* backgrounds,
                                         const std::vector<const PanelWindow*>* chosen, const PictureOptions& options) {
    std::vector<PanelWindowView> views;
    if (!panel) {
        for (const auto& p : host.placements()) {
            PanelWindowView view;
            view.ident = p->window;
            view.title = p->name;
            view.gauges.push_back(p.get());
            views.push_back(view);
        }
        return views;
    }
    std::vector<const PanelWindow*> open;
    if (!chosen) {
        std::string unused;
        choose_windows(host, *panel, {}, open, unused);
        chosen = &open;
    }
    for (const PanelWindow* window : *chosen) views.push_back(window_view(host, *window, faces, backgrounds, options));
    return views;
}

std::unique_ptr<CairoCanvas> render_panel_picture(GaugeHost& host, const PanelConfig* panel, const std::string& path,
                                                  const PictureOptions& options, RenderOutcome& outcome) {
    ModuleBitmaps bitmaps(host);
    std::vector<const PanelWindow*> chosen;
    std::unique_ptr<PanelBackgrounds> backgrounds;
    if (panel) {
        std::string error;
        if (!choose_windows(host, *panel, options.windows, chosen, error)) {
            outcome.diagnostics.error(error);
            return nullptr;
        }
        if (chosen.empty() && !panel->windows.empty() && options.windows.kind == WindowChoice::Kind::visible)
            outcome.diagnostics.note(panel->source, 0,
                                     "no window of this panel is open; --windows all draws every window (or "
                                     "--windows LIST the ones named)");
        backgrounds = std::make_unique<PanelBackgrounds>(*panel, options.screen.w, outcome.diagnostics);
    }
    const std::vector<PanelWindowView> views =
        panel_views(host, panel, bitmaps, backgrounds.get(), panel ? &chosen : nullptr, options);
    const PanelLayout layout =
        options.screen_layout ? lay_out_screen(views, options.screen) : lay_out_panel(views, bitmaps, options.scale);
    if (layout.width > MAX_PICTURE_SIDE || layout.height > MAX_PICTURE_SIDE) {
        outcome.diagnostics.error(path, 0,
                                  "the picture would be " + std::to_string(layout.width) + " x " +
                                      std::to_string(layout.height) + " pixels, more than " +
                                      std::to_string(MAX_PICTURE_SIDE) +
                                      " on a side (a smaller --scale, or fewer --windows)");
        return nullptr;
    }
    auto canvas = std::make_unique<CairoCanvas>(layout.width, layout.height, layout.screen ? OUTSIDE_COLOUR : 0x1C1C1C);
    for (const auto& problem : paint_panel(views, layout, bitmaps, *canvas, options.paint))
        outcome.diagnostics.error(path, 0, problem);
    for (const auto& problem : bitmaps.problems()) outcome.diagnostics.error(path, 0, problem);
    for (const auto& problem : canvas->problems()) outcome.diagnostics.error(path, 0, problem);
    outcome.width = layout.width;
    outcome.height = layout.height;
    outcome.windows = static_cast<int>(views.size());
    return canvas;
}

RenderOutcome render_panel_png(GaugeHost& host, const PanelConfig* panel, const std::string& path,
                               const PictureOptions& options) {
    RenderOutcome outcome;
    const std::unique_ptr<CairoCanvas> canvas = render_panel_picture(host, panel, path, options, outcome);
    if (canvas) outcome.written = canvas->write_png(path, outcome.diagnostics);
    return outcome;
}

bool choose_windows(PanelHost& host, const PanelConfig& panel, const WindowChoice& choice,
                    std::vector<const PanelWindow*>& chosen, std::string& error) {
    LocalGaugeHost local(host);
    return choose_windows(local, panel, choice, chosen, error);
}

std::vector<PanelWindowView> panel_views(PanelHost& host, const PanelConfig* panel, BitmapSource& faces,
                                         const PanelBackgrounds* backgrounds,
                                         const std::vector<const PanelWindow*>* chosen, const PictureOptions& options) {
    LocalGaugeHost local(host);
    return panel_views(local, panel, faces, backgrounds, chosen, options);
}

RenderOutcome render_panel_png(PanelHost& host, const PanelConfig* panel, const std::string& path,
                               const PictureOptions& options) {
    if (!host.module()) {
        RenderOutcome outcome;
        outcome.diagnostics.error(path, 0, "no module loaded");
        return outcome;
    }
    LocalGaugeHost local(host);
    return render_panel_png(local, panel, path, options);
}
