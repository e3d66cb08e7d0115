// Round instruments: VOR course indicator, ADF bearing indicator, airspeed dial and
// the strip compass. Scale positions come from the same geometry the element
// records declare (pivots, calibration points, card centres).
#include <cmath>
#include <cstdio>
#include <vector>

#include "artwork.hpp"
#include "lettering.hpp"

namespace artgen {
namespace {

constexpr double kVorCx = 70, kVorCy = 70;  // dial centre = card centre (70, 70)
constexpr double kVorOpening = 64.5;        // radius seen through the bezel
constexpr double kAdfCx = 73, kAdfCy = 73;  // dial centre = needle pivot = card centre
constexpr double kAdfOpening = 65.5;
constexpr double kAsiCx = 59, kAsiCy = 59;  // airspeed needle pivot

// Airspeed calibration: the needle's points on the dial and their speeds, in the
// order the needle record declares them.
struct CalPoint {
    int x, y;
    double knots;
};
constexpr CalPoint kAirspeedTable[] = {
    {59, 106, 0},  {39, 101, 40}, {26, 90, 60},  {18, 81, 70},  {15, 66, 80},   {14, 54, 90},
    {18, 39, 100}, {40, 17, 120}, {72, 16, 140}, {98, 36, 160}, {103, 67, 180}, {88, 95, 200},
    {59, 89, 220}, {31, 53, 280}, {69, 35, 340}, {77, 37, 350}, {77, 37, 400},
};
static_assert(sizeof(kAirspeedTable) / sizeof(kAirspeedTable[0]) == 17, "airspeed table has 17 points");

// Screen angle (degrees, clockwise from +x) of a speed, interpolated along the
// table with the angle kept continuous, as the host turns the needle.
double airspeed_angle(double knots) {
    std::vector<double> angles;
    for (const CalPoint& p : kAirspeedTable) {
        double a = std::atan2(p.y - kAsiCy, p.x - kAsiCx) * 180.0 / M_PI;
        if (!angles.empty()) {
            while (a - angles.back() > 180.0) a -= 360.0;
            while (a - angles.back() < -180.0) a += 360.0;
        }
        angles.push_back(a);
    }
    const std::size_t n = angles.size();
    if (knots <= kAirspeedTable[0].knots) return angles[0];
    for (std::size_t i = 1; i < n; ++i) {
        const double k0 = kAirspeedTable[i - 1].knots, k1 = kAirspeedTable[i].knots;
        if (knots <= k1 && k1 > k0) return angles[i - 1] + (angles[i] - angles[i - 1]) * (knots - k0) / (k1 - k0);
    }
    return angles[n - 1];
}

void disc(cairo_t* cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
}

void fill_disc(cairo_t* cr, double cx, double cy, double r, std::uint32_t colour) {
    disc(cr, cx, cy, r);
    set_colour(cr, colour);
    cairo_fill(cr);
}

void clear_disc(cairo_t* cr, double cx, double cy, double r) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    disc(cr, cx, cy, r);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A radial line at screen angle `deg` between radii r0 and r1.
void radial(cairo_t* cr, double cx, double cy, double deg, double r0, double r1, double width) {
    const double ux = std::cos(radians(deg)), uy = std::sin(radians(deg));
    cairo_move_to(cr, cx + ux * r0, cy + uy * r0);
    cairo_line_to(cr, cx + ux * r1, cy + uy * r1);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// Text standing upright at screen angle `deg` and radius r, centred there.
void upright_text(cairo_t* cr, const char* text, double cx, double cy, double deg, double r, Pen pen) {
    const double x = cx + std::cos(radians(deg)) * r, y = cy + std::sin(radians(deg)) * r;
    stroke_text(cr, text, x, y + pen.cap_px / 2.0, pen, Align::centre);
}

// Text whose top faces outwards (the way a compass card is lettered).
void radial_text(cairo_t* cr, const char* text, double cx, double cy, double deg, double r, Pen pen) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, radians(deg + 90.0));
    stroke_text(cr, text, 0, -r + pen.cap_px / 2.0, pen, Align::centre);
    cairo_restore(cr);
}

// A rotating compass-rose ring, 0 at the top, degrees increasing clockwise.
// Everything inside r_in and outside r_out stays transparent.
void card_ring(cairo_t* cr, double cx, double cy, double r_in, double r_out, bool cardinal_letters) {
    disc(cr, cx, cy, r_out);
    disc(cr, cx, cy, r_in);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    set_colour(cr, 0x2A2A2C);
    cairo_fill(cr);
    set_colour(cr, kMarking);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    for (int deg = 0; deg < 360; deg += 5) {
        const double len = deg % 30 == 0 ? 6.5 : deg % 10 == 0 ? 5.0 : 3.0;
        radial(cr, cx, cy, deg - 90.0, r_out - 0.5 - len, r_out - 0.5, deg % 10 == 0 ? 1.2 : 0.9);
    }
    static const char* const kNumbers[] = {"0", "3", "6", "9", "12", "15", "18", "21", "24", "27", "30", "33"};
    static const char* const kLetters[] = {"N", "3", "6", "E", "12", "15", "S", "21", "24", "W", "30", "33"};
    const double r_text = (r_in + r_out - 6.5) / 2.0 + 0.5;
    for (int i = 0; i < 12; ++i) {
        const char* t = cardinal_letters ? kLetters[i] : kNumbers[i];
        radial_text(cr, t, cx, cy, i * 30.0 - 90.0, r_text, Pen{7.0, 1.2});
    }
}

// Square instrument case with rounded corners and a round opening.
void instrument_case(cairo_t* cr, int w, int h, double cx, double cy, double opening) {
    rounded_rect(cr, 0, 0, w, h, 9);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, w, h);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.23, 0.23, 0.24);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.10, 0.10, 0.11);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    rounded_rect(cr, 2, 2, w - 4, h - 4, 7.5);
    set_colour(cr, kCaseBlack);
    cairo_fill(cr);
    // bright chamfer round the opening
    disc(cr, cx, cy, opening + 3.5);
    cairo_pattern_t* ring = cairo_pattern_create_linear(cx - opening, cy - opening, cx + opening, cy + opening);
    cairo_pattern_add_color_stop_rgb(ring, 0.0, 0.05, 0.05, 0.05);
    cairo_pattern_add_color_stop_rgb(ring, 1.0, 0.55, 0.55, 0.54);
    cairo_set_source(cr, ring);
    cairo_fill(cr);
    cairo_pattern_destroy(ring);
    clear_disc(cr, cx, cy, opening);
}

