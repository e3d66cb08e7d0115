// Variable storage by token.
#include "host/sim/variables.h"

#include <cmath>

const TokenInfo* find_token(uint32_t token) {
    for (const TokenInfo* row = token_table(); row->name; ++row)
        if (row->token == token) return row;
    return nullptr;
}

bool Variables::set(uint32_t token, double value) {
    const TokenInfo* info = find_token(token);
    if (!info) return false;
    if (info->kind == VarKind::U32) {
        const double whole = std::trunc(value);
        set_u32(token, whole <= 0.0 ? 0u : whole >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(whole));
    } else {
        set_f64(token, value);
    }
    return true;
}

uint32_t Variables::u32(uint32_t token) const {
    auto it = values_.find(token);
    return it == values_.end() ? 0u : it->second.u32;
}

double Variables::f64(uint32_t token) const {
    auto it = values_.find(token);
    return it == values_.end() ? 0.0 : it->second.f64;
}

double Variables::number(uint32_t token) const {
    const TokenInfo* info = find_token(token);
    if (info && info->kind == VarKind::U32) return u32(token);
    return f64(token);
}

bool Variables::fill(ModuleVar& var) const {
    const TokenInfo* info = find_token(var.token);
    var.value.f64 = 0.0;
    if (!info) return false;
    if (info->kind == VarKind::U32)
        var.value.u32 = u32(var.token);
    else
        var.value.f64 = f64(var.token);
    return true;
}
