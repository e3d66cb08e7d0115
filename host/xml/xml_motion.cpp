// The poses of XML gauges' moving pictures and their delayed following (see xml_motion.h).
#include "host/xml/xml_motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/base/angles.h"

namespace {

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

}  // namespace

double xml_rotation_deg(const xmlgauge::Element& element, double ref_x, double ref_y, double value) {
    const auto& items = element.items;
    if (items.empty()) return std::isfinite(value) ? value * 180.0 / std::numbers::pi : 0.0;
    auto direction = [&](const xmlgauge::Item& item, double near) {
        if (item.has_degrees && !item.has_xy) return item.degrees;
        return nearest_turn(std::atan2(item.y - ref_y, item.x - ref_x) * 180.0 / std::numbers::pi, near);
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

XmlPose xml_pose(const xmlgauge::Element& e, double ref_x, double ref_y, double value) {
    XmlPose pose;
    if (e.motion == xmlgauge::Motion::rotate) {
        const double turn = xml_rotation_deg(e, ref_x, ref_y, value);
        pose.angle_deg = e.items.empty() || !e.image ? turn : turn - e.image->points_to_deg;
    } else if (e.motion == xmlgauge::Motion::shift) {
        double px = 0, py = 0;
        if (!e.image_items.empty()) {
            point_at(e.image_items, value, px, py);
            pose.dx = (e.image ? e.image->axis_x : 0) - px;
            pose.dy = (e.image ? e.image->axis_y : 0) - py;
        } else if (!e.items.empty()) {
            point_at(e.items, value, pose.dx, pose.dy);
        } else if (std::isfinite(value)) {
            pose.dx = value * e.scale_x;
            pose.dy = value * e.scale_y;
        }
    }
    return pose;
}

void xml_place(XmlMotion& motion, const xmlgauge::Element& element, const XmlMotion* parent) {
    motion.origin_x = (parent ? parent->origin_x : 0) + element.x;
    motion.origin_y = (parent ? parent->origin_y : 0) + element.y;
}

void xml_follow(XmlMotion& motion, const xmlgauge::Element& e, double value, double now_s) {
    const double ref_x = motion.origin_x + (e.mask ? e.mask->axis_x : 0);
    const double ref_y = motion.origin_y + (e.mask ? e.mask->axis_y : 0);
    const XmlPose target = xml_pose(e, ref_x, ref_y, value);
    const double dt_s = now_s - motion.time_s;
    const bool at_once = !motion.posed || e.delay_per_s <= 0 || !(dt_s >= 0);
    motion.time_s = now_s;
    motion.posed = true;
    if (at_once) {
        motion.pose = target;
        return;
    }
    const double reach = e.delay_per_s * dt_s;
    XmlPose& pose = motion.pose;
    if (e.motion == xmlgauge::Motion::rotate) {
        double delta = target.angle_deg - pose.angle_deg;
        if (e.items.empty()) delta = std::remainder(delta, 360.0);
        pose.angle_deg += std::clamp(delta, -reach, reach);
        if (std::fabs(delta) <= reach) pose.angle_deg = target.angle_deg;
    } else {
        const double dx = target.dx - pose.dx, dy = target.dy - pose.dy;
        const double distance = std::hypot(dx, dy);
        if (distance <= reach) {
            pose.dx = target.dx, pose.dy = target.dy;
        } else {
            pose.dx += dx * reach / distance;
            pose.dy += dy * reach / distance;
        }
    }
}