// White lubber triangle at the top of an opening, pointing at the card.
void lubber_mark(cairo_t* cr, double cx, double cy, double opening) {
    cairo_move_to(cr, cx - 4.0, cy - opening - 1.0);
    cairo_line_to(cr, cx + 4.0, cy - opening - 1.0);
    cairo_line_to(cr, cx, cy - opening + 6.5);
    cairo_close_path(cr);
    set_colour(cr, 0xF4F2EA);
    cairo_fill(cr);
}

// A needle bar along +x from x0 to x1 about the line y = cy, pointed at x1.
void needle_bar(cairo_t* cr, double x0, double x1, double cy, double half_width, double tip) {
    cairo_move_to(cr, x0, cy - half_width);
    cairo_line_to(cr, x1 - tip, cy - half_width);
    cairo_line_to(cr, x1, cy);
    cairo_line_to(cr, x1 - tip, cy + half_width);
    cairo_line_to(cr, x0, cy + half_width);
    cairo_close_path(cr);
    set_colour(cr, 0xF6F4EC);
    cairo_fill(cr);
}

// Compass strip: x of a heading, headings falling from left to right, 7/6 pixel a degree.
double strip_x(double heading) { return 55.5 + (360.0 - heading) * 7.0 / 6.0; }

}  // namespace

// ---- VOR indicator ----------------------------------------------------------

