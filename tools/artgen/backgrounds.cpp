// The example panel's window backgrounds: a painted main panel with a shock-mounted
// instrument plate, a radio rack and a compass bracket. Every gauge of the example
// panel gets a recess that fits the face the host draws there (the seat tables below
// follow examples/panel.cfg). All of it is opaque: pure black would let the
// simulator's view show through the panel.
#include "backgrounds.hpp"

#include <cmath>
#include <cstring>

#include "lettering.hpp"

namespace artgen {
namespace {

constexpr std::uint32_t kCrinkle = 0x2C2C2E;    // instrument plate, rack base
constexpr std::uint32_t kHole = 0x121214;       // inside a cut-out, behind the gauge
constexpr std::uint32_t kEngraving = 0xD8D5C8;  // filled engraving on the paint
constexpr std::uint32_t kCard = 0xB3A886;       // aged compass correction card
constexpr std::uint32_t kInk = 0x2A2620;

// Main panel window (1000 x 330): the gauges as examples/panel.cfg places them.
const Seat kMainSeats[] = {
    // gauge                    x    y    w  face    cover   recess           label
    {"Airspeed_Kts", 20, 20, 200, "210", "230", Recess::round, "AIRSPEED"},
    {"VOR1_Indicator", 240, 20, 200, "1200", "1270", Recess::flange, "VOR 1"},
    {"ADF_Indicator", 460, 20, 200, "1300", "1320", Recess::flange, "ADF"},
    {"Registration", 690, 40, 290, "40", "", Recess::plate, ""},
    {"Radios_Toggle", 20, 260, 38, "110", "", Recess::socket, "RADIOS"},
    {"Compass_Toggle", 70, 260, 38, "140", "", Recess::socket, "COMPASS"},
    {"Left_Taxi_Toggle", 120, 260, 38, "160", "", Recess::socket, "TAXI L"},
    {"Right_Taxi_Toggle", 170, 260, 38, "170", "", Recess::socket, "TAXI R"},
    {"Seat_Up_Toggle", 220, 260, 38, "90", "", Recess::socket, "SEAT UP"},
    {"Seat_Down_Toggle", 270, 260, 38, "100", "", Recess::socket, "SEAT DN"},
    {"Map_Toggle", 320, 260, 38, "60", "", Recess::socket, "MAP"},
    {"Kneeboard_Toggle", 370, 260, 38, "50", "", Recess::socket, "KNEEBOARD"},
    {"ATC_Toggle", 420, 260, 38, "70", "", Recess::socket, "ATC"},
};
static_assert(sizeof(kMainSeats) / sizeof(kMainSeats[0]) == 3 + 1 + 9, "three instruments, the plate, 9 toggles");

// Radio stack window (520 x 640): two columns of four heads and the close button.
const Seat kRadioSeats[] = {
    // gauge            x    y    w  face    cover recess           label
    {"Old_COM1", 10, 10, 250, "390", "", Recess::flange, ""},
    {"Old_COM2", 10, 160, 250, "480", "", Recess::flange, ""},
    {"Old_NAV1", 10, 310, 250, "1070", "", Recess::flange, ""},
    {"Old_NAV2", 10, 460, 250, "1160", "", Recess::flange, ""},
    {"Old_ADF", 265, 10, 250, "280", "", Recess::flange, ""},
    {"Old_XPDR", 265, 160, 250, "1000", "", Recess::flange, ""},
    {"Old_COM", 265, 310, 250, "380", "", Recess::flange, ""},
    {"Old_NAV", 265, 460, 250, "1060", "", Recess::flange, ""},
    {"Close_Subpanel", 241, 598, 38, "150", "", Recess::socket, ""},
};
static_assert(sizeof(kRadioSeats) / sizeof(kRadioSeats[0]) == 8 + 1, "eight radio heads and the close button");

// Compass window (180 x 220).
const Seat kCompassSeats[] = {
    // gauge              x    y    w  face   cover recess          label
    {"Magnetic_Compass", 10, 10, 160, "240", "", Recess::flange, ""},
    {"Close_Subpanel", 71, 180, 38, "150", "", Recess::socket, ""},
};
static_assert(sizeof(kCompassSeats) / sizeof(kCompassSeats[0]) == 2, "the compass and the close button");

struct Box {
    double x, y, w, h;
};

Box box_of(const Seat& seat) { return Box{double(seat.x), double(seat.y), double(seat.w), seat_height(seat)}; }

void disc(cairo_t* cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
}

std::uint32_t seed_of(const char* text) {
    std::uint32_t h = 2166136261u;
    for (const char* p = text; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
    return h;
}

// ---- finishes ----------------------------------------------------------------

unsigned char to_byte(double v) { return static_cast<unsigned char>(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); }

// Satin paint: `base` clouded at two scales and grained per pixel, as a pattern the
// size of the target.
cairo_pattern_t* satin_paint(cairo_t* cr, std::uint32_t base, std::uint32_t seed) {
    cairo_surface_t* target = cairo_get_target(cr);
    const int w = cairo_image_surface_get_width(target), h = cairo_image_surface_get_height(target);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const double br = (base >> 16) & 0xFF, bg = (base >> 8) & 0xFF, bb = base & 0xFF;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double cloud = 0.7 * (value_noise(x / 61.0, y / 37.0, seed) - 0.5) +
                                 0.3 * (value_noise(x / 9.0, y / 7.0, seed + 3) - 0.5);
            const double k = 1.0 + 0.10 * cloud + 0.045 * (hash01(x, y, seed + 7) - 0.5);
            unsigned char* p = data + y * stride + 4 * x;
            p[0] = to_byte(bb * k);
            p[1] = to_byte(bg * k);
            p[2] = to_byte(br * k);
            p[3] = 255;
        }
    }
    cairo_surface_mark_dirty(s);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(s);
    cairo_surface_destroy(s);
    return pattern;
}

// The wrinkle finish of the radio faces, as a pattern the size of the target.
cairo_pattern_t* crinkle_paint(cairo_t* cr, std::uint32_t base, std::uint32_t seed, double depth) {
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(target),
                                                    cairo_image_surface_get_height(target));
    cairo_t* scratch = cairo_create(s);
    crinkle_finish(scratch, base, seed, depth);
    cairo_destroy(scratch);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(s);
    cairo_surface_destroy(s);
    return pattern;
}

