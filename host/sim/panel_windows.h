// Panel window commands: open, close and toggle a window by its ident.
#pragma once

#include "host/sim/aircraft.h"
#include "sdk/ids.h"

class PanelWindows : public SimSystem {
public:
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;
};