void vor_face(cairo_t* cr, const Sheet& s) {
    set_colour(cr, kCaseBlack);
    cairo_paint(cr);
    fill_disc(cr, kVorCx, kVorCy, 67, kDialBlack);
    set_colour(cr, kMarking);
    // course deviation scale on the line through both calibration points, y = 71
    for (int k = -5; k <= 5; ++k) {
        if (k == 0) continue;
        fill_disc(cr, 70.5 + 5.9 * k, 71, 1.25, kMarking);
    }
    disc(cr, 70.5, 71, 5.5);
    set_colour(cr, kMarking);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // glideslope scale on x = 99, between the points (99, 46) and (99, 95)
    for (int k = -5; k <= 5; ++k) {
        if (k == 0) continue;
        fill_disc(cr, 99, 70.5 + 4.9 * k, 1.05, kMarking);
    }
    cairo_move_to(cr, 96, 70.5);
    cairo_line_to(cr, 102, 70.5);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // slots the two flags show in: GS flag at (87, 63), TO/FROM flag at (64, 98)
    const double slots[2][2] = {{87, 63}, {64, 98}};
    for (const auto& slot : slots) {
        cairo_rectangle(cr, slot[0] - 1, slot[1] - 1, 15, 6);
        set_colour(cr, 0x0E0E0F);
        cairo_fill(cr);
    }
    set_colour(cr, kMarking);
    stroke_text(cr, "VOR", kVorCx, 115, Pen{5.5, 1.0}, Align::centre);
    stroke_text(cr, "GS", 93.5, 60, Pen{3.6, 0.8}, Align::centre);
    stroke_text(cr, "TO", 57, 102, Pen{3.6, 0.8}, Align::centre);
    stroke_text(cr, "FR", 84, 102, Pen{3.6, 0.8}, Align::centre);
    (void)s;
}

void vor_card(cairo_t* cr, const Sheet& s) { card_ring(cr, s.pivot_x, s.pivot_y, 46.5, kVorOpening + 0.5, false); }

// Window of a turning card: opaque case colour round an opening of radius `value`
// centred on the card centre (the pivot columns of the row).
void round_window(cairo_t* cr, const Sheet& s) {
    set_colour(cr, kCaseBlack);
    cairo_paint(cr);
    clear_disc(cr, s.pivot_x, s.pivot_y, s.value);
}

void vor_deviation_needle(cairo_t* cr, const Sheet& s) { needle_bar(cr, 0.0, s.w - 0.5, s.pivot_y, 1.2, 4.0); }

void vor_glideslope_needle(cairo_t* cr, const Sheet& s) { needle_bar(cr, 0.6, s.w - 0.5, s.pivot_y, 1.2, 4.0); }

void striped_flag(cairo_t* cr, const Sheet& s) {
    set_colour(cr, 0xF0F0EC);
    cairo_paint(cr);
    set_colour(cr, 0xD8281E);
    for (double x = -s.h; x < s.w + s.h; x += 4.0) {
        cairo_move_to(cr, x, s.h);
        cairo_line_to(cr, x + s.h, 0);
        cairo_line_to(cr, x + s.h + 2.0, 0);
        cairo_line_to(cr, x + 2.0, s.h);
        cairo_close_path(cr);
    }
    cairo_fill(cr);
}

void gs_flag(cairo_t* cr, const Sheet& s) {
    set_colour(cr, 0xD8281E);
    cairo_paint(cr);
    set_colour(cr, 0xF6F4EC);
    stroke_text(cr, "GS", s.w / 2.0, s.h - 0.4, Pen{3.2, 0.75}, Align::centre);
}

// The TO arrow points up (value -1), the FROM arrow down (value +1).
void arrow_flag(cairo_t* cr, const Sheet& s) {
    const double apex = s.value < 0 ? 0.0 : s.h, base = s.value < 0 ? s.h : 0.0;
    cairo_move_to(cr, s.w / 2.0, apex);
    cairo_line_to(cr, s.w / 2.0 + 5.0, base);
    cairo_line_to(cr, s.w / 2.0 - 5.0, base);
    cairo_close_path(cr);
    set_colour(cr, 0xF6F4EC);
    cairo_fill(cr);
}

