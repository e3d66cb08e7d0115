// The drawing rules of the element kinds (see the table in gauge_painter.h).
#include "host/render/gauge_painter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "host/base/angles.h"
#include "host/sim/variables.h"

namespace {

double direction_deg(int32_t from_x, int32_t from_y, int32_t to_x, int32_t to_y) {
    return std::atan2(static_cast<double>(to_y - from_y), static_cast<double>(to_x - from_x)) * 180.0 /
           std::numbers::pi;
}

bool lit(const ElementHeader& element) { return (element.image_flags & (IMAGE_BRIGHT | IMAGE_LUMINOUS)) != 0; }

}  // namespace

double angle_value_deg(uint32_t token, double value) {
    const TokenInfo* info = token ? find_token(token) : nullptr;
    return info && info->unit == Unit::radians ? value * 180.0 / std::numbers::pi : value;
}

double needle_angle_deg(const Needle& needle, double value) {
    if (!needle.points || needle.point_count == 0)
        return std::isfinite(value) ? angle_value_deg(needle.source.token, value) - 90.0 : -90.0;
    const NonlinearityPoint* points = needle.points;
    const uint32_t count = needle.point_count;
    const int32_t px = needle.header.x, py = needle.header.y;
    double angle = direction_deg(px, py, points[0].x, points[0].y);
    const bool rising = points[count - 1].value >= points[0].value;
    auto not_past = [rising](double v, double limit) { return rising ? v <= limit : v >= limit; };
    if (!std::isfinite(value) || not_past(value, points[0].value)) return angle;
    for (uint32_t i = 1; i < count; ++i) {
        const double next = nearest_turn(direction_deg(px, py, points[i].x, points[i].y), angle);
        const double from = points[i - 1].value, to = points[i].value;
        if (not_past(value, to)) {
            if (to == from) return next;
            return angle + (value - from) / (to - from) * (next - angle);
        }
        angle = next;
    }
    return angle;  // past the last entry
}

double strip_shift(double value, double min, double max, int strip_size, int window_size) {
    if (min == max || !std::isfinite(value)) return 0.0;
    const double fraction = std::clamp((value - min) / (max - min), 0.0, 1.0);
    return fraction * static_cast<double>(strip_size - window_size);
}

int icon_picture(const Icon& icon, double value) {
    if (!(value >= 0.0)) return -1;  // negative or NaN: nothing shown
    const int last = icon.pictures > 0 ? static_cast<int>(std::min<uint32_t>(icon.pictures, 1024)) - 1 : 0;
    const double picture = std::floor(value);
    return picture >= last ? last : static_cast<int>(picture);
}

uint32_t rgb_from_colorref(uint32_t colorref) {
    return (colorref & 0xFFu) << 16 | (colorref & 0xFF00u) | (colorref >> 16 & 0xFFu);
}

const Bitmap* GaugePainter::bitmap(uint32_t id) {
    const Bitmap* found = bitmaps_.find(id);
    if (!found) {
        const std::string what = "gauge " + (current_ ? current_->name : std::string("?")) + ": no bitmap " +
                                 std::to_string(static_cast<int32_t>(id));
        if (reported_.insert(what).second) problems_.push_back(what);
    }
    return found;
}

bool GaugePainter::face_size(const Placement& placement, int& width, int& height) {
    width = height = 0;
    if (placement.elements.empty()) return false;
    const Bitmap* face = bitmaps_.find(placement.elements.front().element->bitmap_id);
    if (!face) return false;
    width = face->width;
    height = face->height;
    return true;
}

void GaugePainter::paint(const Placement& placement, double x, double y, double window_sx, double window_sy) {
    current_ = &placement;
    GaugeFrame frame;
    frame.name = placement.name;
    frame.x = x;
    frame.y = y;
    int face_w = 0, face_h = 0;
    if (face_size(placement, face_w, face_h) && placement.w > 0) {
        frame.scale_x = static_cast<double>(placement.w) / face_w;
        frame.scale_y = placement.h > 0 ? static_cast<double>(placement.h) / face_h : frame.scale_x;
    }
    frame.scale_x *= window_sx;
    frame.scale_y *= window_sy;
    canvas_.begin_gauge(frame);
    for (const ElementState& state : placement.elements)
        if (const ElementKind* kind = find_element_kind(state.element->kind)) kind->paint(*this, state);
    canvas_.end_gauge();
    current_ = nullptr;
}

bool GaugePainter::dimmed(const ElementHeader& element) const { return options_.night && !lit(element); }

