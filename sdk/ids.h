// The host's numbers the module and the host share, each named once: variable tokens
// (the unit or encoding of the value is the last word of the name), event ids, and the
// two name tables of the parameter command language (panel windows, help ids). Plain
// constants and constant tables: the module's constant-initialised records use them.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------------
// Variable tokens. _BCD: a 32-bit word of binary-coded decimal digits, one per nibble;
// _FLAG: a state number; _FULL_SCALE: -1..1 of the instrument's full deflection;
// _WORD: a 32-bit word with no unit. Every other unit is spelled out.

// clang-format off
//                                                          token   read as
inline constexpr uint32_t TOKEN_ADF_FREQUENCY_BCD           = 16;   // hundreds, tens, units of kHz
inline constexpr uint32_t TOKEN_ADF_EXTENDED_FREQUENCY_BCD  = 18;   // 0x100 while the thousands digit is 1
inline constexpr uint32_t TOKEN_ADF_CARD_RAD                = 22;   // ADF card turn, clockwise positive
inline constexpr uint32_t TOKEN_COM1_FREQUENCY_BCD          = 23;   // the four digits after the leading 1
inline constexpr uint32_t TOKEN_NAV1_FREQUENCY_BCD          = 24;   // the four digits after the leading 1
inline constexpr uint32_t TOKEN_NAV2_FREQUENCY_BCD          = 27;   // as NAV1
inline constexpr uint32_t TOKEN_XPDR_CODE_BCD               = 38;   // squawk, one octal digit per nibble
inline constexpr uint32_t TOKEN_ADF_BEARING_DEG             = 39;   // relative bearing of the NDB
inline constexpr uint32_t TOKEN_NAV1_TO_FROM_FLAG           = 43;   // integer word: 0 off, 1 TO, 2 FROM
inline constexpr uint32_t TOKEN_NAV1_GLIDESLOPE_FLAG        = 44;   // 1.0 while a glideslope is received
inline constexpr uint32_t TOKEN_NAV1_COURSE_DEG             = 45;   // the selected course
inline constexpr uint32_t TOKEN_AIRSPEED_KNOTS              = 61;   // indicated airspeed
inline constexpr uint32_t TOKEN_COMPASS_DEG                 = 83;   // magnetic heading
inline constexpr uint32_t TOKEN_NAV1_MARKER_FLAG            = 354;  // 1.0 over the VOR: the VOR lamp's source
inline constexpr uint32_t TOKEN_CLOCK_SECONDS               = 604;  // the lamp's blink time base
inline constexpr uint32_t TOKEN_NAV1_DEVIATION_FULL_SCALE   = 849;  // course deviation, course to the right > 0
inline constexpr uint32_t TOKEN_NAV1_GLIDESLOPE_FULL_SCALE  = 850;  // above the glide path > 0
inline constexpr uint32_t TOKEN_NAV1_COURSE_CARD_RAD        = 854;  // course card turn, clockwise positive
inline constexpr uint32_t TOKEN_COM2_FREQUENCY_BCD          = 870;  // as COM1
inline constexpr uint32_t TOKEN_ADF_MODE_SOURCE_WORD        = 880;  // bound by the ADF mode switch, not read
// clang-format on

// ---------------------------------------------------------------------------------
// Event ids, sent with value 0 unless the comment gives the value.

