// Single-stroke lettering, the way panel engravers cut it: every glyph is a few
// lines and arcs stroked with a round pen. Drawn as cairo paths, so the result does
// not depend on installed fonts or their hinting.
#pragma once

#include <cairo.h>

namespace artgen {

enum class Align { left, centre, right };

struct Pen {
    double cap_px;     // height of a capital letter
    double stroke_px;  // pen width
};

// Width in pixels of `text` written with `pen` (outer edges of the strokes).
double text_width(const char* text, Pen pen);

// Adds the glyph outlines of `text` to the current path; `baseline_y` is the
// bottom of the capitals. Stroke it with stroke_text or cairo_stroke yourself.
void text_path(cairo_t* cr, const char* text, double x, double baseline_y, Pen pen, Align align);

// Strokes `text` in the current source colour.
void stroke_text(cairo_t* cr, const char* text, double x, double baseline_y, Pen pen, Align align);

// White engraved label centred on (cx, cy) with a faint dark shadow below right.
void engraved_label(cairo_t* cr, const char* text, double cx, double cy, Pen pen);

}  // namespace artgen
