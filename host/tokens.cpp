// Every variable token the simulated aircraft provides, with its kind and unit. This
// is the one place where a token's unit is written down.
#include "host/variables.h"

namespace {

// clang-format off
constexpr TokenInfo kTokens[] = {
    // token  name                      kind          unit
    {16,      "adf_frequency",          VarKind::U32, "BCD kHz: hundreds, tens, units nibbles"},
    {18,      "adf_extended_frequency", VarKind::U32, "0x100 while the thousands digit of kHz is 1"},
    {23,      "com1_frequency",         VarKind::U32, "BCD: the four digits after the leading 1 of 118..136 MHz (118.30 = 0x1830)"},
    {24,      "nav1_frequency",         VarKind::U32, "BCD: the four digits after the leading 1 of 108..117 MHz (108.00 = 0x0800)"},
    {27,      "nav2_frequency",         VarKind::U32, "BCD: as nav1_frequency"},
    {38,      "transponder_code",       VarKind::U32, "BCD squawk: four octal digits, one per nibble"},
    {870,     "com2_frequency",         VarKind::U32, "BCD: as com1_frequency"},
    {880,     "adf_mode_source",        VarKind::U32, "bound by the ADF mode switch, not read"},
    {0,       nullptr,                  VarKind::U32, nullptr},  // end of table
};
// clang-format on

}  // namespace

const TokenInfo* token_table() { return kTokens; }
