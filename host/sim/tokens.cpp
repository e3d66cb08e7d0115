// Every variable token the simulated aircraft provides (named in sdk/ids.h), with the
// name a command line gives it, its kind and its unit. This is the one place where a
// token's unit is written out in full.
//
// To add a token:
//   1. Name its number in sdk/ids.h (TOKEN_...), below kTokenSpan.
//   2. Add its row to kTokens: the token, the name --set, scenarios and the page use,
//      its kind (a 32-bit word or a double), its Unit (what converts it reads that, never
//      the text), the unit written out for people, and the range a user may set; raise
//      kTokenCount in variables.h.
//   3. Where the aircraft computes it, write it in the system that does (host/sim:
//      radios.cpp, adf_xpdr.cpp, flight.cpp, ...); otherwise it holds what is set.
//   4. --set, scenarios and the page's list of variables take it from the table; add a
//      case where a system computes it (tests/unit), and the count in vocabulary_test.
#include "host/sim/variables.h"

#include <cstdio>

#include "host/base/numbers.h"
#include "host/sim/cabin_ids.h"
#include "sdk/ids.h"

namespace {

// clang-format off
constexpr TokenInfo kTokens[] = {
    // token                           name on the command line  kind          unit               unit written out, settable range
    {TOKEN_ADF_FREQUENCY_BCD,          "adf_frequency",          VarKind::U32, Unit::bcd,         "BCD kHz: hundreds, tens, units nibbles", 0, 0xFFFF},
    {TOKEN_ADF_EXTENDED_FREQUENCY_BCD, "adf_extended_frequency", VarKind::U32, Unit::bcd,         "0x100 while the thousands digit of kHz is 1", 0, 0xFFFF},
    {TOKEN_ADF_CARD_RAD,               "adf_card",               VarKind::F64, Unit::radians,     "radians: ADF card turn, clockwise positive (minus the card's heading)", -1e4, 1e4},
    {TOKEN_COM1_FREQUENCY_BCD,         "com1_frequency",         VarKind::U32, Unit::bcd,         "BCD: the four digits after the leading 1 of 118..136 MHz (118.30 = 0x1830)", 0, 0xFFFF},
    {TOKEN_NAV1_FREQUENCY_BCD,         "nav1_frequency",         VarKind::U32, Unit::bcd,         "BCD: the four digits after the leading 1 of 108..117 MHz (108.00 = 0x0800)", 0, 0xFFFF},
    {TOKEN_NAV2_FREQUENCY_BCD,         "nav2_frequency",         VarKind::U32, Unit::bcd,         "BCD: as nav1_frequency", 0, 0xFFFF},
    {TOKEN_XPDR_CODE_BCD,              "transponder_code",       VarKind::U32, Unit::bcd,         "BCD squawk: four octal digits, one per nibble", 0, 0xFFFF},
    {TOKEN_ADF_BEARING_DEG,            "adf_bearing",            VarKind::F64, Unit::degrees,     "degrees: relative bearing of the NDB, clockwise from the nose, 0..360", -1e6, 1e6},
    {TOKEN_NAV1_TO_FROM_FLAG,          "nav1_to_from",           VarKind::U32, Unit::flag,        "flag: 0 off, 1 TO, 2 FROM", 0, 2},
    {TOKEN_NAV1_GLIDESLOPE_FLAG,       "nav1_glideslope_flag",   VarKind::F64, Unit::flag,        "flag: 1.0 while a glideslope is received, else 0.0", 0, 1},
    {TOKEN_NAV1_COURSE_DEG,            "nav1_course",            VarKind::F64, Unit::degrees,     "degrees: selected course, as the course-set event gives it (360 stays 360)", -1e6, 1e6},
    {TOKEN_AIRSPEED_KNOTS,             "airspeed",               VarKind::F64, Unit::knots,       "knots: indicated airspeed", -1000, 5000},
    {TOKEN_COMPASS_DEG,                "compass",                VarKind::F64, Unit::degrees,     "degrees: magnetic heading", -1e6, 1e6},
    {TOKEN_NAV1_MARKER_FLAG,           "nav1_marker",            VarKind::F64, Unit::flag,        "flag: 1.0 while over the VOR (the amber lamp's source), else 0.0", 0, 1},
    {TOKEN_CLOCK_SECONDS,              "clock",                  VarKind::F64, Unit::seconds,     "seconds: scenario time, the lamp's blink time base", 0, 1e9},
    {TOKEN_NAV1_DEVIATION_FULL_SCALE,  "nav1_deviation",         VarKind::F64, Unit::full_scale,  "full scale -1..1 (10 degrees): course deviation, positive = course to the right", -1e3, 1e3},
    {TOKEN_NAV1_GLIDESLOPE_FULL_SCALE, "nav1_glideslope",        VarKind::F64, Unit::full_scale,  "full scale -1..1 (0.7 degrees): above the glide path is positive", -1e3, 1e3},
    {TOKEN_NAV1_COURSE_CARD_RAD,       "nav1_course_card",       VarKind::F64, Unit::radians,     "radians: course card turn, clockwise positive (minus the course)", -1e4, 1e4},
    {TOKEN_COM2_FREQUENCY_BCD,         "com2_frequency",         VarKind::U32, Unit::bcd,         "BCD: as com1_frequency", 0, 0xFFFF},
    {TOKEN_ADF_MODE_SOURCE_WORD,       "adf_mode_source",        VarKind::U32, Unit::word,        "bound by the ADF mode switch, not read", 0, 0xFFFFFFFF},
    // The instruments and switches of a light single, for other authors' gauges (cabin_ids.h).
    {TOKEN_ALTITUDE_FT,                "altitude",               VarKind::F64, Unit::feet,       "feet: indicated altitude", -2000, 60000},
    {TOKEN_VERTICAL_SPEED_FPM,         "vertical_speed",         VarKind::F64, Unit::feet_per_minute,"feet per minute: climb positive", -20000, 20000},
    {TOKEN_PITCH_DEG,                  "pitch",                  VarKind::F64, Unit::degrees,    "degrees: nose up positive", -90, 90},
    {TOKEN_BANK_DEG,                   "bank",                   VarKind::F64, Unit::degrees,    "degrees: right wing down positive", -180, 180},
    {TOKEN_TURN_RATE_DEG_S,            "turn_rate",              VarKind::F64, Unit::degrees_per_second,"degrees per second: right turn positive", -100, 100},
    {TOKEN_TURN_BALL,                  "turn_ball",              VarKind::F64, Unit::position,   "position -1..1: the ball right of centre positive", -1, 1},
    {TOKEN_ENGINE_RPM,                 "engine_rpm",             VarKind::F64, Unit::rpm,        "rpm: propeller turns a minute", 0, 10000},
    {TOKEN_FUEL_LEFT_PERCENT,          "fuel_left",              VarKind::F64, Unit::percent,    "percent: left main tank of its capacity", 0, 100},
    {TOKEN_FUEL_RIGHT_PERCENT,         "fuel_right",             VarKind::F64, Unit::percent,    "percent: right main tank of its capacity", 0, 100},
    {TOKEN_OIL_TEMPERATURE_F,          "oil_temperature",        VarKind::F64, Unit::fahrenheit, "fahrenheit: engine oil", -100, 500},
    {TOKEN_OIL_PRESSURE_PSI,           "oil_pressure",           VarKind::F64, Unit::psi,        "psi: engine oil", 0, 200},
    {TOKEN_SUCTION_INHG,               "suction",                VarKind::F64, Unit::inhg,       "inHg: vacuum for the gyros", 0, 20},
    {TOKEN_BATTERY_LOAD_AMPS,          "battery_load",           VarKind::F64, Unit::amperes,    "amperes: into the battery negative", -200, 200},
    {TOKEN_BATTERY_MASTER,             "battery_master",         VarKind::F64, Unit::flag,       "bool: battery master switch on", 0, 1},
    {TOKEN_ALTERNATOR,                 "alternator",             VarKind::F64, Unit::flag,       "bool: alternator switch on", 0, 1},
    {TOKEN_AVIONICS_MASTER,            "avionics_master",        VarKind::F64, Unit::flag,       "bool: avionics master switch on", 0, 1},
    {TOKEN_THROTTLE_PERCENT,           "throttle",               VarKind::F64, Unit::percent,    "percent: throttle lever", 0, 100},
    {TOKEN_MIXTURE_PERCENT,            "mixture",                VarKind::F64, Unit::percent,    "percent: mixture lever", 0, 100},
    {TOKEN_FLAPS_INDEX,                "flaps",                  VarKind::F64, Unit::number,     "number: flap handle notch, 0 up .. 4", 0, 4},
    {TOKEN_ELEVATOR_TRIM_DEG,          "elevator_trim",          VarKind::F64, Unit::degrees,    "degrees: nose up positive", -30, 30},
    {TOKEN_OUTSIDE_AIR_C,              "outside_air",            VarKind::F64, Unit::celsius,    "celsius: outside air temperature", -100, 100},
    {TOKEN_FUEL_SELECTOR,              "fuel_selector",          VarKind::F64, Unit::flag,       "enum: 0 off, 1 all, 2 left, 3 right", 0, 3},
    {TOKEN_LIGHT_BEACON,               "light_beacon",           VarKind::F64, Unit::flag,       "bool: beacon on", 0, 1},
    {TOKEN_LIGHT_LANDING,              "light_landing",          VarKind::F64, Unit::flag,       "bool: landing light on", 0, 1},
    {TOKEN_LIGHT_TAXI,                 "light_taxi",             VarKind::F64, Unit::flag,       "bool: taxi light on", 0, 1},
    {TOKEN_LIGHT_NAV,                  "light_nav",              VarKind::F64, Unit::flag,       "bool: navigation lights on", 0, 1},
    {TOKEN_PITOT_HEAT,                 "pitot_heat",             VarKind::F64, Unit::flag,       "bool: pitot heat on", 0, 1},
    {TOKEN_MAGNETOS,                   "magnetos",               VarKind::F64, Unit::flag,       "enum: 0 off, 1 right, 2 left, 3 both, 4 start", 0, 4},
    {TOKEN_PRIMER,                     "primer",                 VarKind::F64, Unit::position,   "position: 0 in, 1 out", 0, 1},
    {TOKEN_CARB_HEAT_PERCENT,          "carb_heat",              VarKind::F64, Unit::percent,    "percent: carburettor heat", 0, 100},
    {TOKEN_NAV2_COURSE_DEG,            "nav2_course",            VarKind::F64, Unit::degrees,    "degrees: NAV2 selected course", -1e6, 1e6},
    {0,                                nullptr,                  VarKind::U32, Unit::word,        nullptr, 0, 0},  // end of table
};
// clang-format on
static_assert(sizeof kTokens / sizeof kTokens[0] == kTokenCount + 1, "kTokenCount counts the rows");

// Row by token, for every token below kTokenSpan (all the table has): -1 for none.
constexpr uint32_t kTokenSpan = 1024;
struct TokenIndex {
    int16_t row[kTokenSpan];
};
constexpr TokenIndex make_index() {
    TokenIndex index{};
    for (uint32_t t = 0; t < kTokenSpan; ++t) index.row[t] = -1;
    for (size_t i = 0; i < kTokenCount; ++i) index.row[kTokens[i].token] = static_cast<int16_t>(i);
    return index;
}
constexpr TokenIndex kIndex = make_index();
constexpr bool tokens_below_span() {
    for (size_t i = 0; i < kTokenCount; ++i)
        if (kTokens[i].token >= kTokenSpan) return false;
    return true;
}
static_assert(tokens_below_span(), "raise kTokenSpan");

}  // namespace