void vor_bezel(cairo_t* cr, const Sheet& s) {
    instrument_case(cr, s.w, s.h, kVorCx, kVorCy, kVorOpening - 1.0);
    lubber_mark(cr, kVorCx, kVorCy, kVorOpening - 1.0);
    slotted_screw(cr, 10, 10, 4, 40);
    slotted_screw(cr, s.w - 10, s.h - 10, 4, 130);
    seat_ring(cr, 19, 123, 15.5);  // course knob, pivot (19, 123)
    seat_ring(cr, 129, 10, 8.0);   // lamp at (121, 2), 16x16
    jewel_lamp(cr, 129, 10, 7.0, 0xFFA424, false);
    set_colour(cr, kMarking);
    stroke_text(cr, "OBS", 44, 137.5, Pen{4.5, 0.9}, Align::centre);
}

void amber_lamp(cairo_t* cr, const Sheet& s) { jewel_lamp(cr, s.w / 2.0, s.h / 2.0, s.w / 2.0 - 1.0, 0xFFA424, true); }

// ---- ADF indicator ----------------------------------------------------------

void adf_dial_face(cairo_t* cr, const Sheet& s) {
    set_colour(cr, kCaseBlack);
    cairo_paint(cr);
    fill_disc(cr, kAdfCx, kAdfCy, 68, kDialBlack);
    set_colour(cr, kMarking);
    stroke_text(cr, "ADF", kAdfCx, 104, Pen{6.0, 1.1}, Align::centre);
    // small aircraft symbol above the pivot, nose up
    cairo_move_to(cr, kAdfCx, 50);
    cairo_line_to(cr, kAdfCx, 64);
    cairo_move_to(cr, kAdfCx - 7, 55);
    cairo_line_to(cr, kAdfCx + 7, 55);
    cairo_move_to(cr, kAdfCx - 3, 62);
    cairo_line_to(cr, kAdfCx + 3, 62);
    cairo_set_line_width(cr, 1.3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    (void)s;
}

void adf_card(cairo_t* cr, const Sheet& s) { card_ring(cr, s.pivot_x, s.pivot_y, 44.5, kAdfOpening + 0.5, true); }

void adf_bearing_needle(cairo_t* cr, const Sheet& s) {
    const double cy = s.pivot_y;
    // tail with a notch, from the left edge to the pivot
    cairo_move_to(cr, 0.5, cy - 3.0);
    cairo_line_to(cr, 4.0, cy - 1.0);
    cairo_line_to(cr, s.pivot_x, cy - 1.0);
    cairo_line_to(cr, s.pivot_x, cy + 1.0);
    cairo_line_to(cr, 4.0, cy + 1.0);
    cairo_line_to(cr, 0.5, cy + 3.0);
    cairo_close_path(cr);
    set_colour(cr, 0xC8C6BE);
    cairo_fill(cr);
    // head: shaft and arrow to the right edge
    cairo_move_to(cr, s.pivot_x, cy - 1.3);
    cairo_line_to(cr, s.w - 11.0, cy - 1.3);
    cairo_line_to(cr, s.w - 11.0, cy - 4.2);
    cairo_line_to(cr, s.w - 0.5, cy);
    cairo_line_to(cr, s.w - 11.0, cy + 4.2);
    cairo_line_to(cr, s.w - 11.0, cy + 1.3);
    cairo_line_to(cr, s.pivot_x, cy + 1.3);
    cairo_close_path(cr);
    set_colour(cr, 0xF8F2DA);
    cairo_fill(cr);
    // hub
    fill_disc(cr, s.pivot_x, cy, 4.4, 0x3A3A3C);
    fill_disc(cr, s.pivot_x, cy, 1.6, 0xB0B0AC);
}

void adf_bezel(cairo_t* cr, const Sheet& s) {
    instrument_case(cr, s.w, s.h, kAdfCx, kAdfCy, kAdfOpening - 1.0);
    lubber_mark(cr, kAdfCx, kAdfCy, kAdfOpening - 1.0);
    set_colour(cr, kMarking);
    for (int deg = 45; deg < 360; deg += 45)
        radial(cr, kAdfCx, kAdfCy, deg - 90.0, kAdfOpening + 3.5, kAdfOpening + 7.5, 1.6);
    slotted_screw(cr, 10, 10, 4, 40);
    slotted_screw(cr, s.w - 10, 10, 4, 120);
    slotted_screw(cr, s.w - 10, s.h - 10, 4, 130);
    seat_ring(cr, 18, 126, 15.0);  // card knob, pivot (18, 126)
}

// ---- airspeed ---------------------------------------------------------------

void airspeed_dial(cairo_t* cr, const Sheet& s) {
    const double cx = kAsiCx, cy = kAsiCy;
    fill_disc(cr, cx, cy, 58.3, 0x2E2E30);
    fill_disc(cr, cx, cy, 55.5, kDialBlack);
    set_colour(cr, kMarking);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    // first turn, outer ring: 40 to 220 knots
    for (int kt = 40; kt <= 210; kt += 5) {
        const bool major = kt % 20 == 0 || kt == 70 || kt == 90;
        const double len = kt % 10 != 0 ? 3.0 : major ? 7.0 : 5.0;
        radial(cr, cx, cy, airspeed_angle(kt), 53.5 - len, 53.5, kt % 10 != 0 ? 0.9 : 1.3);
    }
    static const int kOuterMarks[] = {60, 80, 100, 120, 140, 160, 200};
    for (int kt : kOuterMarks) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", kt / 10);
        upright_text(cr, text, cx, cy, airspeed_angle(kt), 40.0, Pen{7.5, 1.3});
    }
    // second turn, inner ring: 220 to 350 knots
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, 31.0, radians(airspeed_angle(220)), radians(airspeed_angle(350)));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    for (int kt = 220; kt <= 350; kt += 10) {
        const bool major = kt == 220 || kt == 260 || kt == 300 || kt == 340;
        radial(cr, cx, cy, airspeed_angle(kt), major ? 25.5 : 27.5, 31.0, major ? 1.2 : 0.9);
    }
    static const int kInnerMarks[] = {220, 260, 300, 340};
    for (int kt : kInnerMarks) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", kt / 10);
        upright_text(cr, text, cx, cy, airspeed_angle(kt), 19.5, Pen{5.5, 1.0});
    }
    stroke_text(cr, "Kts", cx + 15.5, cy + 3.5, Pen{5.5, 1.0}, Align::centre);
    (void)s;
}

