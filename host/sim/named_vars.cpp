// The A: variable, K: event and unit tables for other authors' gauges.
#include "host/sim/named_vars.h"

#include <cctype>
#include <cmath>

#include "host/sim/cabin_ids.h"
#include "sdk/ids.h"

namespace {

// clang-format off
constexpr NamedVar kVars[] = {
    // name                                  token                          unit                    form                 scale token2
    {"AIRSPEED INDICATED",                   TOKEN_AIRSPEED_KNOTS,          "knots",                NamedForm::plain,      1, 0},
    {"AIRSPEED SELECT INDICATED OR TRUE",    TOKEN_AIRSPEED_KNOTS,          "knots",                NamedForm::plain,      1, 0},
    {"AIRSPEED TRUE",                        TOKEN_AIRSPEED_KNOTS,          "knots",                NamedForm::plain,      1, 0},
    {"INDICATED ALTITUDE",                   TOKEN_ALTITUDE_FT,             "feet",                 NamedForm::plain,      1, 0},
    {"PLANE ALTITUDE",                       TOKEN_ALTITUDE_FT,             "feet",                 NamedForm::plain,      1, 0},
    {"VERTICAL SPEED",                       TOKEN_VERTICAL_SPEED_FPM,      "feet per minute",      NamedForm::plain,      1, 0},
    {"ATTITUDE INDICATOR PITCH DEGREES",     TOKEN_PITCH_DEG,               "degrees",              NamedForm::plain,      1, 0},
    {"ATTITUDE INDICATOR BANK DEGREES",      TOKEN_BANK_DEG,                "degrees",              NamedForm::plain,      1, 0},
    {"PLANE PITCH DEGREES",                  TOKEN_PITCH_DEG,               "degrees",              NamedForm::plain,      1, 0},
    {"PLANE BANK DEGREES",                   TOKEN_BANK_DEG,                "degrees",              NamedForm::plain,      1, 0},
    {"PLANE HEADING DEGREES GYRO",           TOKEN_COMPASS_DEG,             "degrees",              NamedForm::plain,      1, 0},
    {"PLANE HEADING DEGREES MAGNETIC",       TOKEN_COMPASS_DEG,             "degrees",              NamedForm::plain,      1, 0},
    {"HEADING INDICATOR",                    TOKEN_COMPASS_DEG,             "degrees",              NamedForm::plain,      1, 0},
    {"WISKEY COMPASS INDICATION DEGREES",    TOKEN_COMPASS_DEG,             "degrees",              NamedForm::plain,      1, 0},
    {"TURN INDICATOR RATE",                  TOKEN_TURN_RATE_DEG_S,         "degrees per second",   NamedForm::plain,      1, 0},
    {"DELTA HEADING RATE",                   TOKEN_TURN_RATE_DEG_S,         "degrees per second",   NamedForm::plain,      1, 0},
    {"TURN COORDINATOR BALL",                TOKEN_TURN_BALL,               "position",             NamedForm::plain,      1, 0},
    {"GENERAL ENG RPM",                      TOKEN_ENGINE_RPM,              "rpm",                  NamedForm::plain,      1, 0},
    {"GENERAL ENG1 RPM",                     TOKEN_ENGINE_RPM,              "rpm",                  NamedForm::plain,      1, 0},
    {"PROP RPM",                             TOKEN_ENGINE_RPM,              "rpm",                  NamedForm::plain,      1, 0},
    {"FUEL TANK LEFT MAIN LEVEL",            TOKEN_FUEL_LEFT_PERCENT,       "percent",              NamedForm::plain,      1, 0},
    {"FUEL TANK RIGHT MAIN LEVEL",           TOKEN_FUEL_RIGHT_PERCENT,      "percent",              NamedForm::plain,      1, 0},
    {"GENERAL ENG OIL TEMPERATURE",          TOKEN_OIL_TEMPERATURE_F,       "fahrenheit",           NamedForm::plain,      1, 0},
    {"GENERAL ENG1 OIL TEMPERATURE",         TOKEN_OIL_TEMPERATURE_F,       "fahrenheit",           NamedForm::plain,      1, 0},
    {"GENERAL ENG OIL PRESSURE",             TOKEN_OIL_PRESSURE_PSI,        "psi",                  NamedForm::plain,      1, 0},
    {"GENERAL ENG1 OIL PRESSURE",            TOKEN_OIL_PRESSURE_PSI,        "psi",                  NamedForm::plain,      1, 0},
    {"SUCTION PRESSURE",                     TOKEN_SUCTION_INHG,            "inHg",                 NamedForm::plain,      1, 0},
    {"ELECTRICAL BATTERY LOAD",              TOKEN_BATTERY_LOAD_AMPS,       "amperes",              NamedForm::plain,      1, 0},
    {"ELECTRICAL MASTER BATTERY",            TOKEN_BATTERY_MASTER,          "bool",                 NamedForm::nonzero,    1, 0},
    {"CIRCUIT GENERAL PANEL ON",             TOKEN_BATTERY_MASTER,          "bool",                 NamedForm::nonzero,    1, 0},
    {"GENERAL ENG MASTER ALTERNATOR",        TOKEN_ALTERNATOR,              "bool",                 NamedForm::nonzero,    1, 0},
    {"GENERAL ENG1 GENERATOR SWITCH",        TOKEN_ALTERNATOR,              "bool",                 NamedForm::nonzero,    1, 0},
    {"AVIONICS MASTER SWITCH",               TOKEN_AVIONICS_MASTER,         "bool",                 NamedForm::nonzero,    1, 0},
    {"CIRCUIT AVIONICS ON",                  TOKEN_AVIONICS_MASTER,         "bool",                 NamedForm::both,       1, TOKEN_BATTERY_MASTER},
    {"GENERAL ENG THROTTLE LEVER POSITION",  TOKEN_THROTTLE_PERCENT,        "percent",              NamedForm::plain,      1, 0},
    {"GENERAL ENG MIXTURE LEVER POSITION",   TOKEN_MIXTURE_PERCENT,         "percent",              NamedForm::plain,      1, 0},
    {"FLAPS HANDLE INDEX",                   TOKEN_FLAPS_INDEX,             "number",               NamedForm::plain,      1, 0},
    {"TRAILING EDGE FLAPS LEFT PERCENT",     TOKEN_FLAPS_INDEX,             "percent",              NamedForm::plain,     25, 0},
    {"ELEVATOR TRIM POSITION",               TOKEN_ELEVATOR_TRIM_DEG,       "degrees",              NamedForm::plain,      1, 0},
    {"AMBIENT TEMPERATURE",                  TOKEN_OUTSIDE_AIR_C,           "celsius",              NamedForm::plain,      1, 0},
    {"RECIP ENG FUEL TANK SELECTOR",         TOKEN_FUEL_SELECTOR,           "enum",                 NamedForm::plain,      1, 0},
    {"LIGHT BEACON",                         TOKEN_LIGHT_BEACON,            "bool",                 NamedForm::nonzero,    1, 0},
    {"LIGHT LANDING",                        TOKEN_LIGHT_LANDING,           "bool",                 NamedForm::nonzero,    1, 0},
    {"LIGHT TAXI",                           TOKEN_LIGHT_TAXI,              "bool",                 NamedForm::nonzero,    1, 0},
    {"LIGHT NAV",                            TOKEN_LIGHT_NAV,               "bool",                 NamedForm::nonzero,    1, 0},
    {"PITOT HEAT",                           TOKEN_PITOT_HEAT,              "bool",                 NamedForm::nonzero,    1, 0},
    {"OLD ENG1 STARTER",                     TOKEN_MAGNETOS,                "enum",                 NamedForm::plain,      1, 0},
    {"RECIP ENG LEFT MAGNETO",               TOKEN_MAGNETOS,                "enum",                 NamedForm::plain,      1, 0},
    {"RECIP ENG PRIMER",                     TOKEN_PRIMER,                  "position",             NamedForm::plain,      1, 0},
    {"ENG ANTI ICE",                         TOKEN_CARB_HEAT_PERCENT,       "percent",              NamedForm::plain,      1, 0},
    {"COM1 ACTIVE FREQUENCY",                TOKEN_COM1_FREQUENCY_BCD,      "MHz",                  NamedForm::bcd_com,    1, 0},
    {"COM2 ACTIVE FREQUENCY",                TOKEN_COM2_FREQUENCY_BCD,      "MHz",                  NamedForm::bcd_com,    1, 0},
    {"NAV1 ACTIVE FREQUENCY",                TOKEN_NAV1_FREQUENCY_BCD,      "MHz",                  NamedForm::bcd_com,    1, 0},
    {"NAV2 ACTIVE FREQUENCY",                TOKEN_NAV2_FREQUENCY_BCD,      "MHz",                  NamedForm::bcd_com,    1, 0},
    {"ADF1 ACTIVE FREQUENCY",                TOKEN_ADF_FREQUENCY_BCD,       "KHz",                  NamedForm::bcd_adf,    1, TOKEN_ADF_EXTENDED_FREQUENCY_BCD},
    {"ADF ACTIVE FREQUENCY",                 TOKEN_ADF_FREQUENCY_BCD,       "KHz",                  NamedForm::bcd_adf,    1, TOKEN_ADF_EXTENDED_FREQUENCY_BCD},
    {"TRANSPONDER1 CODE",                    TOKEN_XPDR_CODE_BCD,           "number",               NamedForm::bcd_squawk, 1, 0},
    {"TRANSPONDER CODE",                     TOKEN_XPDR_CODE_BCD,           "number",               NamedForm::bcd_squawk, 1, 0},
    {"ADF RADIAL",                           TOKEN_ADF_BEARING_DEG,         "degrees",              NamedForm::plain,      1, 0},
    {"ADF CARD",                             TOKEN_ADF_CARD_RAD,            "radians",              NamedForm::plain,     -1, 0},
    {"NAV OBS",                              TOKEN_NAV1_COURSE_DEG,         "degrees",              NamedForm::plain,      1, 0},
    {"NAV1 OBS",                             TOKEN_NAV1_COURSE_DEG,         "degrees",              NamedForm::plain,      1, 0},
    {"NAV2 OBS",                             TOKEN_NAV2_COURSE_DEG,         "degrees",              NamedForm::plain,      1, 0},
    {"NAV TOFROM",                           TOKEN_NAV1_TO_FROM_FLAG,       "enum",                 NamedForm::plain,      1, 0},
    {"NAV1 TOFROM",                          TOKEN_NAV1_TO_FROM_FLAG,       "enum",                 NamedForm::plain,      1, 0},
    {"NAV CDI",                              TOKEN_NAV1_DEVIATION_FULL_SCALE, "number",             NamedForm::plain,    127, 0},
    {"NAV1 CDI",                             TOKEN_NAV1_DEVIATION_FULL_SCALE, "number",             NamedForm::plain,    127, 0},
    {"NAV1 HAS NAV",                         TOKEN_NAV1_TO_FROM_FLAG,       "bool",                 NamedForm::nonzero,    1, 0},
    {"NAV HAS NAV",                          TOKEN_NAV1_TO_FROM_FLAG,       "bool",                 NamedForm::nonzero,    1, 0},
    {"NAV GSI",                              TOKEN_NAV1_GLIDESLOPE_FULL_SCALE, "number",            NamedForm::plain,    119, 0},
    {"NAV GS FLAG",                          TOKEN_NAV1_GLIDESLOPE_FLAG,    "bool",                 NamedForm::nonzero,    1, 0},
    {nullptr,                                0,                             nullptr,                NamedForm::plain,      0, 0},
};

constexpr NamedEvent kEvents[] = {
    // name                       event id                        takes a value
    {"COM_RADIO_WHOLE_INC",       EVENT_COM1_MHZ_UP,              false},
    {"COM_RADIO_WHOLE_DEC",       EVENT_COM1_MHZ_DOWN,            false},
    {"COM_RADIO_FRACT_INC",       EVENT_COM1_FRACTION_UP,         false},
    {"COM_RADIO_FRACT_DEC",       EVENT_COM1_FRACTION_DOWN,       false},
    {"COM2_RADIO_WHOLE_INC",      EVENT_COM2_MHZ_UP,              false},
    {"COM2_RADIO_WHOLE_DEC",      EVENT_COM2_MHZ_DOWN,            false},
    {"COM2_RADIO_FRACT_INC",      EVENT_COM2_FRACTION_UP,         false},
    {"COM2_RADIO_FRACT_DEC",      EVENT_COM2_FRACTION_DOWN,       false},
    {"NAV1_RADIO_WHOLE_INC",      EVENT_NAV1_MHZ_UP,              false},
    {"NAV1_RADIO_WHOLE_DEC",      EVENT_NAV1_MHZ_DOWN,            false},
    {"NAV1_RADIO_FRACT_INC",      EVENT_NAV1_FRACTION_UP,         false},
    {"NAV1_RADIO_FRACT_DEC",      EVENT_NAV1_FRACTION_DOWN,       false},
    {"NAV2_RADIO_WHOLE_INC",      EVENT_NAV2_MHZ_UP,              false},
    {"NAV2_RADIO_WHOLE_DEC",      EVENT_NAV2_MHZ_DOWN,            false},
    {"NAV2_RADIO_FRACT_INC",      EVENT_NAV2_FRACTION_UP,         false},
    {"NAV2_RADIO_FRACT_DEC",      EVENT_NAV2_FRACTION_DOWN,       false},
    {"ADF_100_INC",               EVENT_ADF_HUNDREDS_UP,          false},
    {"ADF_100_DEC",               EVENT_ADF_HUNDREDS_DOWN,        false},
    {"ADF_10_INC",                EVENT_ADF_TENS_UP,              false},
    {"ADF_10_DEC",                EVENT_ADF_TENS_DOWN,            false},
    {"ADF_1_INC",                 EVENT_ADF_UNITS_UP,             false},
    {"ADF_1_DEC",                 EVENT_ADF_UNITS_DOWN,           false},
    {"ADF_CARD_INC",              EVENT_ADF_CARD_UP,              false},
    {"ADF_CARD_DEC",              EVENT_ADF_CARD_DOWN,            false},
    {"XPNDR_1000_INC",            EVENT_XPDR_THOUSANDS_UP,        false},
    {"XPNDR_1000_DEC",            EVENT_XPDR_THOUSANDS_DOWN,      false},
    {"XPNDR_100_INC",             EVENT_XPDR_HUNDREDS_UP,         false},
    {"XPNDR_100_DEC",             EVENT_XPDR_HUNDREDS_DOWN,       false},
    {"XPNDR_10_INC",              EVENT_XPDR_TENS_UP,             false},
    {"XPNDR_10_DEC",              EVENT_XPDR_TENS_DOWN,           false},
    {"XPNDR_1_INC",               EVENT_XPDR_UNITS_UP,            false},
    {"XPNDR_1_DEC",               EVENT_XPDR_UNITS_DOWN,          false},
    {"VOR1_SET",                  EVENT_NAV1_COURSE_SET,          true},
    {"VOR1_OBI_INC",              EVENT_VOR1_OBI_INC,             false},
    {"VOR1_OBI_DEC",              EVENT_VOR1_OBI_DEC,             false},
    {"VOR2_OBI_INC",              EVENT_VOR2_OBI_INC,             false},
    {"VOR2_OBI_DEC",              EVENT_VOR2_OBI_DEC,             false},
    {"PANEL_ID_TOGGLE",           EVENT_PANEL_WINDOW_TOGGLE,      true},
    {"PANEL_ID_OPEN",             EVENT_PANEL_WINDOW_OPEN,        true},
    {"PANEL_ID_CLOSE",            EVENT_PANEL_WINDOW_CLOSE,       true},
    {"ATC",                       EVENT_ATC_WINDOW_TOGGLE,        false},
    {"KNEEBOARD_VIEW",            EVENT_KNEEBOARD_TOGGLE,         false},
    {"FLIGHT_MAP",                EVENT_MAP_TOGGLE,               false},
    {"TOGGLE_MASTER_BATTERY",     EVENT_BATTERY_TOGGLE,           false},
    {"TOGGLE_ALTERNATOR1",        EVENT_ALTERNATOR_TOGGLE,        false},
    {"TOGGLE_AVIONICS_MASTER",    EVENT_AVIONICS_TOGGLE,          false},
    {"THROTTLE1_SET",             EVENT_THROTTLE_SET,             true},
    {"MIXTURE1_SET",              EVENT_MIXTURE_SET,              true},
    {"FLAPS_INCR",                EVENT_FLAPS_INCR,               false},
    {"FLAPS_DECR",                EVENT_FLAPS_DECR,               false},
    {"TOGGLE_BEACON_LIGHTS",      EVENT_BEACON_TOGGLE,            false},
    {"LANDING_LIGHTS_TOGGLE",     EVENT_LANDING_TOGGLE,           false},
    {"TOGGLE_TAXI_LIGHTS",        EVENT_TAXI_TOGGLE,              false},
    {"TOGGLE_NAV_LIGHTS",         EVENT_NAV_LIGHTS_TOGGLE,        false},
    {"PITOT_HEAT_TOGGLE",         EVENT_PITOT_HEAT_TOGGLE,        false},
    {"MAGNETO1_INCR",             EVENT_MAGNETO_INCR,             false},
    {"MAGNETO1_DECR",             EVENT_MAGNETO_DECR,             false},
    {"TOGGLE_PRIMER",             EVENT_PRIMER_TOGGLE,            false},
    {"ANTI_ICE_TOGGLE",           EVENT_CARB_HEAT_TOGGLE,         false},
    {"FUEL_SELECTOR_OFF",         EVENT_FUEL_SELECTOR_OFF,        false},
    {"FUEL_SELECTOR_ALL",         EVENT_FUEL_SELECTOR_ALL,        false},
    {"FUEL_SELECTOR_LEFT",        EVENT_FUEL_SELECTOR_LEFT,       false},
    {"FUEL_SELECTOR_RIGHT",       EVENT_FUEL_SELECTOR_RIGHT,      false},
    {"ELEV_TRIM_UP",              EVENT_ELEV_TRIM_UP,             false},
    {"ELEV_TRIM_DN",              EVENT_ELEV_TRIM_DOWN,           false},
    {nullptr,                     0,                              false},
};

// What a unit measures and how it stands to the first unit of its kind:
// first = value * factor + offset.
enum class Measure : uint8_t { plain, speed, length, angle, turn_rate, climb, pressure, temperature, frequency,
                               percent, time, current, voltage, volume };
struct UnitRow { const char* names; Measure measure; double factor; double offset; };
constexpr UnitRow kUnits[] = {
    // names, '|' between spellings                          measures              factor        offset
    {"number|numbers|bool|boolean|enum|mask|flags|position|part|scalar|bco16|bcd16|frequency bcd16",
                                                             Measure::plain,       1,            0},
    {"knots|knot|kt|kts",                                    Measure::speed,       1,            0},
    {"mph|miles per hour",                                   Measure::speed,       0.868976,     0},
    {"kilometers per hour|km/h|kph",                         Measure::speed,       0.539957,     0},
    {"meters per second|m/s",                                Measure::speed,       1.943844,     0},
    {"feet|foot|ft",                                         Measure::length,      1,            0},
    {"meters|meter|m",                                       Measure::length,      3.280840,     0},
    {"nautical miles|nmiles|nmile",                          Measure::length,      6076.12,      0},
    {"degrees|degree|deg",                                   Measure::angle,       1,            0},
    {"radians|radian|rad",                                   Measure::angle,       57.29577951308232, 0},
    {"degrees per second|deg/s",                             Measure::turn_rate,   1,            0},
    {"radians per second|rad/s",                             Measure::turn_rate,   57.29577951308232, 0},
    {"rpm|rpms|revolutions per minute",                      Measure::turn_rate,   6,            0},
    {"feet per minute|ft/min|fpm",                           Measure::climb,       1,            0},
    {"feet per second|ft/s",                                 Measure::climb,       60,           0},
    {"meters per minute",                                    Measure::climb,       3.280840,     0},
    {"psi|pounds per square inch",                           Measure::pressure,    1,            0},
    {"inhg|inches of mercury",                               Measure::pressure,    0.4911541,    0},
    {"millibars|mbar|hectopascals|hpa",                      Measure::pressure,    0.01450377,   0},
    {"celsius|c",                                            Measure::temperature, 1,            0},
    {"fahrenheit|farenheit|f",                               Measure::temperature, 5.0 / 9.0,    -32.0 * 5.0 / 9.0},
    {"kelvin|k",                                             Measure::temperature, 1,            -273.15},
    {"rankine",                                              Measure::temperature, 5.0 / 9.0,    -273.15},
    {"mhz|megahertz",                                        Measure::frequency,   1,            0},
    {"khz|kilohertz",                                        Measure::frequency,   0.001,        0},
    {"hz|hertz",                                             Measure::frequency,   0.000001,     0},
    {"percent|percentage",                                   Measure::percent,     1,            0},
    {"percent over 100",                                     Measure::percent,     100,          0},
    {"seconds|second|sec|s",                                 Measure::time,        1,            0},
    {"minutes|minute|min",                                   Measure::time,        60,           0},
    {"hours|hour|h",                                         Measure::time,        3600,         0},
    {"amperes|ampere|amps|amp",                              Measure::current,     1,            0},
    {"volts|volt|v",                                         Measure::voltage,     1,            0},
    {"gallons|gallon|gal",                                   Measure::volume,      1,            0},
    {"liters|liter|litres",                                  Measure::volume,      0.264172,     0},
};
// clang-format on

// Upper case, runs of blanks as one space, ":1" dropped.
std::string canonical(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == ' ' || c == '\t' || c == '_') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.size() > 2 && out.compare(out.size() - 2, 2, ":1") == 0) out.resize(out.size() - 2);
    return out;
}

