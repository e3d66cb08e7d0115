// The drawing rules of XML gauges (see xml_painter.h).
#include "host/render/xml_painter.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double nearest_turn(double angle, double near) {
    double delta = std::fmod(angle - near, 360.0);
    if (delta > 180.0) delta -= 360.0;
    if (delta <= -180.0) delta += 360.0;
    return near + delta;
}

// Where along the table the value lies: the segment i (from item i to i + 1) and the
// fraction within it; values past either end keep that end.
void locate(const std::vector<xmlgauge::Item>& items, double value, size_t& i, double& t) {
    i = 0;
    t = 0;
    if (items.size() < 2 || !std::isfinite(value)) return;
    const bool rising = items.back().value >= items.front().value;
    auto before = [rising](double v, double limit) { return rising ? v <= limit : v >= limit; };
    if (before(value, items.front().value)) return;
    for (size_t k = 1; k < items.size(); ++k) {
        if (before(value, items[k].value)) {
            const double from = items[k - 1].value, to = items[k].value;
            i = k - 1;
            t = to == from ? 1.0 : (value - from) / (to - from);
            return;
        }
    }
    i = items.size() - 2;
    t = 1.0;
}

void point_at(const std::vector<xmlgauge::Item>& items, double value, double& x, double& y) {
    x = y = 0;
    if (items.empty()) return;
    if (items.size() == 1) {
        x = items[0].x, y = items[0].y;
        return;
    }
    size_t i = 0;
    double t = 0;
    locate(items, value, i, t);
    x = items[i].x + t * (items[i + 1].x - items[i].x);
    y = items[i].y + t * (items[i + 1].y - items[i].y);
}

struct Origin {
    double x = 0, y = 0;
};

}  // namespace

double xml_rotation_deg(const xmlgauge::Element& element, double ref_x, double ref_y, double value) {
    const auto& items = element.items;
    if (items.empty()) return std::isfinite(value) ? value * 180.0 / kPi : 0.0;
    auto direction = [&](const xmlgauge::Item& item, double near) {
        if (item.has_degrees && !item.has_xy) return item.degrees;
        return nearest_turn(std::atan2(item.y - ref_y, item.x - ref_x) * 180.0 / kPi, near);
    };
    double angle = direction(items[0], 0.0);
    const bool rising = items.back().value >= items.front().value;
    auto not_past = [rising](double v, double limit) { return rising ? v <= limit : v >= limit; };
    if (!std::isfinite(value) || not_past(value, items[0].value)) return angle;
    for (size_t k = 1; k < items.size(); ++k) {
        const double next = direction(items[k], angle);
        const double from = items[k - 1].value, to = items[k].value;
        if (not_past(value, to)) return to == from ? next : angle + (value - from) / (to - from) * (next - angle);
        angle = next;
    }
    return angle;
}

void paint_xml_gauge(const XmlPlacement& p, Canvas& canvas, double x, double y, double window_sx, double window_sy,
                     bool night) {
    GaugeFrame frame;
    frame.name = p.module + "!" + p.name;
    frame.x = x;
    frame.y = y;
    if (p.face_w > 0 && p.w > 0) {
        frame.scale_x = static_cast<double>(p.w) / p.face_w;
        frame.scale_y = p.h > 0 && p.face_h > 0 ? static_cast<double>(p.h) / p.face_h : frame.scale_x;
    }
    frame.scale_x *= window_sx;
    frame.scale_y *= window_sy;
    canvas.begin_gauge(frame);
    if (p.background) {
        BitmapDraw draw;
        draw.bitmap = p.background;
        draw.black_transparent = true;
        draw.dim = night && !(p.gauge->background && p.gauge->background->bright);
        canvas.bitmap(draw);
    }
    std::vector<Origin> origins(p.nodes.size());
    for (size_t n = 0; n < p.nodes.size(); ++n) {
        const XmlNode& node = p.nodes[n];
        const xmlgauge::Element& e = *node.element;
        const Origin parent = node.parent >= 0 ? origins[static_cast<size_t>(node.parent)] : Origin{};
        origins[n] = {parent.x + e.x, parent.y + e.y};
        if (!node.shown || !node.image || !e.image) continue;
        const Origin origin = origins[n];
        const double ref_x = origin.x + (e.mask ? e.mask->axis_x : 0), ref_y = origin.y + (e.mask ? e.mask->axis_y : 0);
        BitmapDraw draw;
        draw.bitmap = node.image;
        draw.black_transparent = true;
        draw.dim = night && !e.image->bright;
        draw.anchor_x = e.image->axis_x;
        draw.anchor_y = e.image->axis_y;
        draw.x = ref_x;
        draw.y = ref_y;
        if (e.motion == xmlgauge::Motion::rotate) {
            const double turn = xml_rotation_deg(e, ref_x, ref_y, node.number);
            draw.angle_deg = e.items.empty() ? turn : turn - e.image->points_to_deg;
        } else if (e.motion == xmlgauge::Motion::shift) {
            double px = 0, py = 0;
            if (!e.image_items.empty()) {
                point_at(e.image_items, node.number, px, py);
                draw.anchor_x = px;
                draw.anchor_y = py;
            } else if (!e.items.empty()) {
                point_at(e.items, node.number, px, py);
                draw.x += px;
                draw.y += py;
            } else {
                draw.x += node.number * e.scale_x;
                draw.y += node.number * e.scale_y;
            }
        }
        if (node.mask) {
            draw.clipped = true;
            draw.clip = {origin.x, origin.y, static_cast<double>(node.mask->width),
                         static_cast<double>(node.mask->height)};
        }
        canvas.bitmap(draw);
    }
    canvas.end_gauge();
}