BitmapDraw GaugePainter::base_draw(const ElementHeader& element) const {
    BitmapDraw base;
    base.id = element.bitmap_id;
    base.x = element.x;
    base.y = element.y;
    base.black_transparent = (element.image_flags & IMAGE_TRANSPARENT) != 0;
    base.dim = dimmed(element);
    return base;
}

void GaugePainter::static_image(const ElementHeader& element, const ElementState&) {
    BitmapDraw draw = base_draw(element);
    draw.bitmap = bitmap(element.bitmap_id);
    if (draw.bitmap) canvas_.bitmap(draw);
}

void GaugePainter::needle(const Needle& element, const ElementState& state) {
    BitmapDraw draw = base_draw(element.header);
    draw.bitmap = bitmap(element.header.bitmap_id);
    if (!draw.bitmap) return;
    draw.anchor_x = element.header.pivot_x;
    draw.anchor_y = element.header.pivot_y;
    draw.angle_deg = needle_angle_deg(element, state.value);
    canvas_.bitmap(draw);
}

void GaugePainter::icon(const Icon& element, const ElementState& state) {
    const int picture = icon_picture(element, state.value);
    if (picture < 0) return;
    BitmapDraw draw = base_draw(element.header);
    draw.id = element.header.bitmap_id + static_cast<uint32_t>(picture);
    draw.bitmap = bitmap(draw.id);
    if (draw.bitmap) canvas_.bitmap(draw);
}

// A strip or card seen through its window bitmap (the next id): the picture clipped to
// the window's box at the element's place, then the window over it, black see-through.
void GaugePainter::in_window(BitmapDraw draw, const BitmapDraw& base, uint32_t window_id, const Bitmap* window) {
    draw.clipped = true;
    draw.clip = {base.x, base.y, static_cast<double>(window->width), static_cast<double>(window->height)};
    canvas_.bitmap(draw);
    BitmapDraw frame = base;
    frame.id = window_id;
    frame.bitmap = window;
    frame.black_transparent = true;
    canvas_.bitmap(frame);
}

void GaugePainter::moving_image(const MovingImage& element, const ElementState& state) {
    const BitmapDraw base = base_draw(element.header);
    const uint32_t window_id = element.header.bitmap_id + 1;
    const Bitmap* strip = bitmap(element.header.bitmap_id);
    const Bitmap* window = bitmap(window_id);
    if (!strip || !window) return;
    BitmapDraw draw = base;
    draw.bitmap = strip;
    draw.x -= strip_shift(state.value_x, element.min_x, element.max_x, strip->width, window->width);
    draw.y -= strip_shift(state.value, element.min_y, element.max_y, strip->height, window->height);
    in_window(draw, base, window_id, window);
}

void GaugePainter::sprite(const Sprite& element, const ElementState& state) {
    const BitmapDraw base = base_draw(element.header);
    const uint32_t window_id = element.header.bitmap_id + 1;
    const Bitmap* card = bitmap(element.header.bitmap_id);
    const Bitmap* window = bitmap(window_id);
    if (!card || !window) return;
    BitmapDraw draw = base;
    draw.bitmap = card;
    draw.anchor_x = element.header.pivot_x;
    draw.anchor_y = element.header.pivot_y;
    draw.x = base.x + element.header.pivot_x + state.value_x * element.scale_x;
    draw.y = base.y + element.header.pivot_y + state.value_y * element.scale_y;
    const double turn = state.angle * element.scale_angle;
    draw.angle_deg = std::isfinite(turn) ? angle_value_deg(element.source_angle.token, turn) : 0.0;
    in_window(draw, base, window_id, window);
}

void GaugePainter::string(const StringElement& element, const ElementState& state) {
    TextDraw draw;
    draw.text = state.text;
    draw.box = {static_cast<double>(element.header.x), static_cast<double>(element.header.y),
                static_cast<double>(element.box_w), static_cast<double>(element.box_h)};
    draw.font.assign(element.font_name, strnlen(element.font_name, sizeof element.font_name));
    draw.weight = element.font_weight;
    draw.colour = rgb_from_colorref(element.text_colour);
    draw.back = rgb_from_colorref(element.back_colour);
    // A black background under the transparent flag is no background at all.
    draw.fill_back = !((element.header.image_flags & IMAGE_TRANSPARENT) && draw.back == 0);
    draw.draw_flags = element.draw_flags;
    draw.dim = dimmed(element.header);
    canvas_.text(draw);
}
