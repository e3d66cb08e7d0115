// Where a turning or sliding element of an XML gauge puts its picture for a value, and
// how a picture with a <Delay> follows its value over simulated time: at most its rate
// a second, so that a needle swings to a new reading instead of jumping. Evaluated each
// frame with no allocation; the painter draws the pose the last frame left.
//
// Positions are in the gauge's pixels. An element's reference point is its origin (its
// parent's plus its <Position>) or, seen through a <MaskImage>, the origin plus the
// mask's axis:
//
//   rotate   with X/Y calibration points, the direction of the interpolated point seen
//            from the reference point (kept continuous along the table); with Degrees,
//            that direction (east 0, clockwise); without points, the value in radians
//   shift    <Shift><Nonlinearity>: the interpolated point; <Image><Nonlinearity>: the
//            axis less the picture's interpolated point; <Scale>: value * scale
#pragma once

#include "host/xml/xml_gauge.h"

// Direction in degrees (east 0, clockwise; continuous) a rotate element points to for
// a value, or the turn in degrees when the element has no calibration points.
double xml_rotation_deg(const xmlgauge::Element& element, double ref_x, double ref_y, double value);

// A picture's place: turned by angle_deg (rotate: the direction, less the way the
// picture points when calibrated) about its axis, or its axis moved by (dx, dy) from
// the reference point (shift).
struct XmlPose {
    double angle_deg = 0;
    double dx = 0, dy = 0;
};

// The pose of the element's picture for the value, at once.
XmlPose xml_pose(const xmlgauge::Element& element, double ref_x, double ref_y, double value);

// What an element showed after the last frame it was evaluated in.
struct XmlMotion {
    double origin_x = 0, origin_y = 0;  // the element's origin in the gauge's pixels
    XmlPose pose;
    double time_s = 0;   // the simulated time of the pose
    bool posed = false;  // false until the first frame that evaluates the element
};

// Sets the element's origin from its parent's (null: the gauge's corner).
void xml_place(XmlMotion& motion, const xmlgauge::Element& element, const XmlMotion* parent);

// Moves the pose toward the value's at simulated time now_s: at once on the first frame,
// without a <Delay> or when the clock went back (a restart); else by at most the rate
// times the time since the last pose, a free turn (no calibration) the shorter way round.
void xml_follow(XmlMotion& motion, const xmlgauge::Element& element, double value, double now_s);
