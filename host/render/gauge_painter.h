// The drawing rules: how each element kind of a placed gauge turns into bitmaps and text
// on a canvas, from the values the host's last frame left in the placement.
//
//   static image   its bitmap at (x, y)
//   needle         bitmap turned about its pivot (pivot_x, pivot_y), which lands on
//                  (x, y). With calibration points: the angle is interpolated along the
//                  table in table order between the directions of the points seen from
//                  (x, y), each direction taken as close as possible to the one before
//                  so that the angle stays continuous (a table may go round twice);
//                  values beyond the first or last entry keep that entry's angle.
//                  Without points: the value is a compass direction, 0 at twelve
//                  o'clock, clockwise, in degrees (in radians when the host keeps its
//                  variable in radians). Needle bitmaps point to +x from the pivot.
//   icon           value n shows bitmap_id + n (values past the last picture show the
//                  last); a negative value shows nothing
//   moving image   the window bitmap_id + 1 at (x, y); the strip slides behind it by
//                  (value - min) / (max - min) of (strip size - window size), the
//                  fraction kept within 0..1 (min > max runs the other way, min = max
//                  does not move); the window is drawn over the strip, black transparent
//   sprite         bitmap turned clockwise by value * scale_angle about (pivot_x,
//                  pivot_y), which lands on (x + pivot_x, y + pivot_y), shifted by the x
//                  and y values times their scales, seen through bitmap_id + 1 like a
//                  moving image. The angle is in radians when the host keeps the
//                  variable in radians (the course and ADF cards: minus the heading, so
//                  the heading stands at twelve o'clock), in degrees otherwise
//   string         the text in its box (x, y, box_w, box_h), text_colour on
//                  back_colour, font by name and weight
//
// image_flags: 0x1 makes pure black transparent; at night every element without 0x4
// (bright) or 0x4000 (luminous) is dimmed.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "host/core/panel_host.h"
#include "host/render/canvas.h"

struct PaintOptions {
    bool night = false;
};

// Needle angle in degrees, clockwise from +x (the continuous angle: may lie outside
// 0..360). Uses the needle's points and its position (x, y).
double needle_angle_deg(const Needle& needle, double value);
// An angle value of a variable in degrees: converted when the host keeps the variable
// in radians (its unit in the token table says so), as it is otherwise.
double angle_value_deg(uint32_t token, double value);
// How far a strip slides behind its window, in pixels, for one axis.
double strip_shift(double value, double min, double max, int strip_size, int window_size);
// The picture an icon shows for a value: 0 .. pictures - 1, or -1 for none.
int icon_picture(const Icon& icon, double value);
// Windows RGB word (red in the low byte) to 0xRRGGBB.
uint32_t rgb_from_colorref(uint32_t colorref);

// Draws placements; the element-kind table hands each element to its method.
class GaugePainter : private ElementPainter {
public:
    GaugePainter(BitmapSource& bitmaps, Canvas& canvas, PaintOptions options = {})
        : bitmaps_(bitmaps), canvas_(canvas), options_(options) {}

    // Face size of a gauge in pixels (its root bitmap), or 0 x 0 if unknown.
    bool face_size(const Placement& placement, int& width, int& height);
    // Draws a placement whose face's top-left corner lands at (x, y) on the canvas,
    // scaled to the width (and height, if given) the panel gives it, and then by the
    // window's scale (canvas pixels per unit of its size_mm).
    void paint(const Placement& placement, double x, double y, double window_sx = 1.0, double window_sy = 1.0);

    // Bitmaps that were asked for and not found, as "gauge NAME: no bitmap ID".
    const std::vector<std::string>& problems() const { return problems_; }

private:
    void static_image(const ElementHeader& element, const ElementState& state) override;
    void needle(const Needle& element, const ElementState& state) override;
    void string(const StringElement& element, const ElementState& state) override;
    void icon(const Icon& element, const ElementState& state) override;
    void moving_image(const MovingImage& element, const ElementState& state) override;
    void sprite(const Sprite& element, const ElementState& state) override;
    // The element's bitmap at its place, its see-through and night dimming.
    BitmapDraw base_draw(const ElementHeader& element) const;
    bool dimmed(const ElementHeader& element) const;
    void in_window(BitmapDraw draw, const BitmapDraw& base, uint32_t window_id, const Bitmap* window);
    const Bitmap* bitmap(uint32_t id);

    BitmapSource& bitmaps_;
    Canvas& canvas_;
    PaintOptions options_;
    const Placement* current_ = nullptr;
    std::vector<std::string> problems_;
    std::set<std::string> reported_;
};
