// Shared drawing pieces: paint finish, screws, knobs, switch knobs, lamps.
#include "paint.hpp"

#include <algorithm>
#include <cmath>

namespace artgen {

void set_colour(cairo_t* cr, std::uint32_t rgb, double alpha) {
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

double radians(double deg) { return deg * M_PI / 180.0; }

double hash01(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return (h >> 8) / 16777216.0;
}

double value_noise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.0 - 2.0 * tx);
    ty = ty * ty * (3.0 - 2.0 * ty);
    const double a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
    const double c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1.0 - ty) + (c + (d - c) * tx) * ty;
}

namespace {

double wrinkle(double x, double y, std::uint32_t seed) {
    return 0.55 * value_noise(x / 1.25, y / 1.25, seed) + 0.45 * value_noise(x / 2.9, y / 2.6, seed + 17);
}

unsigned char to_byte(double v) { return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 255.0))); }

}  // namespace

void crinkle_finish(cairo_t* cr, std::uint32_t base, std::uint32_t seed, double depth) {
    cairo_surface_t* s = cairo_get_target(cr);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const double br = (base >> 16) & 0xFF, bg = (base >> 8) & 0xFF, bb = base & 0xFF;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double slope = wrinkle(x - 0.6, y - 0.6, seed) - wrinkle(x + 0.6, y + 0.6, seed);
            const double grain = hash01(x, y, seed + 99) - 0.5;
            const double k = 1.0 + depth * slope * 1.1 + 0.05 * grain;
            unsigned char* p = data + y * stride + 4 * x;
            p[0] = to_byte(bb * k);
            p[1] = to_byte(bg * k);
            p[2] = to_byte(br * k);
            p[3] = 255;
        }
    }
    cairo_surface_mark_dirty(s);
}

