// Collecting the open windows of a panel and drawing them into a PNG file.
#include "host/render/panel_render.h"

#include "host/core/panel_host.h"
#include "host/render/cairo_canvas.h"
#include "host/render/module_bitmaps.h"

std::vector<PanelWindowView> panel_views(PanelHost& host, const PanelConfig* panel) {
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
    for (const PanelWindow& window : panel->windows) {
        const int32_t ident = window_ident(window);
        if (!host.aircraft().window_open(ident)) continue;
        PanelWindowView view;
        view.ident = ident;
        view.title = window.title.empty() ? "Window" + std::to_string(window.index) : window.title;
        view.width = window.size_mm_w;
        view.height = window.size_mm_h;
        for (const auto& p : host.placements())
            if (p->window == ident) view.gauges.push_back(p.get());
        views.push_back(view);
    }
    return views;
}

RenderOutcome render_panel_png(PanelHost& host, const PanelConfig* panel, const std::string& path,
                               const PaintOptions& options) {
    RenderOutcome outcome;
    if (!host.module()) {
        outcome.diagnostics.error(path, 0, "no module loaded");
        return outcome;
    }
    ModuleBitmaps bitmaps(host.module()->instance());
    const std::vector<PanelWindowView> views = panel_views(host, panel);
    const PanelLayout layout = lay_out_panel(views, bitmaps);
    CairoCanvas canvas(layout.width, layout.height);
    for (const auto& problem : paint_panel(views, layout, bitmaps, canvas, options))
        outcome.diagnostics.error(path, 0, problem);
    for (const auto& problem : bitmaps.problems()) outcome.diagnostics.error(path, 0, problem);
    outcome.width = layout.width;
    outcome.height = layout.height;
    outcome.windows = static_cast<int>(views.size());
    outcome.written = canvas.write_png(path, outcome.diagnostics);
    return outcome;
}
