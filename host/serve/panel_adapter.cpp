// The live page's calls into the panel reader and the platform.
#include "host/serve/panel_adapter.h"

#include "host/core/panel_host.h"
#include "platform/platform.h"
#include "platform/portable/backend.h"
#include "sdk/ids.h"

bool open_panel(PanelHost& host, const std::string& path, PanelConfig& panel, Diagnostics& diagnostics) {
    panel = read_panel_config(path, diagnostics);
    if (diagnostics.ok()) place_panel(host, panel, diagnostics);
    return diagnostics.ok();
}

std::vector<PanelWindowView> open_window_views(PanelHost& host, const PanelConfig& panel, BitmapSource& faces,
                                               const PanelBackgrounds& backgrounds) {
    std::vector<const PanelWindow*> open;
    std::string unused;
    choose_windows(host, panel, {}, open, unused);  // the open ones: no list that could fail
    return panel_views(host, &panel, faces, &backgrounds, &open);
}

std::vector<std::string> run_scenario_line(const ScenarioRunner& runner, PanelHost& host, const std::string& line,
                                           int number, const std::string& source) {
    // Blank lines in front keep the runner's line numbers those of the file.
    const std::string text = std::string(static_cast<size_t>(number > 1 ? number - 1 : 0), '\n') + line;
    const Diagnostics result = runner(host, text, source);
    // The runner ends with every fault the host has ever seen; those the caller reads.
    const auto& items = result.items();
    const size_t faults = host.errors().size();
    const size_t kept = items.size() >= faults ? items.size() - faults : 0;
    std::vector<std::string> messages;
    for (size_t i = 0; i < kept; ++i) messages.push_back(items[i].str());
    return messages;
}

std::string module_resource(PanelHost& host, uint16_t id, const char* type) {
    if (!host.module()) return {};
    const uintptr_t instance = host.module()->instance();
    PlatformResource* resource = platform_find_resource(instance, id, type);
    if (!resource) return {};
    const uint32_t size = platform_resource_size(instance, resource);
    PlatformResourceData* data = platform_load_resource(instance, resource);
    const auto* bytes = data ? static_cast<const char*>(platform_lock_resource(data)) : nullptr;
    std::string out = bytes ? std::string(bytes, size) : std::string();
    if (data) platform_free_resource(data);
    return out;
}

size_t sound_plays() { return backend_play_log().size(); }

const char* help_name(uint32_t help_id) {
    for (const HelpName& row : HELP_NAMES)
        if (row.help_id == help_id) return row.name;
    return nullptr;
}
