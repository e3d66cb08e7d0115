// Variables and events the host simulates for other authors' gauges (the instruments
// and switches of a light single), beside the module's own in sdk/ids.h. Tokens sit in a
// range the module does not use; events above the simulator's own.
#pragma once

#include <cstdint>

// clang-format off
inline constexpr uint32_t TOKEN_ALTITUDE_FT          = 900;
inline constexpr uint32_t TOKEN_VERTICAL_SPEED_FPM   = 901;
inline constexpr uint32_t TOKEN_PITCH_DEG            = 902;
inline constexpr uint32_t TOKEN_BANK_DEG             = 903;
inline constexpr uint32_t TOKEN_TURN_RATE_DEG_S      = 904;
inline constexpr uint32_t TOKEN_TURN_BALL            = 905;
inline constexpr uint32_t TOKEN_ENGINE_RPM           = 906;
inline constexpr uint32_t TOKEN_FUEL_LEFT_PERCENT    = 907;
inline constexpr uint32_t TOKEN_FUEL_RIGHT_PERCENT   = 908;
inline constexpr uint32_t TOKEN_OIL_TEMPERATURE_F    = 909;
inline constexpr uint32_t TOKEN_OIL_PRESSURE_PSI     = 910;
inline constexpr uint32_t TOKEN_SUCTION_INHG         = 911;
inline constexpr uint32_t TOKEN_BATTERY_LOAD_AMPS    = 912;
inline constexpr uint32_t TOKEN_BATTERY_MASTER       = 913;
inline constexpr uint32_t TOKEN_ALTERNATOR           = 914;
inline constexpr uint32_t TOKEN_AVIONICS_MASTER      = 915;
inline constexpr uint32_t TOKEN_THROTTLE_PERCENT     = 916;
inline constexpr uint32_t TOKEN_MIXTURE_PERCENT      = 917;
inline constexpr uint32_t TOKEN_FLAPS_INDEX          = 918;
inline constexpr uint32_t TOKEN_ELEVATOR_TRIM_DEG    = 919;
inline constexpr uint32_t TOKEN_OUTSIDE_AIR_C        = 920;
inline constexpr uint32_t TOKEN_FUEL_SELECTOR        = 921;
inline constexpr uint32_t TOKEN_LIGHT_BEACON         = 922;
inline constexpr uint32_t TOKEN_LIGHT_LANDING        = 923;
inline constexpr uint32_t TOKEN_LIGHT_TAXI           = 924;
inline constexpr uint32_t TOKEN_LIGHT_NAV            = 925;
inline constexpr uint32_t TOKEN_PITOT_HEAT           = 926;
inline constexpr uint32_t TOKEN_MAGNETOS             = 927;
inline constexpr uint32_t TOKEN_PRIMER               = 928;
inline constexpr uint32_t TOKEN_CARB_HEAT_PERCENT    = 929;
inline constexpr uint32_t TOKEN_NAV2_COURSE_DEG      = 930;

inline constexpr uint32_t EVENT_CABIN_FIRST          = 0x11000;
inline constexpr uint32_t EVENT_BATTERY_TOGGLE       = 0x11000;
inline constexpr uint32_t EVENT_ALTERNATOR_TOGGLE    = 0x11001;
inline constexpr uint32_t EVENT_AVIONICS_TOGGLE      = 0x11002;
inline constexpr uint32_t EVENT_THROTTLE_SET         = 0x11003;  // value 0..16383
inline constexpr uint32_t EVENT_MIXTURE_SET          = 0x11004;  // value 0..16383
inline constexpr uint32_t EVENT_FLAPS_INCR           = 0x11005;
inline constexpr uint32_t EVENT_FLAPS_DECR           = 0x11006;
inline constexpr uint32_t EVENT_BEACON_TOGGLE        = 0x11007;
inline constexpr uint32_t EVENT_LANDING_TOGGLE       = 0x11008;
inline constexpr uint32_t EVENT_TAXI_TOGGLE          = 0x11009;
inline constexpr uint32_t EVENT_NAV_LIGHTS_TOGGLE    = 0x1100A;
inline constexpr uint32_t EVENT_PITOT_HEAT_TOGGLE    = 0x1100B;
inline constexpr uint32_t EVENT_MAGNETO_INCR         = 0x1100C;
inline constexpr uint32_t EVENT_MAGNETO_DECR         = 0x1100D;
inline constexpr uint32_t EVENT_PRIMER_TOGGLE        = 0x1100E;
inline constexpr uint32_t EVENT_CARB_HEAT_TOGGLE     = 0x1100F;
inline constexpr uint32_t EVENT_FUEL_SELECTOR_OFF    = 0x11010;
inline constexpr uint32_t EVENT_FUEL_SELECTOR_LEFT   = 0x11011;
inline constexpr uint32_t EVENT_FUEL_SELECTOR_RIGHT  = 0x11012;
inline constexpr uint32_t EVENT_FUEL_SELECTOR_ALL    = 0x11013;
inline constexpr uint32_t EVENT_ELEV_TRIM_UP         = 0x11014;
inline constexpr uint32_t EVENT_ELEV_TRIM_DOWN       = 0x11015;
inline constexpr uint32_t EVENT_VOR1_OBI_INC         = 0x11016;
inline constexpr uint32_t EVENT_VOR1_OBI_DEC         = 0x11017;
inline constexpr uint32_t EVENT_VOR2_OBI_INC         = 0x11018;
inline constexpr uint32_t EVENT_VOR2_OBI_DEC         = 0x11019;
inline constexpr uint32_t EVENT_CABIN_LAST           = 0x11019;
// clang-format on
