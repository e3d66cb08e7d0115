// The simulated aircraft's variables, by the numeric tokens the gauges use. Every token
// the host knows is listed once in tokens.cpp with its kind and unit; the store holds
// one value per row of that table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sdk/records.h"

enum class VarKind {
    U32,  // 32-bit unsigned word: BCD frequencies and codes, flags, counts
    F64,  // 64-bit float in the unit the table gives
};

// What a token's number counts, for the code that converts it (the painter turns
// radians into degrees).
enum class Unit {
    bcd,   // binary-coded decimal digits, a nibble each
    flag,  // a state by number (0 off, 1 on; or the values the row lists)
    word,  // a word with no unit
    degrees,
    radians,
    knots,
    seconds,
    full_scale,  // -1..1 of the instrument's full deflection
    // The instruments of a light single (cabin_ids.h):
    feet,
    feet_per_minute,
    degrees_per_second,
    position,  // -1..1 or 0..1 of a travel
    rpm,
    percent,
    fahrenheit,
    celsius,
    psi,
    inhg,
    amperes,
    number,
};

struct TokenInfo {
    uint32_t token;
    const char* name;
    VarKind kind;
    Unit unit;
    const char* unit_text;  // the unit written out, with what the value means
    double min, max;        // the values a user may set: wider than an aircraft gives, but
                            // finite and small enough for every gauge's arithmetic
};

// Empty when value is one the token may be set to; otherwise what is wrong, in words a
// message can quote ("1e+308 is out of range for airspeed (-1000 to 5000)").
std::string check_setting(const TokenInfo& token, double value);

// How many tokens the table lists.
inline constexpr size_t kTokenCount = 51;

// The token's row of the table, or null for a token the host does not simulate (found
// through an index, not a search: the module reads variables many times a frame).
const TokenInfo* find_token(uint32_t token);
// Every row of the table, ended by a row whose name is null.
const TokenInfo* token_table();
// The row a user names: by its name in the table or by its number; null for none.
const TokenInfo* find_token(std::string_view name_or_number);

// A setting as a user types it (--set, the live page): a token by name or number, and
// a value of the number grammar within the token's settable range.
struct TokenSetting {
    enum class Fault { none, unknown_token, not_a_number, out_of_range };
    const TokenInfo* token = nullptr;
    double value = 0.0;
    Fault fault = Fault::none;
    std::string problem;  // what is wrong, in the words every reader of settings uses
    bool ok() const { return fault == Fault::none; }
};
TokenSetting read_token_setting(std::string_view token, std::string_view value);

// Where a token's value lives in the store, found once (when a gauge is placed) so that
// a frame fills bindings without a search. index < 0: a token the host does not know.
struct VarSlot {
    int index = -1;
    VarKind kind = VarKind::F64;
    bool known() const { return index >= 0; }
};

class Variables {
public:
    // Sets a variable, converting to its kind (an integer token keeps the value's
    // integer part). Returns false for an unknown token.
    bool set(uint32_t token, double value);
    // Write the value word as it is; an unknown token is passed over.
    void set_u32(uint32_t token, uint32_t value);
    void set_f64(uint32_t token, double value);
    uint32_t u32(uint32_t token) const;
    double f64(uint32_t token) const;
    // The value as a number, whatever the token's kind.
    double number(uint32_t token) const;
    // Fills the value word of a binding as the simulator does. Returns false for an
    // unknown token (the binding's value is then 0).
    bool fill(ModuleVar& var) const;

    // The slot of a token, and the same reads through it.
    static VarSlot slot(uint32_t token);
    void fill(const VarSlot& at, ModuleVar& var) const {
        var.value.f64 = 0.0;
        if (!at.known()) return;
        if (at.kind == VarKind::U32)
            var.value.u32 = values_[at.index].u32;
        else
            var.value.f64 = values_[at.index].f64;
    }
    double number(const VarSlot& at) const {
        if (!at.known()) return 0.0;
        return at.kind == VarKind::U32 ? values_[at.index].u32 : values_[at.index].f64;
    }

private:
    VarValue values_[kTokenCount] = {};
};