void airspeed_needle(cairo_t* cr, const Sheet& s) {
    const double cy = s.pivot_y, px = s.pivot_x;
    cairo_move_to(cr, 0.5, cy - 2.2);
    cairo_line_to(cr, px, cy - 2.0);
    cairo_line_to(cr, s.w - 7.0, cy - 1.2);
    cairo_line_to(cr, s.w - 0.5, cy);
    cairo_line_to(cr, s.w - 7.0, cy + 1.2);
    cairo_line_to(cr, px, cy + 2.0);
    cairo_line_to(cr, 0.5, cy + 2.2);
    cairo_close_path(cr);
    set_colour(cr, 0xF6F4EC);
    cairo_fill(cr);
    fill_disc(cr, 3.5, cy, 3.4, 0xF6F4EC);  // counterweight
}

// Drawn above the needle: the hub cap and the rim.
void airspeed_cover(cairo_t* cr, const Sheet& s) {
    disc(cr, kAsiCx, kAsiCy, 58.3);
    disc(cr, kAsiCx, kAsiCy, 55.5);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    set_colour(cr, 0x2E2E30);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_pattern_t* g = cairo_pattern_create_radial(kAsiCx - 2, kAsiCy - 2, 0.5, kAsiCx, kAsiCy, 5.5);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.55, 0.55, 0.55);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.13, 0.13, 0.14);
    disc(cr, kAsiCx, kAsiCy, 5.5);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    (void)s;
}

