// The walk over a gauge's table of mouse rectangles, in one place: the table nests
// (a parent's rows, up to its end row, are placed relative to the parent's corner), so
// every reader of it needs each row's box where it lies on the gauge's face.
#pragma once

#include <vector>

#include "sdk/records.h"

// Calls visit(rect, index, left, top) for every parent and child row of the table (null:
// none) in order, with the row's index in the table and its box's corner in face pixels;
// stops early when visit returns true. Returns whether it was stopped.
template <class Visit>
bool walk_mouse_rects(const MouseRect* table, Visit&& visit) {
    struct Origin {
        int x, y;
    };
    std::vector<Origin> open;  // origins of the parents still open
    int index = 0;
    for (const MouseRect* rect = table; rect && rect->kind != MOUSE_END; ++rect, ++index) {
        const Origin base = open.empty() ? Origin{0, 0} : open.back();
        const int left = base.x + rect->box_x, top = base.y + rect->box_y;
        if (rect->kind == MOUSE_PARENT_END) {
            if (!open.empty()) open.pop_back();
            continue;
        }
        if (rect->kind == MOUSE_PARENT) open.push_back({left, top});
        if ((rect->kind == MOUSE_PARENT || rect->kind == MOUSE_CHILD) && visit(*rect, index, left, top)) return true;
    }
    return false;
}
