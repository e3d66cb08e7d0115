// The points a test clicks on a gauge: the middle of every child mouse rectangle, in
// pixels of the gauge's face, each child relative to its innermost open parent.
#pragma once

#include <vector>

#include "host/core/mouse_rects.h"

struct Spot {
    int x, y;
};

inline std::vector<Spot> click_spots(const GaugeHeader* gauge) {
    std::vector<Spot> spots;
    walk_mouse_rects(gauge->mouse_rects, [&spots](const MouseRect& rect, int, int left, int top) {
        if (rect.kind == MOUSE_CHILD) spots.push_back({left + rect.box_w / 2, top + rect.box_h / 2});
        return false;
    });
    return spots;
}