void fill_with(cairo_t* cr, cairo_pattern_t* pattern) {
    cairo_set_source(cr, pattern);
    cairo_fill(cr);
}

// Light from the top left: a little brighter at the top, darker towards the bottom
// and the sides.
void light_falloff(cairo_t* cr, double w, double h) {
    cairo_pattern_t* v = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgba(v, 0.0, 1, 1, 1, 0.05);
    cairo_pattern_add_color_stop_rgba(v, 0.5, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(v, 1.0, 0, 0, 0, 0.18);
    cairo_set_source(cr, v);
    cairo_paint(cr);
    cairo_pattern_destroy(v);
    cairo_pattern_t* side = cairo_pattern_create_linear(0, 0, w, 0);
    cairo_pattern_add_color_stop_rgba(side, 0.0, 0, 0, 0, 0.16);
    cairo_pattern_add_color_stop_rgba(side, 0.08, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(side, 0.92, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(side, 1.0, 0, 0, 0, 0.2);
    cairo_set_source(cr, side);
    cairo_paint(cr);
    cairo_pattern_destroy(side);
}

// The folded edge round a whole window: a dark outline, lit along the top and left.
void window_edge(cairo_t* cr, double w, double h) {
    cairo_save(cr);
    cairo_rectangle(cr, 1, 1, w - 2, h - 2);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_move_to(cr, 2.5, h - 3);
    cairo_line_to(cr, 2.5, 2.5);
    cairo_line_to(cr, w - 3, 2.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// ---- hardware ----------------------------------------------------------------

// A soft shadow of a rounded rectangle lying on the panel, cast down and right.
void soft_shadow(cairo_t* cr, Box b, double r, double spread, double alpha) {
    const int steps = static_cast<int>(spread);
    for (int i = steps; i >= 1; --i) {
        rounded_rect(cr, b.x - i + 1.5, b.y - i + 2.5, b.w + 2 * i, b.h + 2 * i, r + i);
        cairo_set_source_rgba(cr, 0, 0, 0, alpha / steps);
        cairo_fill(cr);
    }
}

// A domed rivet, painted over with the panel.
void rivet(cairo_t* cr, double cx, double cy, double r) {
    disc(cr, cx + 0.4, cy + 0.6, r + 0.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - 0.35 * r, cy - 0.4 * r, 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.44, 0.44, 0.45);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.16, 0.16, 0.17);
    disc(cr, cx, cy, r);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

// A row of rivets from (x0, y0) to (x1, y1), about `pitch` apart.
void rivet_row(cairo_t* cr, double x0, double y0, double x1, double y1, double pitch, double r) {
    const double len = std::hypot(x1 - x0, y1 - y0);
    const int n = static_cast<int>(std::lround(len / pitch));
    for (int i = 0; i <= n; ++i) rivet(cr, x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n, r);
}

// A slotted screw in a countersink, its slot turned by a hash of its position.
void screw(cairo_t* cr, double cx, double cy, double r) {
    disc(cr, cx, cy, r + 1.0);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    const double slot = 180.0 * hash01(static_cast<int>(cx * 4), static_cast<int>(cy * 4), 41);
    slotted_screw(cr, cx, cy, r, slot);
}

// A rubber shock mount holding the instrument plate: grommet, washer, bolt.
void shock_mount(cairo_t* cr, double cx, double cy) {
    disc(cr, cx + 0.6, cy + 1.0, 7.6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    cairo_pattern_t* rubber = cairo_pattern_create_radial(cx - 2, cy - 2.5, 0.5, cx, cy, 7.2);
    cairo_pattern_add_color_stop_rgb(rubber, 0.0, 0.20, 0.20, 0.20);
    cairo_pattern_add_color_stop_rgb(rubber, 0.8, 0.09, 0.09, 0.09);
    cairo_pattern_add_color_stop_rgb(rubber, 1.0, 0.05, 0.05, 0.05);
    disc(cr, cx, cy, 7.2);
    cairo_set_source(cr, rubber);
    cairo_fill(cr);
    cairo_pattern_destroy(rubber);
    cairo_pattern_t* washer = cairo_pattern_create_linear(cx - 4, cy - 4, cx + 4, cy + 4);
    cairo_pattern_add_color_stop_rgb(washer, 0.0, 0.70, 0.70, 0.68);
    cairo_pattern_add_color_stop_rgb(washer, 1.0, 0.26, 0.26, 0.26);
    disc(cr, cx, cy, 4.4);
    cairo_set_source(cr, washer);
    cairo_fill(cr);
    cairo_pattern_destroy(washer);
    slotted_screw(cr, cx, cy, 2.8, 180.0 * hash01(static_cast<int>(cx), static_cast<int>(cy), 43));
}

// Filled engraving: light lettering with a dark lower edge, as cut into the paint.
void engrave(cairo_t* cr, const char* text, double cx, double baseline, double cap_px, double alpha) {
    const Pen pen{cap_px, std::fmax(0.9, cap_px * 0.16)};
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    stroke_text(cr, text, cx + 0.4, baseline + 0.6, pen, Align::centre);
    set_colour(cr, kEngraving, alpha);
    stroke_text(cr, text, cx, baseline, pen, Align::centre);
}

// A groove cut into the paint along a rounded rectangle: dark line, light line below.
void groove(cairo_t* cr, Box b, double r) {
    rounded_rect(cr, b.x + 0.5, b.y + 0.8, b.w, b.h, r);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.09);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    rounded_rect(cr, b.x, b.y, b.w, b.h, r);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_stroke(cr);
}

// A frame of polished metal `width` wide round box b.
void metal_frame(cairo_t* cr, Box b, double width, double r) {
    rounded_rect(cr, b.x - width, b.y - width, b.w + 2 * width, b.h + 2 * width, r + width);
    cairo_pattern_t* g = cairo_pattern_create_linear(b.x, b.y - width, b.x + b.w * 0.3, b.y + b.h + width);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.66, 0.66, 0.64);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.42, 0.42, 0.41);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.24, 0.24, 0.24);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    rounded_rect(cr, b.x - 0.5, b.y - 0.5, b.w + 1, b.h + 1, r);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

// ---- recesses ----------------------------------------------------------------

// Round cut-out for a round case of radius r, with its four mounting screws on the
// diagonals, just outside the case.
void round_recess(cairo_t* cr, Box b) {
    const double cx = b.x + b.w / 2, cy = b.y + b.h / 2, r = b.w / 2, hole = r + 3.5;
    disc(cr, cx, cy, hole + 1.6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    cairo_pattern_t* wall =
        cairo_pattern_create_linear(cx - hole * 0.7, cy - hole * 0.7, cx + hole * 0.7, cy + hole * 0.7);
    cairo_pattern_add_color_stop_rgb(wall, 0.0, 0.03, 0.03, 0.035);
    cairo_pattern_add_color_stop_rgb(wall, 0.6, 0.08, 0.08, 0.085);
    cairo_pattern_add_color_stop_rgb(wall, 1.0, 0.20, 0.20, 0.21);
    disc(cr, cx, cy, hole);
    cairo_set_source(cr, wall);
    cairo_fill(cr);
    cairo_pattern_destroy(wall);
    disc(cr, cx, cy, r + 0.8);
    set_colour(cr, kHole);
    cairo_fill(cr);
    // the cut edge catches the light along its lower right
    cairo_arc(cr, cx, cy, hole + 0.6, radians(-15), radians(105));
    cairo_set_source_rgba(cr, 1, 1, 1, 0.2);
    cairo_set_line_width(cr, 1.1);
    cairo_stroke(cr);
    const double d = (r + 20.0) / std::sqrt(2.0);
    for (int i = 0; i < 4; ++i) screw(cr, cx + (i % 2 ? d : -d), cy + (i / 2 ? d : -d), 4.0);
}

// A square case fastened on the panel: its shadow and the dark gap along its edge.
void flange_recess(cairo_t* cr, Box b, double corner) {
    soft_shadow(cr, b, corner, 6, 0.6);
    rounded_rect(cr, b.x - 1, b.y - 1, b.w + 2, b.h + 2, corner + 1);
    set_colour(cr, kHole);
    cairo_fill(cr);
}

// A square well a push button sits in, 3 pixels wider all round.
void socket_recess(cairo_t* cr, Box b) {
    const double m = 3.0;
    rounded_rect(cr, b.x - m - 1, b.y - m - 1, b.w + 2 * m + 2, b.h + 2 * m + 2, 4);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
    cairo_fill(cr);
    rounded_rect(cr, b.x - m, b.y - m, b.w + 2 * m, b.h + 2 * m, 3);
    cairo_pattern_t* wall = cairo_pattern_create_linear(b.x, b.y, b.x + b.w, b.y + b.h);
    cairo_pattern_add_color_stop_rgb(wall, 0.0, 0.035, 0.035, 0.04);
    cairo_pattern_add_color_stop_rgb(wall, 0.7, 0.08, 0.08, 0.085);
    cairo_pattern_add_color_stop_rgb(wall, 1.0, 0.17, 0.17, 0.18);
    cairo_set_source(cr, wall);
    cairo_fill(cr);
    cairo_pattern_destroy(wall);
    cairo_move_to(cr, b.x - m + 2, b.y + b.h + m + 0.5);
    cairo_line_to(cr, b.x + b.w + m + 0.5, b.y + b.h + m + 0.5);
    cairo_line_to(cr, b.x + b.w + m + 0.5, b.y - m + 2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.16);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

// A framed black placard the gauge writes its text on, screwed at the corners.
void plate_recess(cairo_t* cr, Box b) {
    const double frame = 5.0;
    soft_shadow(cr, Box{b.x - frame, b.y - frame, b.w + 2 * frame, b.h + 2 * frame}, 5, 4, 0.5);
    metal_frame(cr, b, frame, 2);
    rounded_rect(cr, b.x, b.y, b.w, b.h, 2);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.06, 0.06, 0.065);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.12, 0.12, 0.125);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    const double sx[2] = {b.x - frame / 2, b.x + b.w + frame / 2}, sy[2] = {b.y - frame / 2, b.y + b.h + frame / 2};
    for (double x : sx)
        for (double y : sy) slotted_screw(cr, x, y, 1.9, 45.0 + 90.0 * hash01(int(x), int(y), 47));
}

// The recess of one seat, by its kind. corner: corner radius of a flange case.
void recess(cairo_t* cr, const Seat& seat, double corner) {
    const Box b = box_of(seat);
    switch (seat.recess) {
        case Recess::round: round_recess(cr, b); break;
        case Recess::flange: flange_recess(cr, b, corner); break;
        case Recess::socket: socket_recess(cr, b); break;
        case Recess::plate: plate_recess(cr, b); break;
    }
}

// ---- main panel pieces ---------------------------------------------------------

// A paper card in a metal holder, lettered in ink: the compass correction card.
void correction_card(cairo_t* cr, Box b) {
    soft_shadow(cr, b, 3, 4, 0.5);
    metal_frame(cr, b, 3, 2);
    rounded_rect(cr, b.x, b.y, b.w, b.h, 1.5);
    set_colour(cr, kCard);
    cairo_fill(cr);
    cairo_pattern_t* stain =
        cairo_pattern_create_radial(b.x + b.w * 0.7, b.y + b.h * 0.7, 2, b.x + b.w * 0.5, b.y + b.h * 0.5, b.w * 0.7);
    cairo_pattern_add_color_stop_rgba(stain, 0.0, 0.35, 0.25, 0.1, 0.0);
    cairo_pattern_add_color_stop_rgba(stain, 1.0, 0.30, 0.22, 0.1, 0.35);
    rounded_rect(cr, b.x, b.y, b.w, b.h, 1.5);
    cairo_set_source(cr, stain);
    cairo_fill(cr);
    cairo_pattern_destroy(stain);

    static const char* const kRows[4][7] = {
        {"FOR", "N", "30", "60", "E", "120", "150"},
        {"STEER", "2", "31", "61", "92", "122", "151"},
        {"FOR", "S", "210", "240", "W", "300", "330"},
        {"STEER", "181", "210", "239", "268", "298", "329"},
    };
    set_colour(cr, kInk);
    const Pen title{5.0, 0.85}, pen{5.5, 0.9};
    stroke_text(cr, "COMPASS CORRECTION", b.x + b.w / 2, b.y + 9.5, title, Align::centre);
    const double top = b.y + 14, row_h = (b.h - 16) / 4, first_col = 30, col = (b.w - first_col) / 6;
    cairo_set_source_rgba(cr, 0.16, 0.14, 0.12, 0.7);
    cairo_set_line_width(cr, 0.6);
    for (int r = 0; r <= 4; ++r) {
        cairo_move_to(cr, b.x + 3, top + r * row_h);
        cairo_line_to(cr, b.x + b.w - 3, top + r * row_h);
    }
    for (int c = 0; c < 6; ++c) {
        cairo_move_to(cr, b.x + first_col + c * col, top);
        cairo_line_to(cr, b.x + first_col + c * col, top + 4 * row_h);
    }
    cairo_stroke(cr);
    set_colour(cr, kInk);
    for (int r = 0; r < 4; ++r) {
        const double base = top + r * row_h + (row_h + pen.cap_px) / 2;
        stroke_text(cr, kRows[r][0], b.x + 4, base, Pen{4.5, 0.85}, Align::left);
        for (int c = 1; c < 7; ++c)
            stroke_text(cr, kRows[r][c], b.x + first_col + (c - 0.5) * col, base, pen, Align::centre);
    }
}

// A black placard with white lettering, riveted at its ends.
void placard(cairo_t* cr, Box b, const char* line1, const char* line2) {
    soft_shadow(cr, b, 2, 3, 0.5);
    rounded_rect(cr, b.x, b.y, b.w, b.h, 2);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.13, 0.13, 0.135);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.07, 0.07, 0.075);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    set_colour(cr, kEngraving, 0.9);
    const Pen pen{6.0, 1.0};
    stroke_text(cr, line1, b.x + b.w / 2, b.y + b.h / 2 - 2, pen, Align::centre);
    stroke_text(cr, line2, b.x + b.w / 2, b.y + b.h / 2 + 8, pen, Align::centre);
    rivet(cr, b.x + 5, b.y + b.h / 2, 1.8);
    rivet(cr, b.x + b.w - 5, b.y + b.h / 2, 1.8);
}

// The maker's badge: polished metal, the name cut in and filled black.
void makers_badge(cairo_t* cr, Box b, const char* name) {
    soft_shadow(cr, b, b.h / 2, 3, 0.5);
    rounded_rect(cr, b.x, b.y, b.w, b.h, b.h / 2);
    cairo_pattern_t* g = cairo_pattern_create_linear(b.x, b.y, b.x + b.w * 0.4, b.y + b.h);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.72, 0.71, 0.68);
    cairo_pattern_add_color_stop_rgb(g, 0.55, 0.50, 0.50, 0.48);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.32, 0.32, 0.31);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    rounded_rect(cr, b.x + 2.5, b.y + 2.5, b.w - 5, b.h - 5, b.h / 2 - 2.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    const Pen pen{9.0, 1.5};
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    stroke_text(cr, name, b.x + b.w / 2 + 0.4, b.y + b.h / 2 + pen.cap_px / 2 + 0.6, pen, Align::centre);
    set_colour(cr, 0x161618);
    stroke_text(cr, name, b.x + b.w / 2, b.y + b.h / 2 + pen.cap_px / 2, pen, Align::centre);
}

