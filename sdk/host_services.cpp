// Calls into the host's panel service table through ImportTable.
#include "sdk/host_services.h"

#include "module/linkage.h"

void send_event(uint32_t event_id, uint32_t value) { ImportTable.table->send_event(event_id, value); }

void read_var(ModuleVar* var) { ImportTable.table->read_var(var); }

void close_panel_window(int32_t window) { ImportTable.table->close_panel_window(window); }

ModuleVar read_host_var(uint32_t token) {
    ModuleVar var{};
    var.token = token;
    read_var(&var);
    return var;
}
