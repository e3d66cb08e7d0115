// The 19x19 click-spot buttons (light bevelled frame, dark face, light symbol), the
// map rosette and the all-black pictures.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "artwork.hpp"
#include "lettering.hpp"

namespace artgen {
namespace {

constexpr std::uint32_t kSymbol = 0xECEAE0;

void stroke_symbol(cairo_t* cr, double width) {
    set_colour(cr, kSymbol);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void fill_symbol(cairo_t* cr) {
    set_colour(cr, kSymbol);
    cairo_fill(cr);
}

// Arrow from (x0, y0) to its head at (x1, y1).
void arrow(cairo_t* cr, double x0, double y0, double x1, double y1) {
    const double a = std::atan2(y1 - y0, x1 - x0), head = 3.8;
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1 - std::cos(a) * 1.5, y1 - std::sin(a) * 1.5);
    stroke_symbol(cr, 1.4);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x1 - head * std::cos(a - 0.55), y1 - head * std::sin(a - 0.55));
    cairo_line_to(cr, x1 - head * std::cos(a + 0.55), y1 - head * std::sin(a + 0.55));
    cairo_close_path(cr);
    fill_symbol(cr);
}

void headset(cairo_t* cr) {
    cairo_arc(cr, 9.5, 10.0, 5.0, M_PI, 2 * M_PI);
    stroke_symbol(cr, 1.3);
    rounded_rect(cr, 3.6, 9.0, 2.8, 5.0, 1.0);
    rounded_rect(cr, 12.6, 9.0, 2.8, 5.0, 1.0);
    fill_symbol(cr);
    cairo_move_to(cr, 5.0, 14.0);
    cairo_curve_to(cr, 5.2, 15.6, 7.0, 15.6, 8.6, 15.2);
    stroke_symbol(cr, 1.0);
}

void radio_mast(cairo_t* cr) {
    cairo_move_to(cr, 7.6, 15.5);
    cairo_line_to(cr, 9.5, 6.0);
    cairo_line_to(cr, 11.4, 15.5);
    cairo_move_to(cr, 8.3, 12.0);
    cairo_line_to(cr, 10.7, 12.0);
    stroke_symbol(cr, 1.1);
    for (double r : {2.6, 4.6}) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, 9.5, 6.0, r, radians(140), radians(220));
        cairo_new_sub_path(cr);
        cairo_arc(cr, 9.5, 6.0, r, radians(-40), radians(40));
    }
    stroke_symbol(cr, 1.0);
}

void satellite(cairo_t* cr) {
    cairo_translate(cr, 9.5, 9.5);
    cairo_rotate(cr, radians(-45));
    cairo_rectangle(cr, -1.8, -1.8, 3.6, 3.6);
    cairo_rectangle(cr, -7.2, -1.6, 4.2, 3.2);
    cairo_rectangle(cr, 3.0, -1.6, 4.2, 3.2);
    fill_symbol(cr);
    cairo_move_to(cr, 0, 1.8);
    cairo_line_to(cr, 0, 4.2);
    stroke_symbol(cr, 1.0);
    cairo_arc(cr, 0, 5.2, 1.6, 0, M_PI);
    stroke_symbol(cr, 1.0);
}

void throttle_quadrant(cairo_t* cr) {
    cairo_move_to(cr, 9.5, 3.4);  // aircraft from above
    cairo_line_to(cr, 9.5, 9.2);
    cairo_move_to(cr, 5.0, 5.8);
    cairo_line_to(cr, 14.0, 5.8);
    cairo_move_to(cr, 7.8, 8.6);
    cairo_line_to(cr, 11.2, 8.6);
    stroke_symbol(cr, 1.2);
    for (double x : {4.6, 6.6, 12.4, 14.4}) {  // two groups of levers
        cairo_move_to(cr, x, 15.5);
        cairo_line_to(cr, x, 12.2);
        stroke_symbol(cr, 1.0);
        cairo_arc(cr, x, 11.6, 1.0, 0, 2 * M_PI);
        fill_symbol(cr);
    }
}