std::string lower_spaced(std::string_view unit) {
    std::string out;
    for (char c : unit) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

const UnitRow* find_unit(std::string_view unit) {
    const std::string wanted = lower_spaced(unit);
    for (const UnitRow& row : kUnits) {
        std::string_view names = row.names;
        while (!names.empty()) {
            const auto bar = names.find('|');
            if (names.substr(0, bar) == wanted) return &row;
            if (bar == std::string_view::npos) break;
            names.remove_prefix(bar + 1);
        }
    }
    return nullptr;
}

uint32_t bcd_to_decimal(uint32_t bcd, int digits) {
    uint32_t value = 0;
    for (int i = digits - 1; i >= 0; --i) value = value * 10 + (bcd >> (4 * i) & 0xF);
    return value;
}

}  // namespace

const NamedVar* named_var_table() { return kVars; }
const NamedEvent* named_event_table() { return kEvents; }

const NamedVar* find_named_var(std::string_view name) {
    const std::string wanted = canonical(name);
    for (const NamedVar* row = kVars; row->name; ++row)
        if (wanted == row->name) return row;
    return nullptr;
}

const NamedEvent* find_named_event(std::string_view name) {
    std::string wanted;
    for (char c : name)
        if (c != ' ' && c != '\t') wanted += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const NamedEvent* row = kEvents; row->name; ++row)
        if (wanted == row->name) return row;
    return nullptr;
}

