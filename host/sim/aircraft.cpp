// The aircraft's systems, in the order they are asked to carry out an event.
#include "host/sim/aircraft.h"

#include "host/sim/adf_xpdr.h"
#include "host/sim/cabin.h"
#include "host/sim/cockpit.h"
#include "host/sim/flight.h"
#include "host/sim/panel_windows.h"
#include "host/sim/radios.h"

Aircraft::Aircraft() {
    systems_.push_back(std::make_unique<PanelWindows>());
    systems_.push_back(std::make_unique<SimRadios>(vars_));
    systems_.push_back(std::make_unique<CockpitEvents>());
    systems_.push_back(std::make_unique<SimAdf>(vars_));
    systems_.push_back(std::make_unique<SimTransponder>(vars_));
    systems_.push_back(std::make_unique<SimFlight>(vars_));
    systems_.push_back(std::make_unique<SimCabin>(vars_));
}

bool Aircraft::carry_out(uint32_t event_id, uint32_t value) {
    for (auto& system : systems_)
        if (system->handle_event(event_id, value, *this)) return true;
    return false;
}

void Aircraft::advance(double dt_s) {
    time_s_ += dt_s;
    for (auto& system : systems_) system->advance(dt_s, *this);
}

bool Aircraft::window_open(int32_t ident) const {
    auto it = windows_.find(ident);
    return it != windows_.end() && it->second;
}

bool Aircraft::window_closed(int32_t ident) const {
    auto it = windows_.find(ident);
    return it != windows_.end() && !it->second;
}

void Aircraft::set_window(int32_t ident, bool open) {
    windows_[ident] = open;
    note("window").num("ident", ident).num("open", open ? 1 : 0);
}
