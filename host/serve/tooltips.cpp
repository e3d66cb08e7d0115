// The host's tooltip strings, one row per help id the module's gauges use.
#include "host/serve/tooltips.h"

#include "sdk/ids.h"

namespace {

struct Tooltip {
    uint32_t help_id;
    const char* text;
};

// clang-format off
constexpr Tooltip kTooltips[] = {
    // help id                        text
    {42752,                           "NAV radio"},
    {42753,                           "COM radio"},
    {42754,                           "NAV 2 radio"},
    {42761,                           "ADF radio"},
    {42762,                           "Transponder"},
    {42768,                           "COM frequency knobs (outer MHz, inner kHz)"},
    {42769,                           "COM frequency"},
    {42772,                           "NAV frequency knobs (outer MHz, inner kHz)"},
    {42773,                           "NAV frequency"},
    {42774,                           "NAV 2 frequency knobs (outer MHz, inner kHz)"},
    {42775,                           "NAV 2 frequency"},
    {43605,                           "ADF frequency knobs"},
    {43606,                           "ADF frequency"},
    {43607,                           "ADF volume"},
    {43618,                           "Transponder code"},
    {43776,                           "ADF indicator"},
    {43777,                           "ADF card knob"},
    {43778,                           "Airspeed indicator"},
    {43856,                           "VOR TO/FROM flag"},
    {43890,                           "VOR indicator"},
    {43891,                           "Course selector (OBS)"},
    {43895,                           "Magnetic compass"},
    {HELP_TOGGLE_RADIO_WINDOW,        "Radio stack window"},
    {HELP_TOGGLE_GPS_WINDOW,          "GPS window"},
    {HELP_TOGGLE_THROTTLE_WINDOW,     "Throttle quadrant window"},
    {HELP_TOGGLE_COMPASS_WINDOW,      "Compass window"},
    {HELP_TOGGLE_FUEL_WINDOW,         "Fuel window"},
    {HELP_TOGGLE_COLLECTIVE_WINDOW,   "Collective window"},
    {43919,                           "Map"},
    {43923,                           "Kneeboard"},
    {43924,                           "ATC window"},
};
// clang-format on
static_assert(sizeof kTooltips / sizeof kTooltips[0] == 31);

}  // namespace

const char* tooltip_text(uint32_t help_id) {
    for (const Tooltip& row : kTooltips)
        if (row.help_id == help_id) return row.text;
    return nullptr;
}
