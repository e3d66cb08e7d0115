// The simulated aircraft's variables, by the numeric tokens the gauges use. Every token
// the host knows is listed once in tokens.cpp with its kind and unit.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "sdk/records.h"

enum class VarKind {
    U32,  // 32-bit unsigned word: BCD frequencies and codes, flags, counts
    F64,  // 64-bit float in the unit the table gives
};

struct TokenInfo {
    uint32_t token;
    const char* name;
    VarKind kind;
    const char* unit;
};

// The token's row of the table, or null for a token the host does not simulate.
const TokenInfo* find_token(uint32_t token);
// Every row of the table, ended by a row whose name is null.
const TokenInfo* token_table();

class Variables {
public:
    // Sets a variable, converting to its kind (an integer token keeps the value's
    // integer part). Returns false for an unknown token.
    bool set(uint32_t token, double value);
    void set_u32(uint32_t token, uint32_t value) { values_[token].u32 = value; }
    void set_f64(uint32_t token, double value) { values_[token].f64 = value; }
    uint32_t u32(uint32_t token) const;
    double f64(uint32_t token) const;
    // The value as a number, whatever the token's kind.
    double number(uint32_t token) const;
    // Fills the value word of a binding as the simulator does. Returns false for an
    // unknown token (the binding's value is then 0).
    bool fill(ModuleVar& var) const;

private:
    std::map<uint32_t, VarValue> values_;
};
