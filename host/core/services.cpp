// The service table: three working entries and a loud stub at every other position.
#include "host/core/services.h"

#include <utility>

#include "host/core/panel_host.h"

namespace {

PanelHost* active_host = nullptr;

int32_t TARVOLEN_CALLBACK close_panel_window_entry(int32_t window) {
    if (active_host) active_host->service_close_panel_window(window);
    return 1;
}

int32_t TARVOLEN_CALLBACK send_event_entry(uint32_t event_id, uint32_t value) {
    if (active_host) active_host->service_send_event(event_id, value);
    return 1;
}

int32_t TARVOLEN_CALLBACK read_var_entry(ModuleVar* var) {
    if (active_host) active_host->service_read_var(var);
    return 1;
}

template <int N>
void unexpected_entry() {
    if (active_host) active_host->service_unexpected(N);
}

template <int... N>
PanelServices make_table(std::integer_sequence<int, N...>) {
    PanelServices table{};
    UnusedService stubs[] = {unexpected_entry<N>...};
    for (int i = 0; i < 35; ++i) table.unused_0_34[i] = stubs[i];
    for (int i = 0; i < 3; ++i) table.unused_37_39[i] = stubs[37 + i];
    table.close_panel_window = close_panel_window_entry;
    table.send_event = send_event_entry;
    table.read_var = read_var_entry;
    return table;
}

}  // namespace

PanelServices* panel_services() {
    static PanelServices table = make_table(std::make_integer_sequence<int, PANEL_SERVICE_COUNT>{});
    return &table;
}

ActiveHost::ActiveHost(PanelHost* host) : previous_(active_host) { active_host = host; }

ActiveHost::~ActiveHost() { active_host = previous_; }

PanelHost* ActiveHost::get() { return active_host; }