double named_value(const NamedVar& var, double number, double number2) {
    const auto word = static_cast<uint32_t>(number >= 0 && number <= 4294967295.0 ? number : 0);
    switch (var.form) {
        case NamedForm::plain: return number * var.scale;
        case NamedForm::bcd_com: return 100.0 + bcd_to_decimal(word & 0xFFFF, 4) / 100.0;
        case NamedForm::bcd_adf:
            return bcd_to_decimal(word & 0xFFF, 3) + ((static_cast<uint32_t>(number2) & 0x100) ? 1000.0 : 0.0);
        case NamedForm::bcd_squawk: return bcd_to_decimal(word & 0xFFFF, 4);
        case NamedForm::nonzero: return number != 0 ? 1 : 0;
        case NamedForm::both: return number != 0 && number2 != 0 ? 1 : 0;
    }
    return 0;
}

bool known_unit(std::string_view unit) { return find_unit(unit) != nullptr; }

bool unit_conversion(std::string_view from, std::string_view to, double& factor, double& offset, std::string& problem) {
    factor = 1;
    offset = 0;
    const UnitRow* source = find_unit(from);
    const UnitRow* target = to.empty() ? source : find_unit(to);
    if (!target) return problem = "unknown unit \"" + std::string(to) + "\"", false;
    if (!source) return problem = "unknown unit \"" + std::string(from) + "\"", false;
    if (target->measure == Measure::plain || source->measure == Measure::plain) return true;
    if (target->measure != source->measure)
        return problem = "unit \"" + std::string(to) + "\" does not measure what " + std::string(from) + " does", false;
    // first = v * fs + os; to = (first - ot) / ft
    factor = source->factor / target->factor;
    offset = (source->offset - target->offset) / target->factor;
    return true;
}