// clang-format off
//                                                          id              hex
// COM and NAV tuning: whole megahertz and the decimal part, one step up or down.
inline constexpr uint32_t EVENT_COM1_MHZ_UP                 = 65637;  // 0x10065
inline constexpr uint32_t EVENT_COM1_MHZ_DOWN               = 65636;  // 0x10064
inline constexpr uint32_t EVENT_COM1_FRACTION_UP            = 65639;  // 0x10067
inline constexpr uint32_t EVENT_COM1_FRACTION_DOWN          = 65638;  // 0x10066
inline constexpr uint32_t EVENT_COM2_MHZ_UP                 = 66437;  // 0x10385
inline constexpr uint32_t EVENT_COM2_MHZ_DOWN               = 66436;  // 0x10384
inline constexpr uint32_t EVENT_COM2_FRACTION_UP            = 66440;  // 0x10388 (0x10387 is not a COM2 event)
inline constexpr uint32_t EVENT_COM2_FRACTION_DOWN          = 66438;  // 0x10386
inline constexpr uint32_t EVENT_NAV1_MHZ_UP                 = 65641;  // 0x10069
inline constexpr uint32_t EVENT_NAV1_MHZ_DOWN               = 65640;  // 0x10068
inline constexpr uint32_t EVENT_NAV1_FRACTION_UP            = 65643;  // 0x1006B
inline constexpr uint32_t EVENT_NAV1_FRACTION_DOWN          = 65642;  // 0x1006A
inline constexpr uint32_t EVENT_NAV2_MHZ_UP                 = 65645;  // 0x1006D
inline constexpr uint32_t EVENT_NAV2_MHZ_DOWN               = 65644;  // 0x1006C
inline constexpr uint32_t EVENT_NAV2_FRACTION_UP            = 65647;  // 0x1006F
inline constexpr uint32_t EVENT_NAV2_FRACTION_DOWN          = 65646;  // 0x1006E
// The NAV sets' VOR ident audio.
inline constexpr uint32_t EVENT_NAV1_IDENT_OFF              = 65832;  // 0x10128
inline constexpr uint32_t EVENT_NAV1_IDENT_ON               = 65837;  // 0x1012D
inline constexpr uint32_t EVENT_NAV2_IDENT_OFF              = 65833;  // 0x10129
inline constexpr uint32_t EVENT_NAV2_IDENT_ON               = 65838;  // 0x1012E
// ADF tuning, digit by digit, and its identifier audio.
inline constexpr uint32_t EVENT_ADF_HUNDREDS_UP             = 65648;  // 0x10070
inline constexpr uint32_t EVENT_ADF_HUNDREDS_DOWN           = 65666;  // 0x10082
inline constexpr uint32_t EVENT_ADF_TENS_UP                 = 65649;  // 0x10071
inline constexpr uint32_t EVENT_ADF_TENS_DOWN               = 65667;  // 0x10083
inline constexpr uint32_t EVENT_ADF_UNITS_UP                = 65650;  // 0x10072
inline constexpr uint32_t EVENT_ADF_UNITS_DOWN              = 65668;  // 0x10084
inline constexpr uint32_t EVENT_ADF_IDENT_OFF               = 65836;  // 0x1012C
inline constexpr uint32_t EVENT_ADF_IDENT_ON                = 65841;  // 0x10131
// Transponder code, digit by digit.
inline constexpr uint32_t EVENT_XPDR_THOUSANDS_UP           = 65651;  // 0x10073
inline constexpr uint32_t EVENT_XPDR_THOUSANDS_DOWN         = 66455;  // 0x10397
inline constexpr uint32_t EVENT_XPDR_HUNDREDS_UP            = 65652;  // 0x10074
inline constexpr uint32_t EVENT_XPDR_HUNDREDS_DOWN          = 66456;  // 0x10398
inline constexpr uint32_t EVENT_XPDR_TENS_UP                = 65653;  // 0x10075
inline constexpr uint32_t EVENT_XPDR_TENS_DOWN              = 66457;  // 0x10399
inline constexpr uint32_t EVENT_XPDR_UNITS_UP               = 65654;  // 0x10076
inline constexpr uint32_t EVENT_XPDR_UNITS_DOWN             = 66458;  // 0x1039A
// Flight instruments.
inline constexpr uint32_t EVENT_NAV1_COURSE_SET             = 65716;  // 0x100B4  value: the course in whole degrees
inline constexpr uint32_t EVENT_ADF_CARD_UP                 = 65881;  // 0x10159  the card's heading one degree up
inline constexpr uint32_t EVENT_ADF_CARD_DOWN               = 65882;  // 0x1015A  one degree down
// Panel windows, the value a window number; and the cockpit.
inline constexpr uint32_t EVENT_PANEL_WINDOW_TOGGLE         = 66506;  // 0x103CA  value: the window
inline constexpr uint32_t EVENT_PANEL_WINDOW_OPEN           = 66507;  // 0x103CB  value: the window
inline constexpr uint32_t EVENT_PANEL_WINDOW_CLOSE          = 66508;  // 0x103CC  value: the window
inline constexpr uint32_t EVENT_ATC_WINDOW_TOGGLE           = 65564;  // 0x1001C
inline constexpr uint32_t EVENT_KNEEBOARD_TOGGLE            = 65876;  // 0x10154
inline constexpr uint32_t EVENT_MAP_TOGGLE                  = 66432;  // 0x10380
inline constexpr uint32_t EVENT_SEAT_UP                     = 66524;  // 0x103DC
inline constexpr uint32_t EVENT_SEAT_DOWN                   = 66525;  // 0x103DD
inline constexpr uint32_t EVENT_P_FORWARD                   = 65734;  // 0x100C6
inline constexpr uint32_t EVENT_P_BACK                      = 65735;  // 0x100C7
inline constexpr uint32_t EVENT_P_ZERO                      = 65875;  // 0x10153
// clang-format on

