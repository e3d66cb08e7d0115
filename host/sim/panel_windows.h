// Panel window commands: open, close and toggle a window by its ident.
#pragma once

#include "host/sim/aircraft.h"

inline constexpr uint32_t EVENT_PANEL_TOGGLE = 66506;
inline constexpr uint32_t EVENT_PANEL_OPEN = 66507;
inline constexpr uint32_t EVENT_PANEL_CLOSE = 66508;

class PanelWindows : public SimSystem {
public:
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;
};