double airspeed_screen_angle(double knots) { return airspeed_angle(knots); }

// ---- magnetic compass ---------------------------------------------------------

namespace {

constexpr double kCompassC = 55.5;                                    // body centre
constexpr double kHoleX = 12, kHoleY = 23, kHoleW = 87, kHoleH = 44;  // card window

// A square mounting plate under the round body, so that the card strip, which is
// wider than the window, shows nowhere but through the window's opening.
void compass_housing(cairo_t* cr) {
    rounded_rect(cr, 0, 0, 111, 111, 8);
    set_colour(cr, 0x202022);
    cairo_fill(cr);
    rounded_rect(cr, 1, 1, 109, 109, 7);
    set_colour(cr, 0x2C2C2E);
    cairo_fill(cr);
    slotted_screw(cr, 7, 7, 3.0, 35);
    slotted_screw(cr, 104, 7, 3.0, 120);
    slotted_screw(cr, 7, 104, 3.0, 80);
    slotted_screw(cr, 104, 104, 3.0, 165);
    fill_disc(cr, kCompassC, kCompassC, 55.0, 0x3A3A3C);
    fill_disc(cr, kCompassC, kCompassC, 52.5, kCaseBlack);
    slotted_screw(cr, 22, 90, 3.5, 20);
    slotted_screw(cr, 89, 90, 3.5, 100);
    set_colour(cr, kMarking);
    stroke_text(cr, "COMPASS", kCompassC, 83, Pen{4.5, 0.9}, Align::centre);
}

}  // namespace

void compass_body(cairo_t* cr, const Sheet& s) {
    compass_housing(cr);
    rounded_rect(cr, kHoleX, kHoleY, kHoleW, kHoleH, 6);
    set_colour(cr, 0x121214);
    cairo_fill(cr);
    (void)s;
}

// Only the band that the window's opening can show is painted; the rest of the
// strip stays transparent.
void compass_card(cairo_t* cr, const Sheet& s) {
    cairo_rectangle(cr, 0, kHoleY - 5, s.w, kHoleH + 10);
    cairo_clip(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, kHoleY, 0, kHoleY + kHoleH);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.05, 0.05, 0.05);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.16, 0.16, 0.15);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.05, 0.05, 0.05);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    set_colour(cr, kMarking);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    for (int hdg = 410; hdg >= -50; hdg -= 5) {
        const double x = strip_x(hdg);
        if (x < -2 || x > s.w + 2) continue;
        const double len = hdg % 30 == 0 ? 11 : hdg % 10 == 0 ? 8 : 5;
        cairo_move_to(cr, x, 50);
        cairo_line_to(cr, x, 50 + len);
        cairo_set_line_width(cr, hdg % 10 == 0 ? 1.4 : 1.0);
        cairo_stroke(cr);
    }
    for (int hdg = 420; hdg >= -60; hdg -= 30) {
        const int h = ((hdg % 360) + 360) % 360;
        const char* names[] = {"N", "3", "6", "E", "12", "15", "S", "21", "24", "W", "30", "33"};
        stroke_text(cr, names[h / 30], strip_x(hdg), 45, Pen{12, 1.7}, Align::centre);
    }
}

void compass_window(cairo_t* cr, const Sheet& s) {
    compass_housing(cr);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    rounded_rect(cr, kHoleX, kHoleY, kHoleW, kHoleH, 6);
    cairo_fill(cr);
    cairo_restore(cr);
    // lubber line across the window
    cairo_rectangle(cr, kCompassC - 0.9, kHoleY - 2, 1.8, kHoleH + 4);
    set_colour(cr, 0xFF8C1A);
    cairo_fill(cr);
    (void)s;
}

}  // namespace artgen
