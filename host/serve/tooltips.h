// The tooltip texts this host shows for the help ids the module's gauges declare, as
// the simulator shows its own strings for them: the page's tooltips say what a part is,
// not its number.
#pragma once

#include <cstdint>

// The text for a help id, or null for an id this host has no text for.
const char* tooltip_text(uint32_t help_id);
