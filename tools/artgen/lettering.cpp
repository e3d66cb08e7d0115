// The glyph table of the engraved lettering and its path builder.
#include "lettering.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace artgen {
namespace {

// Glyph outlines on a grid where capitals are 10 units tall: y = 0 is the cap line,
// y = 10 the baseline, x = 0 the left edge. Commands:
//   M x y               move (starts a stroke)
//   L x y               line
//   E cx cy rx ry a0 a1 elliptic arc joined to the stroke; degrees, clockwise on
//                       screen, a1 < a0 runs anticlockwise
//   e cx cy rx ry a0 a1 the same, starting a new stroke
struct Glyph {
    char ch;
    double width;
    const char* strokes;
};

constexpr Glyph kGlyphs[] = {
    // ch   width  strokes
    {'0', 6.0, "e 3 5 3 5 0 360"},
    {'1', 6.0, "M 1.2 2 L 3.6 0 L 3.6 10"},
    {'2', 6.0, "e 3 3 3 3 180 380 L 0 10 L 6 10"},
    {'3', 6.0, "e 3 2.5 2.8 2.5 200 450 E 3 7.5 3 2.5 270 520"},
    {'4', 6.0, "M 4.6 10 L 4.6 0 L 0 7 L 6 7"},
    {'5', 6.0, "M 5.6 0 L 1 0 L 0.6 4.6 E 3 6.8 3 3.2 222 495"},
    {'6', 6.0, "e 3 7 3 3 0 360 M 0 7 L 0 4.5 E 3 4.5 3 4.5 180 300"},
    {'7', 6.0, "M 0 0 L 6 0 L 2.2 10"},
    {'8', 6.0, "e 3 2.5 2.6 2.5 0 360 e 3 7.4 3 2.6 0 360"},
    {'9', 6.0, "e 3 3 3 3 0 360 M 6 3 L 6 5.5 E 3 5.5 3 4.5 0 120"},
    {'A', 6.4, "M 0 10 L 3.2 0 L 6.4 10 M 1.2 6.4 L 5.2 6.4"},
    {'B', 6.0, "M 0 5 L 3.4 5 E 3.4 2.5 2.4 2.5 90 -90 L 0 0 L 0 10 L 3.6 10 E 3.6 7.5 2.4 2.5 90 -90"},
    {'C', 6.4, "e 3.3 5 3.3 5 -40 -320"},
    {'D', 6.4, "M 0 0 L 0 10 L 2.6 10 E 2.6 5 3.8 5 90 -90 L 0 0"},
    {'E', 5.6, "M 5.6 0 L 0 0 L 0 10 L 5.6 10 M 0 5 L 4.4 5"},
    {'F', 5.6, "M 5.6 0 L 0 0 L 0 10 M 0 5 L 4.4 5"},
    {'G', 6.6, "e 3.3 5 3.3 5 -40 -320 L 6.6 5.6 L 3.8 5.6"},
    {'H', 6.0, "M 0 0 L 0 10 M 6 0 L 6 10 M 0 5 L 6 5"},
    {'I', 0.0, "M 0 0 L 0 10"},
    {'K', 6.0, "M 0 0 L 0 10 M 5.8 0 L 0 6.6 M 2.2 4.2 L 6 10"},
    {'L', 5.2, "M 0 0 L 0 10 L 5.2 10"},
    {'M', 7.4, "M 0 10 L 0 0 L 3.7 7.4 L 7.4 0 L 7.4 10"},
    {'N', 6.2, "M 0 10 L 0 0 L 6.2 10 L 6.2 0"},
    {'O', 7.0, "e 3.5 5 3.5 5 0 360"},
    {'P', 6.0, "M 0 10 L 0 0 L 3.4 0 E 3.4 2.75 2.6 2.75 -90 90 L 0 5.5"},
    {'R', 6.0, "M 0 10 L 0 0 L 3.4 0 E 3.4 2.75 2.6 2.75 -90 90 L 0 5.5 M 3.2 5.5 L 6 10"},
    {'S', 6.0, "e 3 2.5 2.9 2.5 -20 -270 E 3 7.5 3 2.5 270 520"},
    {'T', 6.4, "M 0 0 L 6.4 0 M 3.2 0 L 3.2 10"},
    {'U', 6.2, "M 0 0 L 0 6.9 E 3.1 6.9 3.1 3.1 180 0 L 6.2 0"},
    {'V', 6.4, "M 0 0 L 3.2 10 L 6.4 0"},
    {'W', 8.6, "M 0 0 L 2.1 10 L 4.3 2.6 L 6.5 10 L 8.6 0"},
    {'X', 6.2, "M 0 0 L 6.2 10 M 6.2 0 L 0 10"},
    {'Y', 6.4, "M 0 0 L 3.2 5.2 L 6.4 0 M 3.2 5.2 L 3.2 10"},
    {'Z', 6.0, "M 0 0 L 6 0 L 0 10 L 6 10"},
    {'k', 5.0, "M 0 0 L 0 10 M 4.6 3.4 L 0 7.6 M 1.6 6.2 L 5 10"},
    {'s', 4.8, "e 2.4 4.8 2.3 1.75 -25 -270 E 2.4 8.25 2.4 1.75 270 515"},
    {'t', 3.6, "M 1.4 0.8 L 1.4 10 L 3.6 10 M 0 3.4 L 3.6 3.4"},
    {'z', 5.0, "M 0 3.4 L 5 3.4 L 0 10 L 5 10"},
    {'-', 4.4, "M 0.4 5.2 L 4.4 5.2"},
    {'/', 4.2, "M 0 10 L 4.2 0"},
    {'.', 0.0, "M 0 9.8 L 0 10"},
    {' ', 2.6, ""},
};

constexpr double kSpacing = 2.4;  // between glyphs, in grid units

const Glyph* find_glyph(char ch) {
    for (const Glyph& g : kGlyphs)
        if (g.ch == ch) return &g;
    return nullptr;
}

double grid_width(const char* text) {
    double w = 0.0;
    int n = 0;
    for (const char* p = text; *p; ++p) {
        const Glyph* g = find_glyph(*p);
        if (!g) continue;
        w += g->width;
        ++n;
    }
    return n > 0 ? w + kSpacing * (n - 1) : 0.0;
}

double next_number(const char*& p) {
    char* end = nullptr;
    const double v = std::strtod(p, &end);
    p = end;
    return v;
}

void glyph_path(cairo_t* cr, const Glyph& g, double ox, double top, double unit) {
    const char* p = g.strokes;
    while (*p) {
        while (*p == ' ') ++p;
        const char op = *p;
        if (!op) break;
        ++p;
        if (op == 'M' || op == 'L') {
            const double x = next_number(p), y = next_number(p);
            if (op == 'M')
                cairo_move_to(cr, ox + x * unit, top + y * unit);
            else
                cairo_line_to(cr, ox + x * unit, top + y * unit);
        } else if (op == 'E' || op == 'e') {
            const double cx = next_number(p), cy = next_number(p), rx = next_number(p), ry = next_number(p);
            const double a0 = next_number(p) * M_PI / 180.0, a1 = next_number(p) * M_PI / 180.0;
            if (op == 'e') cairo_new_sub_path(cr);
            cairo_save(cr);
            cairo_translate(cr, ox + cx * unit, top + cy * unit);
            cairo_scale(cr, rx * unit, ry * unit);
            if (a1 >= a0)
                cairo_arc(cr, 0, 0, 1, a0, a1);
            else
                cairo_arc_negative(cr, 0, 0, 1, a0, a1);
            cairo_restore(cr);
        }
    }
}

}  // namespace

