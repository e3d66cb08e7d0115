// Drawing a placed XML gauge from what its last frame left, through the same canvas as
// the module's gauges. In the gauge's pixels, each element's origin is its parent's plus
// its <Position>; its reference point is the origin, or, seen through a <MaskImage>, the
// origin plus the mask's axis:
//
//   image          its axis on the reference point
//   rotate         turned about its axis, which lies on the reference point: with X/Y
//                  calibration points to the direction of the interpolated point seen
//                  from there (kept continuous along the table), with Degrees points to
//                  that direction (east 0, clockwise), less the way the picture points
//                  (PointsTo); without points by the value in radians
//   shift          <Shift><Nonlinearity>: its axis on the reference point plus the
//                  interpolated point; <Image><Nonlinearity>: the picture's interpolated
//                  point on the reference point; <Scale>: the axis moved by value * scale
//   select         the image of the case the value chose
//   mask           the picture is clipped to the mask's box, its corner on the origin
//
// Pure black is see-through; at night what is not Bright is dimmed.
#pragma once

#include "host/render/canvas.h"
#include "host/xml/xml_panel.h"

// Direction in degrees (east 0, clockwise; continuous) a rotate element points to for
// a value, or the turn in degrees when the element has no calibration points.
double xml_rotation_deg(const xmlgauge::Element& element, double ref_x, double ref_y, double value);

// Draws the placement with its face's corner at (x, y) on the canvas, scaled to the
// width and height the panel gives it, times the window's scale.
void paint_xml_gauge(const XmlPlacement& placement, Canvas& canvas, double x, double y, double window_sx,
                     double window_sy, bool night);