// A steel bar of the radio rack, lit across its width, with a row of square holes
// along it (for the screws of whatever is mounted there).
void steel_bar(cairo_t* cr, Box b, bool upright) {
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_pattern_t* g =
        upright ? cairo_pattern_create_linear(b.x, 0, b.x + b.w, 0) : cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.36, 0.36, 0.37);
    cairo_pattern_add_color_stop_rgb(g, 0.3, 0.50, 0.50, 0.50);
    cairo_pattern_add_color_stop_rgb(g, 0.75, 0.30, 0.30, 0.31);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.16, 0.16, 0.17);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    const double across = upright ? b.w : b.h, along = upright ? b.h : b.w;
    const double side = across > 6 ? 3.0 : 1.6;
    for (double t = 7; t + side < along - 4; t += 12.5) {
        const double hx = upright ? b.x + (b.w - side) / 2 : b.x + t, hy = upright ? b.y + t : b.y + (b.h - side) / 2;
        cairo_rectangle(cr, hx, hy, side, side);
        set_colour(cr, kHole);
        cairo_fill(cr);
        cairo_move_to(cr, hx, hy + side + 0.5);
        cairo_line_to(cr, hx + side, hy + side + 0.5);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.22);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
    }
}

// The compass's own correction card, two rows for the four cardinal headings.
void mini_correction_card(cairo_t* cr, Box b) {
    soft_shadow(cr, b, 2, 3, 0.5);
    metal_frame(cr, b, 2, 1.5);
    rounded_rect(cr, b.x, b.y, b.w, b.h, 1);
    set_colour(cr, kCard);
    cairo_fill(cr);
    static const char* const kRows[2][5] = {{"FOR", "N", "E", "S", "W"}, {"STR", "2", "92", "181", "268"}};
    const double label_w = 12, col = (b.w - label_w) / 4, row_h = b.h / 2;
    cairo_set_source_rgba(cr, 0.16, 0.14, 0.12, 0.7);
    cairo_set_line_width(cr, 0.5);
    cairo_move_to(cr, b.x + 1, b.y + row_h);
    cairo_line_to(cr, b.x + b.w - 1, b.y + row_h);
    cairo_move_to(cr, b.x + label_w, b.y + 1);
    cairo_line_to(cr, b.x + label_w, b.y + b.h - 1);
    cairo_stroke(cr);
    set_colour(cr, kInk);
    const Pen pen{3.8, 0.7};
    for (int r = 0; r < 2; ++r) {
        const double base = b.y + r * row_h + (row_h + pen.cap_px) / 2;
        stroke_text(cr, kRows[r][0], b.x + label_w / 2, base, Pen{3.2, 0.65}, Align::centre);
        for (int c = 1; c < 5; ++c)
            stroke_text(cr, kRows[r][c], b.x + label_w + (c - 0.5) * col, base, pen, Align::centre);
    }
}

}  // namespace