void compass_letters(cairo_t* cr) {
    set_colour(cr, kSymbol);
    stroke_text(cr, "N", 10.8, 8.6, Pen{5.2, 1.1}, Align::centre);
    stroke_text(cr, "W", 7.0, 15.4, Pen{5.2, 1.1}, Align::centre);
    cairo_arc(cr, 12.8, 12.6, 1.0, 0, 2 * M_PI);
    fill_symbol(cr);
}

void cross(cairo_t* cr) {
    cairo_move_to(cr, 5.5, 5.5);
    cairo_line_to(cr, 13.5, 13.5);
    cairo_move_to(cr, 13.5, 5.5);
    cairo_line_to(cr, 5.5, 13.5);
    stroke_symbol(cr, 1.9);
}

void taxi_left(cairo_t* cr) {
    arrow(cr, 12.2, 15.5, 12.2, 4.2);
    arrow(cr, 10.0, 15.0, 4.2, 8.2);
}

void taxi_right(cairo_t* cr) {
    arrow(cr, 6.8, 15.5, 6.8, 4.2);
    arrow(cr, 9.0, 15.0, 14.8, 8.2);
}

void two_instruments(cairo_t* cr) {
    for (double cx : {6.0, 13.0}) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx, 9.5, 3.2, 0, 2 * M_PI);
        stroke_symbol(cr, 1.0);
        cairo_move_to(cr, cx, 9.5);
        cairo_line_to(cr, cx + 1.6, 7.6);
        stroke_symbol(cr, 0.9);
    }
}

void seat(cairo_t* cr) {
    cairo_move_to(cr, 4.2, 4.6);
    cairo_line_to(cr, 5.6, 11.8);
    cairo_line_to(cr, 10.2, 11.8);
    cairo_move_to(cr, 7.8, 11.8);
    cairo_line_to(cr, 7.8, 15.2);
    cairo_move_to(cr, 5.6, 15.2);
    cairo_line_to(cr, 10.0, 15.2);
    stroke_symbol(cr, 1.4);
}

void seat_up(cairo_t* cr) {
    seat(cr);
    arrow(cr, 14.0, 15.0, 14.0, 4.2);
}

void seat_down(cairo_t* cr) {
    seat(cr);
    arrow(cr, 14.0, 4.2, 14.0, 15.0);
}

void tick(cairo_t* cr) {
    cairo_move_to(cr, 4.8, 9.8);
    cairo_line_to(cr, 8.2, 13.6);
    cairo_line_to(cr, 14.4, 5.2);
    stroke_symbol(cr, 2.0);
}

void lightning_bolt(cairo_t* cr) {
    cairo_move_to(cr, 11.0, 3.4);
    cairo_line_to(cr, 5.6, 10.6);
    cairo_line_to(cr, 9.0, 10.6);
    cairo_line_to(cr, 7.6, 15.8);
    cairo_line_to(cr, 13.4, 8.0);
    cairo_line_to(cr, 10.0, 8.0);
    cairo_line_to(cr, 12.4, 3.4);
    cairo_close_path(cr);
    fill_symbol(cr);
}

void fuel_pump(cairo_t* cr) {
    rounded_rect(cr, 4.2, 4.2, 6.0, 11.2, 0.8);
    stroke_symbol(cr, 1.1);
    cairo_rectangle(cr, 5.6, 5.6, 3.2, 2.8);
    fill_symbol(cr);
    cairo_move_to(cr, 10.2, 6.5);
    cairo_line_to(cr, 12.6, 6.5);
    cairo_line_to(cr, 13.8, 8.0);
    cairo_line_to(cr, 13.8, 13.0);
    cairo_line_to(cr, 12.4, 13.6);
    stroke_symbol(cr, 1.0);
}

