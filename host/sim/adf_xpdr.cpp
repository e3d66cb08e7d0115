// The ADF receiver's and the transponder's digit events, carried out on integers: the
// ADF frequency in kHz, the squawk code digit by digit in its BCD word.
#include "host/sim/adf_xpdr.h"

namespace {

constexpr uint32_t ADF_HUNDREDS_MIN = 1;   // 100 kHz
constexpr uint32_t ADF_HUNDREDS_MAX = 17;  // 1700 kHz

// Replaces the decimal digit of khz at place (1, 10) by the next or previous one.
uint32_t turn_decimal_digit(uint32_t khz, uint32_t place, bool up) {
    const uint32_t digit = khz / place % 10;
    const uint32_t turned = up ? (digit + 1) % 10 : (digit + 9) % 10;
    return khz - digit * place + turned * place;
}

// Steps the hundreds of kHz (thousands and hundreds places together) over 1..17.
uint32_t step_hundreds(uint32_t khz, bool up) {
    uint32_t hundreds = khz / 100;
    if (up)
        hundreds = hundreds >= ADF_HUNDREDS_MAX ? ADF_HUNDREDS_MIN : hundreds + 1;
    else
        hundreds = hundreds <= ADF_HUNDREDS_MIN ? ADF_HUNDREDS_MAX : hundreds - 1;
    return hundreds * 100 + khz % 100;
}

// Turns the octal digit at nibble shift of a BCD code word; a digit outside 0..7
// counts as past 7.
uint32_t turn_code_digit(uint32_t code, unsigned shift, bool up) {
    const uint32_t digit = (code >> shift) & 0xFu;
    const uint32_t turned = up ? (digit >= 7 ? 0 : digit + 1) : (digit == 0 || digit > 7 ? 7 : digit - 1);
    return (code & ~(0xFu << shift)) | (turned << shift);
}

// The transponder's digit events: which nibble of the code word each turns, and how.
struct CodeDigitEvent {
    uint32_t event_id;
    unsigned shift;
    bool up;
};

// clang-format off
constexpr CodeDigitEvent kCodeDigitEvents[] = {
    // event                   shift  up
    {EVENT_XPDR_THOUSANDS_UP,   12,    true},
    {EVENT_XPDR_HUNDREDS_UP,    8,     true},
    {EVENT_XPDR_TENS_UP,        4,     true},
    {EVENT_XPDR_UNITS_UP,       0,     true},
    {EVENT_XPDR_THOUSANDS_DOWN, 12,    false},
    {EVENT_XPDR_HUNDREDS_DOWN,  8,     false},
    {EVENT_XPDR_TENS_DOWN,      4,     false},
    {EVENT_XPDR_UNITS_DOWN,     0,     false},
};
// clang-format on
static_assert(sizeof kCodeDigitEvents / sizeof kCodeDigitEvents[0] == 8);

}  // namespace

uint32_t SimAdf::frequency_khz(const Variables& vars) {
    const uint32_t word = vars.u32(TOKEN_ADF_FREQUENCY_BCD);
    const uint32_t thousands = vars.u32(TOKEN_ADF_EXTENDED_FREQUENCY_BCD) >= 0x100 ? 1 : 0;
    return 1000 * thousands + 100 * ((word >> 8) & 0xFu) + 10 * ((word >> 4) & 0xFu) + (word & 0xFu);
}

void SimAdf::set_frequency_khz(Variables& vars, uint32_t khz) {
    vars.set_u32(TOKEN_ADF_FREQUENCY_BCD, (khz / 100 % 10) << 8 | (khz / 10 % 10) << 4 | khz % 10);
    vars.set_u32(TOKEN_ADF_EXTENDED_FREQUENCY_BCD, khz >= 1000 ? 0x100u : 0u);
}

void SimAdf::set_ident_audio(bool on, Aircraft& aircraft) {
    if (ident_audio_on_ == on) return;
    ident_audio_on_ = on;
    aircraft.note("adf_ident").num("on", on ? 1 : 0);
}

bool SimAdf::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    (void)value;
    Variables& vars = aircraft.vars();
    const uint32_t khz = frequency_khz(vars);
    switch (event_id) {
        case EVENT_ADF_HUNDREDS_UP: set_frequency_khz(vars, step_hundreds(khz, true)); return true;
        case EVENT_ADF_HUNDREDS_DOWN: set_frequency_khz(vars, step_hundreds(khz, false)); return true;
        case EVENT_ADF_TENS_UP: set_frequency_khz(vars, turn_decimal_digit(khz, 10, true)); return true;
        case EVENT_ADF_TENS_DOWN: set_frequency_khz(vars, turn_decimal_digit(khz, 10, false)); return true;
        case EVENT_ADF_UNITS_UP: set_frequency_khz(vars, turn_decimal_digit(khz, 1, true)); return true;
        case EVENT_ADF_UNITS_DOWN: set_frequency_khz(vars, turn_decimal_digit(khz, 1, false)); return true;
        case EVENT_ADF_IDENT_OFF: set_ident_audio(false, aircraft); return true;
        case EVENT_ADF_IDENT_ON: set_ident_audio(true, aircraft); return true;
        default: return false;
    }
}

bool SimTransponder::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    (void)value;
    for (const CodeDigitEvent& row : kCodeDigitEvents) {
        if (row.event_id != event_id) continue;
        Variables& vars = aircraft.vars();
        vars.set_u32(TOKEN_XPDR_CODE_BCD, turn_code_digit(vars.u32(TOKEN_XPDR_CODE_BCD), row.shift, row.up));
        return true;
    }
    return false;
}