std::vector<Seat> seats_of(const char* background) {
    if (std::strcmp(background, "tarvolen_main") == 0) return {std::begin(kMainSeats), std::end(kMainSeats)};
    if (std::strcmp(background, "tarvolen_radios") == 0) return {std::begin(kRadioSeats), std::end(kRadioSeats)};
    if (std::strcmp(background, "tarvolen_compass") == 0) return {std::begin(kCompassSeats), std::end(kCompassSeats)};
    return {};
}

double seat_height(const Seat& seat) {
    const Sheet* face = find_sheet(seat.face);
    return face ? seat.w * double(face->h) / face->w : seat.w;
}

void main_panel_background(cairo_t* cr, const Sheet& s) {
    const std::uint32_t seed = seed_of(s.name);
    cairo_pattern_t* paint = satin_paint(cr, kPanelPaint, seed);
    cairo_set_source(cr, paint);
    cairo_paint(cr);
    cairo_pattern_destroy(paint);
    light_falloff(cr, s.w, s.h);
    // the skin's rivets along every edge; the instrument plate covers those behind it
    rivet_row(cr, 7, 7, s.w - 7, 7, 22, 1.7);
    rivet_row(cr, 7, s.h - 7, s.w - 7, s.h - 7, 22, 1.7);
    rivet_row(cr, 7, 7, 7, s.h - 7, 22, 1.7);
    rivet_row(cr, s.w - 7, 7, s.w - 7, s.h - 7, 22, 1.7);
    window_edge(cr, s.w, s.h);

    // the shock-mounted instrument plate, black crinkle
    const Box plate{4, 4, 674, 240};
    soft_shadow(cr, plate, 7, 5, 0.55);
    cairo_pattern_t* crinkle = crinkle_paint(cr, kCrinkle, seed + 1, 0.7);
    rounded_rect(cr, plate.x, plate.y, plate.w, plate.h, 7);
    fill_with(cr, crinkle);
    cairo_pattern_destroy(crinkle);
    rounded_rect(cr, plate.x + 0.5, plate.y + 0.5, plate.w - 1, plate.h - 1, 6.5);
    cairo_pattern_t* rim = cairo_pattern_create_linear(plate.x, plate.y, plate.x + 80, plate.y + plate.h);
    cairo_pattern_add_color_stop_rgba(rim, 0.0, 1, 1, 1, 0.22);
    cairo_pattern_add_color_stop_rgba(rim, 1.0, 0, 0, 0, 0.5);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
    for (double x : {plate.x + 10, plate.x + plate.w - 10})
        for (double y : {plate.y + 10, plate.y + plate.h - 10}) shock_mount(cr, x, y);

    // the group of buttons in an engraved frame
    groove(cr, Box{10, 251, 458, 69}, 5);
    for (const Seat& seat : kMainSeats) {
        recess(cr, seat, 13);
        if (!*seat.label) continue;
        const Box b = box_of(seat);
        const bool small = seat.recess == Recess::socket;
        engrave(cr, seat.label, b.x + b.w / 2, b.y + b.h + (small ? 14.5 : 13.5), small ? 5.5 : 6.5,
                small ? 0.85 : 0.7);
    }
    correction_card(cr, Box{744, 112, 196, 76});
    makers_badge(cr, Box{776, 206, 132, 24}, "TARVOLEN");
    placard(cr, Box{747, 266, 190, 30}, "NO ACROBATIC MANEUVERS", "INCLUDING SPINS APPROVED");
}