void overhead_lights(cairo_t* cr) {
    cairo_move_to(cr, 3.8, 5.6);
    cairo_line_to(cr, 15.2, 5.6);
    stroke_symbol(cr, 1.3);
    for (double x : {5.6, 9.5, 13.4}) {
        cairo_arc(cr, x, 9.4, 1.6, 0, 2 * M_PI);
        fill_symbol(cr);
        cairo_move_to(cr, x, 12.2);
        cairo_line_to(cr, x, 14.6);
        stroke_symbol(cr, 0.9);
    }
}

void up_down(cairo_t* cr) {
    arrow(cr, 6.8, 15.2, 6.8, 4.0);
    arrow(cr, 12.2, 4.0, 12.2, 15.2);
}

void yoke(cairo_t* cr) {
    cairo_move_to(cr, 4.2, 4.6);
    cairo_line_to(cr, 4.2, 8.0);
    cairo_curve_to(cr, 4.2, 10.4, 14.8, 10.4, 14.8, 8.0);
    cairo_line_to(cr, 14.8, 4.6);
    stroke_symbol(cr, 1.6);
    cairo_move_to(cr, 9.5, 9.8);
    cairo_line_to(cr, 9.5, 15.6);
    stroke_symbol(cr, 1.6);
}

struct Symbol {
    const char* key;
    void (*draw)(cairo_t*);
};

constexpr Symbol kSymbols[] = {
    {"headset", headset},
    {"mast", radio_mast},
    {"satellite", satellite},
    {"throttle", throttle_quadrant},
    {"compass", compass_letters},
    {"cross", cross},
    {"taxi left", taxi_left},
    {"taxi right", taxi_right},
    {"instruments", two_instruments},
    {"seat up", seat_up},
    {"seat down", seat_down},
    {"tick", tick},
    {"bolt", lightning_bolt},
    {"fuel pump", fuel_pump},
    {"overhead", overhead_lights},
    {"up down", up_down},
    {"yoke", yoke},
};

void button_frame(cairo_t* cr, int w, int h) {
    // light bevel: bright top-left, greyer bottom-right
    cairo_rectangle(cr, 0, 0, w, h);
    set_colour(cr, 0x8E8E8A);
    cairo_fill(cr);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, w, 0);
    cairo_line_to(cr, w - 2, 2);
    cairo_line_to(cr, 2, 2);
    cairo_line_to(cr, 2, h - 2);
    cairo_line_to(cr, 0, h);
    cairo_close_path(cr);
    set_colour(cr, 0xD6D6D0);
    cairo_fill(cr);
    cairo_rectangle(cr, 2, 2, w - 4, h - 4);
    set_colour(cr, 0x5A5A58);
    cairo_fill(cr);
    cairo_rectangle(cr, 3, 3, w - 6, h - 6);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 3, 0, h - 3);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.20, 0.20, 0.22);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.11, 0.11, 0.12);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

}  // namespace

void toggle_button(cairo_t* cr, const Sheet& s) {
    button_frame(cr, s.w, s.h);
    for (const Symbol& sym : kSymbols) {
        if (std::strcmp(sym.key, s.text) != 0) continue;
        cairo_save(cr);
        cairo_rectangle(cr, 3, 3, s.w - 6, s.h - 6);
        cairo_clip(cr);
        sym.draw(cr);
        cairo_restore(cr);
    }
}

void map_rosette(cairo_t* cr, const Sheet& s) {
    const double c = s.w / 2.0;
    cairo_move_to(cr, c, c - 5.9);
    for (int i = 1; i < 16; ++i) {
        const double r = i % 4 == 0 ? 5.9 : i % 2 == 0 ? 4.2 : 2.1;
        const double a = radians(-90.0 + 22.5 * i);
        cairo_line_to(cr, c + r * std::cos(a), c + r * std::sin(a));
    }
    cairo_close_path(cr);
    set_colour(cr, 0xE8E6DC);
    cairo_fill(cr);
}

void all_black(cairo_t*, const Sheet&) {}

}  // namespace artgen
