// The live page's calls into the panel reader, scenario runner, trace and platform.
#include "host/serve/panel_adapter.h"

#include "host/cli/scenario.h"
#include "host/core/panel_host.h"
#include "platform/portable/backend.h"

namespace {

// clang-format off
// The tooltips the `h` parameter command names (the module's table of help names).
constexpr struct {
    uint32_t help_id;
    const char* name;
} kHelpNames[] = {
    // help id  name
    {43910,     "TOGGLE_RADIO_WINDOW"},
    {43911,     "TOGGLE_GPS_WINDOW"},
    {43912,     "TOGGLE_THROTTLE_WINDOW"},
    {43913,     "TOGGLE_COMPASS_WINDOW"},
    {43914,     "TOGGLE_FUEL_WINDOW"},
    {43915,     "TOGGLE_COLLECTIVE_WINDOW"},
};
// clang-format on
static_assert(sizeof kHelpNames / sizeof kHelpNames[0] == 6);

}  // namespace

bool open_panel(PanelHost& host, const std::string& path, PanelConfig& panel, Diagnostics& diagnostics) {
    ConfigMessages messages;
    panel = read_panel_config(path, messages);
    if (messages.ok()) place_panel(host, panel, messages);
    for (const auto& note : messages.notes) diagnostics.note(note);
    for (const auto& error : messages.errors) diagnostics.error(error);
    return messages.ok();
}

std::vector<PanelWindowView> open_window_views(PanelHost& host, const PanelConfig& panel) {
    return panel_views(host, &panel);
}

void take_trace_lines(PanelHost& host, std::vector<std::string>& out) {
    for (const auto& line : host.trace().lines()) out.push_back(line);
    host.trace().clear();
}

std::vector<std::string> run_scenario_line(PanelHost& host, const std::string& line, int number,
                                           const std::string& source) {
    // Blank lines in front keep the runner's line numbers those of the file.
    const std::string text = std::string(static_cast<size_t>(number > 1 ? number - 1 : 0), '\n') + line;
    ScenarioResult result = run_scenario(host, text, source);
    // The runner ends with every fault the host has ever seen; those the caller reads.
    const size_t faults = host.errors().size();
    result.messages.resize(result.messages.size() >= faults ? result.messages.size() - faults : 0);
    return result.messages;
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
    for (const auto& row : kHelpNames)
        if (row.help_id == help_id) return row.name;
    return nullptr;
}
