// Every variable token the simulated aircraft provides, with its kind and unit. This
// is the one place where a token's unit is written down.
#include "host/variables.h"

namespace {

// clang-format off
constexpr TokenInfo kTokens[] = {
    // token  name                      kind          unit
    {0,       nullptr,                  VarKind::U32, nullptr},  // end of table
};
// clang-format on

}  // namespace

const TokenInfo* token_table() { return kTokens; }