void slotted_screw(cairo_t* cr, double cx, double cy, double r, double slot_deg) {
    cairo_save(cr);
    cairo_arc(cr, cx + 0.3, cy + 0.5, r + 0.4, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.4, 0.2, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.85, 0.85, 0.82);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.38, 0.38, 0.37);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    const double dx = std::cos(radians(slot_deg)) * r * 0.85, dy = std::sin(radians(slot_deg)) * r * 0.85;
    cairo_move_to(cr, cx - dx, cy - dy);
    cairo_line_to(cr, cx + dx, cy + dy);
    cairo_set_line_width(cr, std::max(0.8, r * 0.32));
    cairo_set_source_rgb(cr, 0.16, 0.16, 0.16);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void control_knob(cairo_t* cr, double cx, double cy, double r, double index_deg) {
    cairo_save(cr);
    // knurled skirt: alternating light and dark teeth so that turning shows
    const int teeth = 28;
    for (int i = 0; i < teeth; ++i) {
        const double a0 = index_deg + 360.0 * i / teeth, a1 = a0 + 360.0 / teeth;
        cairo_move_to(cr, cx, cy);
        cairo_arc(cr, cx, cy, r, radians(a0), radians(a1));
        cairo_close_path(cr);
        const double light = 0.5 + 0.5 * std::cos(radians((a0 + a1) / 2.0 + 135.0));  // lit from top left
        const double v = (i % 2 == 0 ? 0.20 : 0.11) + 0.14 * light;
        cairo_set_source_rgb(cr, v, v, v * 1.02);
        cairo_fill(cr);
    }
    // domed cap
    const double rc = r * 0.74;
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - rc * 0.35, cy - rc * 0.45, rc * 0.1, cx, cy, rc);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.40, 0.40, 0.41);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.10, 0.10, 0.11);
    cairo_arc(cr, cx, cy, rc, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    // index line from the cap centre out through the skirt
    const double ux = std::cos(radians(index_deg)), uy = std::sin(radians(index_deg));
    cairo_move_to(cr, cx + ux * r * 0.25, cy + uy * r * 0.25);
    cairo_line_to(cr, cx + ux * (r - 0.8), cy + uy * (r - 0.8));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, std::max(1.6, r * 0.14));
    set_colour(cr, 0xF2F0E6);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void pointer_knob(cairo_t* cr, double cx, double cy, double r, double pointer_deg) {
    cairo_save(cr);
    // round skirt with a bright metal rim, so the base reads as round
    const double rs = r * 0.80;
    cairo_arc(cr, cx, cy, rs, 0, 2 * M_PI);
    cairo_pattern_t* rim = cairo_pattern_create_linear(cx - rs, cy - rs, cx + rs, cy + rs);
    cairo_pattern_add_color_stop_rgb(rim, 0.0, 0.78, 0.78, 0.76);
    cairo_pattern_add_color_stop_rgb(rim, 1.0, 0.22, 0.22, 0.22);
    cairo_set_source(cr, rim);
    cairo_fill(cr);
    cairo_pattern_destroy(rim);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - rs * 0.3, cy - rs * 0.3, rs * 0.1, cx, cy, rs - 1.2);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.30, 0.30, 0.31);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.10, 0.10, 0.11);
    cairo_arc(cr, cx, cy, rs - 1.2, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // the bar, pointed at one end, drawn in the rotated frame
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, radians(pointer_deg));
    const double hw = r * 0.25;
    cairo_move_to(cr, r * 0.98, 0);
    cairo_line_to(cr, r * 0.50, -hw);
    cairo_line_to(cr, -r * 0.62, -hw);
    cairo_arc_negative(cr, -r * 0.62, 0, hw, radians(-90), radians(-270));
    cairo_line_to(cr, r * 0.50, hw);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.75);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* bar = cairo_pattern_create_linear(0, -hw, 0, hw);
    cairo_pattern_add_color_stop_rgb(bar, 0.0, 0.42, 0.42, 0.43);
    cairo_pattern_add_color_stop_rgb(bar, 0.35, 0.20, 0.20, 0.21);
    cairo_pattern_add_color_stop_rgb(bar, 1.0, 0.07, 0.07, 0.08);
    cairo_set_source(cr, bar);
    cairo_fill(cr);
    cairo_pattern_destroy(bar);
    // white index along the pointed half
    cairo_move_to(cr, r * 0.10, 0);
    cairo_line_to(cr, r * 0.84, 0);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    set_colour(cr, 0xF2F0E6);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void jewel_lamp(cairo_t* cr, double cx, double cy, double r, std::uint32_t colour, bool lit) {
    cairo_save(cr);
    const double cr_ = ((colour >> 16) & 0xFF) / 255.0, cg = ((colour >> 8) & 0xFF) / 255.0,
                 cb = (colour & 0xFF) / 255.0;
    // chrome ring
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_pattern_t* ring = cairo_pattern_create_linear(cx - r, cy - r, cx + r, cy + r);
    cairo_pattern_add_color_stop_rgb(ring, 0.0, 0.82, 0.82, 0.80);
    cairo_pattern_add_color_stop_rgb(ring, 1.0, 0.30, 0.30, 0.30);
    cairo_set_source(cr, ring);
    cairo_fill(cr);
    cairo_pattern_destroy(ring);
    // the jewel
    const double rj = r * 0.72;
    const double k = lit ? 1.0 : 0.28;
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - rj * 0.3, cy - rj * 0.35, rj * 0.05, cx, cy, rj);
    if (lit)
        cairo_pattern_add_color_stop_rgb(g, 0.0, 1.0, 1.0, 0.92);
    else
        cairo_pattern_add_color_stop_rgb(g, 0.0, cr_ * 0.55 + 0.2, cg * 0.55 + 0.2, cb * 0.55 + 0.2);
    cairo_pattern_add_color_stop_rgb(g, 0.45, cr_ * k, cg * k, cb * k);
    cairo_pattern_add_color_stop_rgb(g, 1.0, cr_ * k * 0.55, cg * k * 0.55, cb * k * 0.55);
    cairo_arc(cr, cx, cy, rj, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
}

void seat_ring(cairo_t* cr, double cx, double cy, double r) {
    cairo_save(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r - 0.5, radians(20), radians(160));
    cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, radians(-90), 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, radians(90));
    cairo_arc(cr, x + r, y + h - r, r, radians(90), radians(180));
    cairo_arc(cr, x + r, y + r, r, radians(180), radians(270));
    cairo_close_path(cr);
}

}  // namespace artgen
