// Cockpit events carried out as records: each known event counts, a toggle flips.
#include "host/sim/cockpit.h"

namespace {

enum class Effect { Toggle, Count };

struct CockpitEvent {
    uint32_t id;
    const char* name;
    Effect effect;
};

// clang-format off
constexpr CockpitEvent kCockpitEvents[] = {
    // event                     name               effect
    {EVENT_ATC_WINDOW_TOGGLE,    "atc_window",      Effect::Toggle},
    {EVENT_KNEEBOARD_TOGGLE,     "kneeboard",       Effect::Toggle},
    {EVENT_MAP_TOGGLE,           "map",             Effect::Toggle},
    {EVENT_SEAT_UP,              "seat_up",         Effect::Count},
    {EVENT_SEAT_DOWN,            "seat_down",       Effect::Count},
    {EVENT_P_FORWARD,            "p_forward",       Effect::Count},
    {EVENT_P_BACK,               "p_back",          Effect::Count},
    {EVENT_P_ZERO,               "p_zero",          Effect::Count},
};
// clang-format on
static_assert(sizeof kCockpitEvents / sizeof kCockpitEvents[0] == 8);

const CockpitEvent* find_event(uint32_t id) {
    for (const CockpitEvent& row : kCockpitEvents)
        if (row.id == id) return &row;
    return nullptr;
}

}  // namespace

bool CockpitEvents::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    (void)value;
    const CockpitEvent* row = find_event(event_id);
    if (!row) return false;
    const int count = ++counts_[event_id];
    TraceEntry line = aircraft.note("cockpit");
    line.text("what", row->name);
    if (row->effect == Effect::Toggle)
        line.num("shown", count % 2);
    else
        line.num("count", count);
    return true;
}

int CockpitEvents::count(uint32_t event_id) const {
    auto it = counts_.find(event_id);
    return it == counts_.end() ? 0 : it->second;
}
