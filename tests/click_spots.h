// The points a test clicks on a gauge: the middle of every child mouse rectangle, in
// pixels of the gauge's face, each child relative to its innermost open parent.
#pragma once

#include <vector>

#include "sdk/records.h"

struct Spot {
    int x, y;
};

inline std::vector<Spot> click_spots(const GaugeHeader* gauge) {
    std::vector<Spot> spots;
    std::vector<Spot> open;
    for (const MouseRect* r = gauge->mouse_rects; r && r->kind != MOUSE_END; ++r) {
        const Spot base = open.empty() ? Spot{0, 0} : open.back();
        if (r->kind == MOUSE_PARENT) open.push_back({base.x + r->box_x, base.y + r->box_y});
        if (r->kind == MOUSE_PARENT_END && !open.empty()) open.pop_back();
        if (r->kind == MOUSE_CHILD)
            spots.push_back({base.x + r->box_x + r->box_w / 2, base.y + r->box_y + r->box_h / 2});
    }
    return spots;
}
