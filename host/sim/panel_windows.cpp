// Panel window commands carried out on the aircraft's window table.
#include "host/sim/panel_windows.h"

bool PanelWindows::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    const auto ident = static_cast<int32_t>(value);
    switch (event_id) {
        case EVENT_PANEL_WINDOW_TOGGLE: aircraft.toggle_window(ident); return true;
        case EVENT_PANEL_WINDOW_OPEN: aircraft.open_window(ident); return true;
        case EVENT_PANEL_WINDOW_CLOSE: aircraft.close_window(ident); return true;
        default: return false;
    }
}
