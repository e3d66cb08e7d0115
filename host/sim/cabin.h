// The rest of a light single's cockpit, for other authors' gauges: engine, fuel, oil,
// vacuum and electrical instruments, the attitude and climb the flight gives, switches,
// levers and the course knobs (tokens and events in cabin_ids.h).
//
// Flying: the altitude follows the vertical speed, the heading the turn rate, the tanks
// empty at the engine's burn; every other value stays as set. The start is a cruise climb
// at 500 feet a minute, switches on, tanks three quarters full.
#pragma once

#include "host/sim/aircraft.h"

class SimCabin : public SimSystem {
public:
    explicit SimCabin(Variables& vars);
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;
    void advance(double dt_s, Aircraft& aircraft) override;
};
