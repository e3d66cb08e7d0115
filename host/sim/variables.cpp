// Variable storage: one value word per row of the token table.
#include "host/sim/variables.h"

#include <cmath>

VarSlot Variables::slot(uint32_t token) {
    const TokenInfo* info = find_token(token);
    if (!info) return {};
    return {static_cast<int>(info - token_table()), info->kind};
}

bool Variables::set(uint32_t token, double value) {
    const VarSlot at = slot(token);
    if (!at.known()) return false;
    if (at.kind == VarKind::U32) {
        const double whole = std::trunc(value);
        values_[at.index].u32 = whole <= 0.0 ? 0u : whole >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(whole);
    } else {
        values_[at.index].f64 = value;
    }
    return true;
}

void Variables::set_u32(uint32_t token, uint32_t value) {
    const VarSlot at = slot(token);
    if (at.known()) values_[at.index].u32 = value;
}

void Variables::set_f64(uint32_t token, double value) {
    const VarSlot at = slot(token);
    if (at.known()) values_[at.index].f64 = value;
}

uint32_t Variables::u32(uint32_t token) const {
    const VarSlot at = slot(token);
    return at.known() ? values_[at.index].u32 : 0u;
}

double Variables::f64(uint32_t token) const {
    const VarSlot at = slot(token);
    return at.known() ? values_[at.index].f64 : 0.0;
}

double Variables::number(uint32_t token) const { return number(slot(token)); }

bool Variables::fill(ModuleVar& var) const {
    const VarSlot at = slot(var.token);
    fill(at, var);
    return at.known();
}