double text_width(const char* text, Pen pen) { return grid_width(text) * pen.cap_px / 10.0 + pen.stroke_px; }

void text_path(cairo_t* cr, const char* text, double x, double baseline_y, Pen pen, Align align) {
    const double unit = pen.cap_px / 10.0;
    const double w = grid_width(text) * unit;
    double ox = x;
    if (align == Align::centre) ox -= w / 2.0;
    if (align == Align::right) ox -= w;
    const double top = baseline_y - pen.cap_px;
    for (const char* p = text; *p; ++p) {
        const Glyph* g = find_glyph(*p);
        if (!g) continue;
        glyph_path(cr, *g, ox, top, unit);
        ox += (g->width + kSpacing) * unit;
    }
}

void stroke_text(cairo_t* cr, const char* text, double x, double baseline_y, Pen pen, Align align) {
    cairo_save(cr);
    cairo_new_path(cr);
    text_path(cr, text, x, baseline_y, pen, align);
    cairo_set_line_width(cr, pen.stroke_px);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void engraved_label(cairo_t* cr, const char* text, double cx, double cy, Pen pen) {
    const double baseline = cy + pen.cap_px / 2.0;
    cairo_save(cr);
    cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.55);
    stroke_text(cr, text, cx + 0.45, baseline + 0.6, pen, Align::centre);
    cairo_set_source_rgb(cr, 0.91, 0.9, 0.85);
    stroke_text(cr, text, cx, baseline, pen, Align::centre);
    cairo_restore(cr);
}

}  // namespace artgen
