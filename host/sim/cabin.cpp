// The light single's cockpit: its start, its switches and levers, its slow changes.
#include "host/sim/cabin.h"

#include <algorithm>
#include <cmath>

#include "host/sim/cabin_ids.h"
#include "sdk/ids.h"

namespace {

constexpr double kFuelBurnPercentPerHour = 8.0 / 26.0 * 100.0 / 2.0;  // 8 gal/h from two 26 gal tanks
constexpr double kLeverSteps = 16383.0;                               // a lever event's full travel

// clang-format off
struct Start { uint32_t token; double value; };
constexpr Start kStart[] = {
    {TOKEN_ALTITUDE_FT, 2000},        {TOKEN_VERTICAL_SPEED_FPM, 500}, {TOKEN_ENGINE_RPM, 2300},
    {TOKEN_FUEL_LEFT_PERCENT, 75},    {TOKEN_FUEL_RIGHT_PERCENT, 75},  {TOKEN_OIL_TEMPERATURE_F, 180},
    {TOKEN_OIL_PRESSURE_PSI, 60},     {TOKEN_SUCTION_INHG, 5},         {TOKEN_BATTERY_LOAD_AMPS, 2},
    {TOKEN_BATTERY_MASTER, 1},        {TOKEN_ALTERNATOR, 1},           {TOKEN_AVIONICS_MASTER, 1},
    {TOKEN_THROTTLE_PERCENT, 75},     {TOKEN_MIXTURE_PERCENT, 100},    {TOKEN_OUTSIDE_AIR_C, 15},
    {TOKEN_FUEL_SELECTOR, 1},         {TOKEN_MAGNETOS, 3},             {TOKEN_NAV2_COURSE_DEG, 360},
};
// clang-format on

void toggle(Variables& vars, uint32_t token) { vars.set(token, vars.number(token) != 0 ? 0 : 1); }

void step(Variables& vars, uint32_t token, double by, double low, double high) {
    vars.set(token, std::clamp(vars.number(token) + by, low, high));
}

// A course knob: one degree, 1..360 as the course-set event keeps it.
void turn_course(Variables& vars, uint32_t token, int by) {
    double course = std::fmod(vars.number(token) + by, 360.0);
    if (course <= 0) course += 360.0;
    vars.set(token, course);
}

double lever_percent(uint32_t value) {
    return std::clamp(static_cast<double>(static_cast<int32_t>(value)) / kLeverSteps * 100.0, 0.0, 100.0);
}

}  // namespace

SimCabin::SimCabin(Variables& vars) {
    for (const Start& start : kStart) vars.set(start.token, start.value);
}

bool SimCabin::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    if (event_id < EVENT_CABIN_FIRST || event_id > EVENT_CABIN_LAST) return false;
    Variables& vars = aircraft.vars();
    switch (event_id) {
        case EVENT_BATTERY_TOGGLE: toggle(vars, TOKEN_BATTERY_MASTER); break;
        case EVENT_ALTERNATOR_TOGGLE: toggle(vars, TOKEN_ALTERNATOR); break;
        case EVENT_AVIONICS_TOGGLE: toggle(vars, TOKEN_AVIONICS_MASTER); break;
        case EVENT_THROTTLE_SET: vars.set(TOKEN_THROTTLE_PERCENT, lever_percent(value)); break;
        case EVENT_MIXTURE_SET: vars.set(TOKEN_MIXTURE_PERCENT, lever_percent(value)); break;
        case EVENT_FLAPS_INCR: step(vars, TOKEN_FLAPS_INDEX, 1, 0, 4); break;
        case EVENT_FLAPS_DECR: step(vars, TOKEN_FLAPS_INDEX, -1, 0, 4); break;
        case EVENT_BEACON_TOGGLE: toggle(vars, TOKEN_LIGHT_BEACON); break;
        case EVENT_LANDING_TOGGLE: toggle(vars, TOKEN_LIGHT_LANDING); break;
        case EVENT_TAXI_TOGGLE: toggle(vars, TOKEN_LIGHT_TAXI); break;
        case EVENT_NAV_LIGHTS_TOGGLE: toggle(vars, TOKEN_LIGHT_NAV); break;
        case EVENT_PITOT_HEAT_TOGGLE: toggle(vars, TOKEN_PITOT_HEAT); break;
        case EVENT_MAGNETO_INCR: step(vars, TOKEN_MAGNETOS, 1, 0, 4); break;
        case EVENT_MAGNETO_DECR: step(vars, TOKEN_MAGNETOS, -1, 0, 4); break;
        case EVENT_PRIMER_TOGGLE: toggle(vars, TOKEN_PRIMER); break;
        case EVENT_CARB_HEAT_TOGGLE:
            vars.set(TOKEN_CARB_HEAT_PERCENT, vars.number(TOKEN_CARB_HEAT_PERCENT) != 0.0 ? 0 : 100);
            break;
        case EVENT_FUEL_SELECTOR_OFF: vars.set(TOKEN_FUEL_SELECTOR, 0); break;
        case EVENT_FUEL_SELECTOR_ALL: vars.set(TOKEN_FUEL_SELECTOR, 1); break;
        case EVENT_FUEL_SELECTOR_LEFT: vars.set(TOKEN_FUEL_SELECTOR, 2); break;
        case EVENT_FUEL_SELECTOR_RIGHT: vars.set(TOKEN_FUEL_SELECTOR, 3); break;
        case EVENT_ELEV_TRIM_UP: step(vars, TOKEN_ELEVATOR_TRIM_DEG, 0.5, -30, 30); break;
        case EVENT_ELEV_TRIM_DOWN: step(vars, TOKEN_ELEVATOR_TRIM_DEG, -0.5, -30, 30); break;
        case EVENT_VOR1_OBI_INC: turn_course(vars, TOKEN_NAV1_COURSE_DEG, 1); break;
        case EVENT_VOR1_OBI_DEC: turn_course(vars, TOKEN_NAV1_COURSE_DEG, -1); break;
        case EVENT_VOR2_OBI_INC: turn_course(vars, TOKEN_NAV2_COURSE_DEG, 1); break;
        case EVENT_VOR2_OBI_DEC: turn_course(vars, TOKEN_NAV2_COURSE_DEG, -1); break;
        default: return false;
    }
    aircraft.note("cabin").num("event", event_id).num("value", value);
    return true;
}

void SimCabin::advance(double dt_s, Aircraft& aircraft) {
    Variables& vars = aircraft.vars();
    vars.set(TOKEN_ALTITUDE_FT,
             std::clamp(vars.number(TOKEN_ALTITUDE_FT) + vars.number(TOKEN_VERTICAL_SPEED_FPM) * dt_s / 60.0, -2000.0,
                        60000.0));
    const double turn = vars.number(TOKEN_TURN_RATE_DEG_S) * dt_s;
    if (turn != 0) {
        const double heading = std::fmod(vars.number(TOKEN_COMPASS_DEG) + turn, 360.0);
        vars.set(TOKEN_COMPASS_DEG, heading <= 0 ? heading + 360.0 : heading);
    }
    if (vars.number(TOKEN_ENGINE_RPM) > 0) {
        const double burn = kFuelBurnPercentPerHour * dt_s / 3600.0;
        step(vars, TOKEN_FUEL_LEFT_PERCENT, -burn, 0, 100);
        step(vars, TOKEN_FUEL_RIGHT_PERCENT, -burn, 0, 100);
    }
}