const TokenInfo* token_table() { return kTokens; }

const TokenInfo* find_token(uint32_t token) {
    if (token >= kTokenSpan || kIndex.row[token] < 0) return nullptr;
    return &kTokens[kIndex.row[token]];
}

const TokenInfo* find_token(std::string_view name_or_number) {
    for (const TokenInfo* row = kTokens; row->name; ++row)
        if (name_or_number == row->name) return row;
    const Parsed<long long> number = parse_whole(name_or_number, 0, UINT32_MAX);
    return number.ok() ? find_token(static_cast<uint32_t>(number.value)) : nullptr;
}

TokenSetting read_token_setting(std::string_view token, std::string_view value) {
    TokenSetting setting;
    setting.token = find_token(token);
    if (!setting.token) {
        setting.fault = TokenSetting::Fault::unknown_token;
        setting.problem = "unknown variable \"" + std::string(token) + "\" (a token number or name)";
        return setting;
    }
    const Parsed<double> number = parse_number(value);
    if (!number.ok()) {
        setting.fault = TokenSetting::Fault::not_a_number;
        setting.problem = number.problem;
        return setting;
    }
    setting.value = number.value;
    setting.problem = check_setting(*setting.token, number.value);
    if (!setting.problem.empty()) setting.fault = TokenSetting::Fault::out_of_range;
    return setting;
}

std::string check_setting(const TokenInfo& token, double value) {
    if (value >= token.min && value <= token.max) return {};
    char text[160];
    std::snprintf(text, sizeof text, "%.15g is out of range for %s (%.15g to %.15g)", value, token.name, token.min,
                  token.max);
    return text;
}
