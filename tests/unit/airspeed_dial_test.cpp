// The airspeed dial's printed scale agrees with the needle: for every speed of the
// needle's calibration table that the dial marks, a scale mark stands in the direction
// the table gives, seen from the needle's pivot.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "host/render/module_bitmaps.h"
#include "tests/unit/host_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Brightness (0..765) of the dial at a polar position about the pivot; the direction is
// in degrees clockwise from twelve o'clock.
int brightness(const Bitmap& dial, double cx, double cy, double direction_deg, double radius) {
    const double a = direction_deg * kPi / 180.0;
    // Pixel (i, j) covers [i, i + 1) x [j, j + 1) of the face's coordinates.
    const int x = static_cast<int>(std::floor(cx + radius * std::sin(a)));
    const int y = static_cast<int>(std::floor(cy - radius * std::cos(a)));
    if (x < 0 || y < 0 || x >= dial.width || y >= dial.height) return 0;
    const uint32_t p = dial.at(x, y);
    return static_cast<int>((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF));
}

// The direction of the mark within +-4 degrees of around_deg: the brightness-weighted
// centre of the band of radii above its darkest direction (a mark is a few pixels wide,
// so its centre is finer than a pixel). peak is the brightest direction's sum.
double mark_direction(const Bitmap& dial, double cx, double cy, double around_deg, double r0, double r1, int& peak) {
    std::vector<std::pair<double, int>> sums;
    for (double d = around_deg - 4.0; d <= around_deg + 4.0; d += 0.1) {
        int sum = 0;
        for (double r = r0; r <= r1; r += 0.25) sum += brightness(dial, cx, cy, d, r);
        sums.emplace_back(d, sum);
    }
    int low = sums[0].second;
    peak = 0;
    for (const auto& [d, sum] : sums) low = std::min(low, sum), peak = std::max(peak, sum);
    double weight = 0, moment = 0;
    for (const auto& [d, sum] : sums) weight += sum - low, moment += (sum - low) * d;
    return weight > 0 ? moment / weight : around_deg;
}

}  // namespace

using AirspeedDial = HostTest;

TEST_F(AirspeedDial, ScaleMarksStandWhereTheNeedleTablePointsWithinOneDegree) {
    const int id = place("Airspeed_Kts");
    const Placement* p = host.placement(id);
    const auto* dial_element = p->elements[0].element;
    const Needle* needle = nullptr;
    for (const ElementState& state : p->elements)
        if (state.element->kind == ELEMENT_NEEDLE) needle = reinterpret_cast<const Needle*>(state.element);
    ASSERT_NE(needle, nullptr);

    ModuleBitmaps bitmaps(host.module()->instance());
    const Bitmap* dial = bitmaps.find(dial_element->bitmap_id);
    ASSERT_NE(dial, nullptr);

    const double cx = needle->header.x, cy = needle->header.y;
    int checked = 0;
    for (uint32_t i = 0; i < needle->point_count; ++i) {
        const NonlinearityPoint& point = needle->points[i];
        const double knots = point.value;
        // The outer ring carries the first turn from 40 kt, the inner ring the second.
        const bool outer = knots >= 40.0 && knots < 220.0, inner = knots >= 220.0 && knots <= 350.0;
        if (!outer && !inner) continue;
        const double dx = point.x - cx, dy = point.y - cy;
        double direction = std::atan2(dx, -dy) * 180.0 / kPi;
        if (direction < 0) direction += 360.0;
        const double r0 = outer ? 48.5 : 27.5, r1 = outer ? 53.0 : 29.5;
        int peak = 0;
        const double found = mark_direction(*dial, cx, cy, direction, r0, r1, peak);
        EXPECT_NEAR(found, direction, 1.0) << knots << " kt";
        EXPECT_GT(peak, 765 * 4) << "no scale mark near " << knots << " kt";
        ++checked;
    }
    EXPECT_EQ(checked, 15);  // 40..200 kt on the outer ring, 220..350 kt on the inner
}
