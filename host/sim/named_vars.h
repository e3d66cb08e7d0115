// The simulated aircraft by the names other authors' XML gauges use: their A: variables
// mapped to the host's tokens, each with the unit it is kept in, their K: events mapped to
// the events the module sends for the same thing (COM_RADIO_WHOLE_INC is the COM1 MHz knob
// of Old_COM1), and the one table of units a script may ask a variable in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a variable's value comes out of its token.
enum class NamedForm : uint8_t {
    plain,       // the token's number times scale
    bcd_com,     // BCD digits after the leading 1 of 1xx.xx MHz (COM and NAV)
    bcd_adf,     // BCD kHz with the thousands flag in a second token
    bcd_squawk,  // BCD digits read as a decimal number (1200)
    nonzero,     // 1 when the token is not 0
    both,        // 1 when the token and the second one are not 0
};

struct NamedVar {
    const char* name;  // upper case, single spaces, as the simulator spells it
    uint32_t token;
    const char* unit;  // a name of the unit table: the unit the value is in
    NamedForm form;
    double scale;
    uint32_t token2;  // bcd_adf, both
};

struct NamedEvent {
    const char* name;
    uint32_t event_id;
    bool takes_value;  // the script's value goes with it (a window ident, a lever's 0..16383)
};

// The variable a script names (without regard to case or spacing; ":1" is the first
// of several and may be left out), or null for one the host does not simulate.
const NamedVar* find_named_var(std::string_view name);
const NamedEvent* find_named_event(std::string_view name);
// Every row, ended by a row whose name is null.
const NamedVar* named_var_table();
const NamedEvent* named_event_table();

// The variable's value in its own unit, from its tokens' numbers.
double named_value(const NamedVar& var, double number, double number2);

// How to turn a value in unit `from` into unit `to`: to = from_value * factor + offset.
// False, with the problem in words, for a unit the table lacks or one that does not
// measure the same thing. A plain number (number, bool, enum, ...) takes any value as it is.
bool unit_conversion(std::string_view from, std::string_view to, double& factor, double& offset, std::string& problem);
// True when the unit table knows the unit.
bool known_unit(std::string_view unit);
