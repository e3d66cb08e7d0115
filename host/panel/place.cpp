// Placing a whole panel on a host, and the word on the gauges of other modules.
#include <set>
#include <vector>

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

namespace {

bool same_parameters(const Placement& placement, const std::optional<std::string>& parameters) {
    if (!placement.parameters || !parameters) return !placement.parameters && !parameters;
    return std::string(placement.parameters->data()) == *parameters;
}

void put(Placement& p, int window_index, const PanelGauge& gauge) {
    p.panel_window = window_index;
    p.x = gauge.x;
    p.y = gauge.y;
    p.w = gauge.w;
    p.h = gauge.h;
}

}  // namespace

bool replace_panel(GaugeHost& host, const PanelConfig& old, const PanelConfig& next, Diagnostics& diagnostics) {
    std::set<int32_t> known;
    for (const PanelWindow& window : old.windows) known.insert(window_ident(window));
    for (const PanelWindow& window : next.windows)
        if (!known.count(window_ident(window))) host.declare_window(window_ident(window), window.visible);
    std::vector<Placement*> before;
    for (const auto& p : host.placements()) before.push_back(p.get());
    std::vector<bool> kept(before.size(), false);
    struct Fresh {
        const PanelWindow* window;
        const PanelGauge* gauge;
    };
    std::vector<Fresh> fresh;
    for (const PanelWindow& window : next.windows) {
        for (const PanelGauge& gauge : window.gauges) {
            if (!is_module_gauge(gauge)) continue;
            size_t i = 0;
            for (; i < before.size(); ++i)
                if (!kept[i] && before[i]->window == window_ident(window) && before[i]->name == gauge.name &&
                    same_parameters(*before[i], gauge.parameters))
                    break;
            if (i == before.size()) {
                fresh.push_back({&window, &gauge});
                continue;
            }
            kept[i] = true;
            put(*before[i], window.index, gauge);
        }
    }
    std::vector<int> gone;
    for (size_t i = 0; i < before.size(); ++i)
        if (!kept[i]) gone.push_back(before[i]->id);
    for (const int id : gone) host.remove(id);
    for (const Fresh& one : fresh) {
        Diagnostics placing;
        const int id = host.place(one.gauge->name, one.gauge->parameters, placing, window_ident(*one.window));
        diagnostics.merge(placing, next.source, one.gauge->line);
        if (id >= 0) put(*host.placement(id), one.window->index, *one.gauge);
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