// ---------------------------------------------------------------------------------
// Panel windows by name, as a panel author writes them (a parameter command tests the
// names by prefix in this order; a panel.cfg ident line by the whole name).

struct PanelWindowName {
    const char* name;
    int32_t window;
};

// clang-format off
inline constexpr PanelWindowName PANEL_WINDOW_NAMES[] = {
    // name                   window
    {"MAIN_PANEL",            0},
    {"RADIO_STACK_PANEL",     50},
    {"COMPASS_PANEL",         75},
    {"ANNUNCIATOR_PANEL",     125},
    {"ANNUNCIATOR2_PANEL",    150},
    {"COLLECTIVE_PANEL",      200},
    {"THROTTLE_PANEL",        10},
    {"MINI_CONTROLS_PANEL",   100},
    {"IFR_MAIN_PANEL",        175},
    {"GPS_PANEL",             225},
    {"OVERHEAD_PANEL",        250},
};
// clang-format on
static_assert(sizeof PANEL_WINDOW_NAMES / sizeof PANEL_WINDOW_NAMES[0] == 11);

// ---------------------------------------------------------------------------------
// Help ids (tooltip strings) that have a name, and the names a parameter command may
// give them (tested by prefix in this order).

// clang-format off
inline constexpr uint32_t HELP_TOGGLE_RADIO_WINDOW          = 43910;  // 0xAB86
inline constexpr uint32_t HELP_TOGGLE_GPS_WINDOW            = 43911;  // 0xAB87
inline constexpr uint32_t HELP_TOGGLE_THROTTLE_WINDOW       = 43912;  // 0xAB88
inline constexpr uint32_t HELP_TOGGLE_COMPASS_WINDOW        = 43913;  // 0xAB89
inline constexpr uint32_t HELP_TOGGLE_FUEL_WINDOW           = 43914;  // 0xAB8A
inline constexpr uint32_t HELP_TOGGLE_COLLECTIVE_WINDOW     = 43915;  // 0xAB8B
// clang-format on

struct HelpName {
    uint32_t help_id;
    const char* name;
};

// clang-format off
inline constexpr HelpName HELP_NAMES[] = {
    // help id                      name
    {HELP_TOGGLE_RADIO_WINDOW,      "TOGGLE_RADIO_WINDOW"},
    {HELP_TOGGLE_GPS_WINDOW,        "TOGGLE_GPS_WINDOW"},
    {HELP_TOGGLE_THROTTLE_WINDOW,   "TOGGLE_THROTTLE_WINDOW"},
    {HELP_TOGGLE_COMPASS_WINDOW,    "TOGGLE_COMPASS_WINDOW"},
    {HELP_TOGGLE_FUEL_WINDOW,       "TOGGLE_FUEL_WINDOW"},
    {HELP_TOGGLE_COLLECTIVE_WINDOW, "TOGGLE_COLLECTIVE_WINDOW"},
};
// clang-format on
static_assert(sizeof HELP_NAMES / sizeof HELP_NAMES[0] == 6);
