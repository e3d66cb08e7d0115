// The drawing rules of XML gauges (see xml_painter.h).
#include "host/render/xml_painter.h"

#include <vector>

namespace {

struct Origin {
    double x = 0, y = 0;
};

}  // namespace

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
        // The pose the last frame left (a delayed picture on its way there), or, before
        // any frame, the value's own.
        const XmlPose pose = node.motion.posed ? node.motion.pose : xml_pose(e, ref_x, ref_y, node.number);
        draw.x = ref_x + pose.dx;
        draw.y = ref_y + pose.dy;
        draw.angle_deg = pose.angle_deg;
        if (node.mask) {
            draw.mask = node.mask;
            draw.clipped = true;
            draw.clip = {origin.x, origin.y, static_cast<double>(node.mask->width),
                         static_cast<double>(node.mask->height)};
        }
        canvas.bitmap(draw);
    }
    canvas.end_gauge();
}
