// Placing a whole panel on a host, and the word on the gauges of other modules.
#include <set>

#include "host/core/gauge_host.h"
#include "host/panel/panel_config.h"
#include "host/panel/text.h"

bool place_panel(GaugeHost& host, const PanelConfig& panel, Diagnostics& diagnostics) {
    // Every window exists before any gauge is installed: a start command may close a
    // window that a later section declares.
    for (const PanelWindow& window : panel.windows) host.declare_window(window_ident(window), window.visible);
    for (const PanelWindow& window : panel.windows) {
        const int32_t ident = window_ident(window);
        for (const PanelGauge& gauge : window.gauges) {
            if (!is_module_gauge(gauge)) continue;
            Diagnostics placing;
            const int id = host.place(gauge.name, gauge.parameters, placing, ident);
            diagnostics.merge(placing, panel.source, gauge.line);
            if (id < 0) continue;
            Placement* p = host.placement(id);
            p->panel_window = window.index;
            p->x = gauge.x;
            p->y = gauge.y;
            p->w = gauge.w;
            p->h = gauge.h;
        }
    }
    return diagnostics.ok();
}

bool place_panel(PanelHost& host, const PanelConfig& panel, Diagnostics& diagnostics) {
    LocalGaugeHost local(host);
    return place_panel(local, panel, diagnostics);
}

void note_other_modules(const PanelConfig& panel, bool verbose, Diagnostics& diagnostics,
                        const std::set<std::pair<int, int>>& drawn) {
    int count = 0;
    std::set<std::string> modules;
    for (const PanelWindow& window : panel.windows) {
        for (const PanelGauge& gauge : window.gauges) {
            if (is_module_gauge(gauge) || drawn.count({window.index, gauge.index})) continue;
            ++count;
            modules.insert(lower(gauge.module));
            if (verbose)
                diagnostics.note(
                    panel.source, gauge.line,
                    "gauge " + gauge.module + "!" + gauge.name + " belongs to another module; drawn as a placeholder");
        }
    }
    if (count == 0) return;
    const auto n = modules.size();
    diagnostics.note(panel.source, 0,
                     std::to_string(count) + " gauge" + (count == 1 ? "" : "s") + " of " + std::to_string(n) +
                         " other module" + (n == 1 ? "" : "s") + " drawn as placeholders" +
                         (verbose ? "" : " (--verbose lists them)"));
}
