// Cockpit events that are neither radios nor panel windows: the ATC window, kneeboard
// and map toggles, the seat events and the three events of the `p` command. The host
// records them (a toggled flag, a count) and notes each in the trace.
#pragma once

#include <cstdint>
#include <map>

#include "host/sim/aircraft.h"
#include "sdk/ids.h"

class CockpitEvents : public SimSystem {
public:
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;
    // How often the event was carried out.
    int count(uint32_t event_id) const;
    // For a toggle event: whether what it toggles is now shown (an even count: hidden).
    bool shown(uint32_t event_id) const { return count(event_id) % 2 == 1; }

private:
    std::map<uint32_t, int> counts_;
};
