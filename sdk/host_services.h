// Calls into the host's panel service table. Each call loads the table pointer from
// ImportTable at the moment of the call; the module keeps no copy of it.
#pragma once

#include "sdk/records.h"

void send_event(uint32_t event_id, uint32_t value);
void read_var(ModuleVar* var);
void close_panel_window(int32_t window);

// Reads one host variable into a fresh binding and returns the binding.
ModuleVar read_host_var(uint32_t token);
