// The live page's calls into the panel reader and the platform.
#include "host/serve/panel_adapter.h"

#include "host/core/gauge_host.h"
#include "platform/portable/backend.h"
#include "sdk/ids.h"

bool open_panel(GaugeHost& host, const std::string& path, PanelConfig& panel, Diagnostics& diagnostics) {
    panel = read_panel_config(path, diagnostics);
    if (diagnostics.ok()) place_panel(host, panel, diagnostics);
    return diagnostics.ok();
}

std::vector<PanelWindowView> open_window_views(GaugeHost& host, const PanelConfig& panel, BitmapSource& faces,
                                               const PanelBackgrounds& backgrounds, Size screen, const XmlPanel* xml) {
    std::vector<const PanelWindow*> open;
    std::string unused;
    choose_windows(host, panel, {}, open, unused);  // the open ones: no list that could fail
    PictureOptions options;
    options.screen = screen;
    options.xml = xml;
    return panel_views(host, &panel, faces, &backgrounds, &open, options);
}

std::string module_resource(GaugeHost& host, uint16_t id, const char* type) {
    std::vector<uint8_t> bytes;
    if (!host.resource(id, type, bytes)) return {};
    return std::string(bytes.begin(), bytes.end());
}

size_t sound_plays() { return backend_play_log().size(); }

const char* help_name(uint32_t help_id) {
    for (const HelpName& row : HELP_NAMES)
        if (row.help_id == help_id) return row.name;
    return nullptr;
}
