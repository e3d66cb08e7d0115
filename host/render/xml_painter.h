// Drawing a placed XML gauge from what its last frame left, through the same canvas as
// the module's gauges. In the gauge's pixels, each element's origin is its parent's plus
// its <Position>; its reference point is the origin, or, seen through a <MaskImage>, the
// origin plus the mask's axis (xml_motion.h says where a turning or sliding picture goes):
//
//   image          its axis on the reference point
//   rotate         turned about its axis, which lies on the reference point
//   shift          its axis on the reference point moved by the pose
//   select         the image of the case the value chose
//   mask           the picture is drawn only where the mask's pixels are not pure
//                  black, the mask's corner on the origin
//
// Pure black is see-through; at night what is not Bright is dimmed.
#pragma once

#include "host/render/canvas.h"
#include "host/xml/xml_panel.h"

// Draws the placement with its face's corner at (x, y) on the canvas, scaled to the
// width and height the panel gives it, times the window's scale.
void paint_xml_gauge(const XmlPlacement& placement, Canvas& canvas, double x, double y, double window_sx,
                     double window_sy, bool night);