void radio_rack_background(cairo_t* cr, const Sheet& s) {
    const std::uint32_t seed = seed_of(s.name);
    set_colour(cr, kHole);
    cairo_paint(cr);
    // the rails the heads are screwed to: one above each row and one below, and the
    // uprights at the sides and between the columns
    constexpr double kRowTop[] = {10, 160, 310, 460};
    const double head_h = seat_height(kRadioSeats[0]);
    steel_bar(cr, Box{0, 0, double(s.w), 12}, false);
    for (double top : kRowTop) steel_bar(cr, Box{0, top + head_h - 3, double(s.w), 150.0 - head_h + 6}, false);
    const Box uprights[] = {{0, 0, 10, 608}, {259.5, 0, 6, 608}, {515, 0, 5, 608}};
    for (const Box& u : uprights) steel_bar(cr, u, true);
    for (const Seat& seat : kRadioSeats) {
        if (seat.recess != Recess::flange) continue;
        recess(cr, seat, 1);
        const Box b = box_of(seat);
        const double below = b.y + b.h + (150.0 - b.h) / 2.0 + 0.3;
        screw(cr, b.x + 28, below, 2.5);
        screw(cr, b.x + b.w - 28, below, 2.5);
        if (seat.y == 10) {
            screw(cr, b.x + 28, 5, 2.5);
            screw(cr, b.x + b.w - 28, 5, 2.5);
        }
    }
    // the foot of the rack, black crinkle like the faces
    const Box foot{0, 604, double(s.w), double(s.h) - 604};
    soft_shadow(cr, Box{foot.x, foot.y - 2, foot.w, 4}, 0, 2, 0.4);
    cairo_pattern_t* crinkle = crinkle_paint(cr, kCrinkle, seed, 0.8);
    cairo_rectangle(cr, foot.x, foot.y, foot.w, foot.h);
    fill_with(cr, crinkle);
    cairo_pattern_destroy(crinkle);
    cairo_move_to(cr, 0, foot.y + 0.5);
    cairo_line_to(cr, s.w, foot.y + 0.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.15);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    for (const Seat& seat : kRadioSeats)
        if (seat.recess == Recess::socket) recess(cr, seat, 0);
    engrave(cr, "RADIO STACK", 125, 626, 6.5, 0.75);
    makers_badge(cr, Box{335, 612, 124, 22}, "TARVOLEN");
    for (double x : {7.0, s.w - 7.0}) screw(cr, x, 622, 3);
    light_falloff(cr, s.w, s.h);
    window_edge(cr, s.w, s.h);
}

void compass_mount_background(cairo_t* cr, const Sheet& s) {
    const std::uint32_t seed = seed_of(s.name);
    cairo_pattern_t* paint = satin_paint(cr, kPanelPaint, seed);
    cairo_set_source(cr, paint);
    cairo_paint(cr);
    cairo_pattern_destroy(paint);
    light_falloff(cr, s.w, s.h);
    for (double x : {6.0, s.w - 6.0})
        for (double y : {6.0, s.h - 6.0}) rivet(cr, x, y, 1.7);
    for (const Seat& seat : kCompassSeats) recess(cr, seat, 10);
    mini_correction_card(cr, Box{10, 181, 54, 32});
    engrave(cr, "CALIBRATED", 143, 194, 4.6, 0.75);
    engrave(cr, "RADIOS ON", 143, 205, 4.6, 0.75);
    window_edge(cr, s.w, s.h);
}

}  // namespace artgen
