// Radio faces (COM, NAV, ADF, transponder), digit drums and their windows, fixed
// figures, tuning knobs, switch knobs and lamps. The positions on the faces follow
// the element records of each radio gauge: knobs turn about their pivots, the switch
// pictures sit at (30, 105) and (190, 105), the lamp at (119, 123).
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "artwork.hpp"
#include "lettering.hpp"

namespace artgen {
namespace {

struct Label {
    const char* text;
    double cx, cy;  // centre of the lettering on the face
    double cap_px;
};

struct Point {
    double x, y;
};

struct FaceLayout {
    double recess_x, recess_y, recess_w, recess_h;  // the sunken readout area
    std::vector<Point> knobs;                       // knob pivots
    std::vector<Label> labels;
    bool decimal_point;  // the COM and NAV readouts are in MHz with two decimals
};

constexpr double kLabelStroke = 1.05;
constexpr Point kPowerSwitch{45, 120};   // centre of the 30x30 picture at (30, 105)
constexpr Point kRightSwitch{205, 120};  // centre of the picture at (190, 105)
constexpr Point kLamp{124, 128};         // centre of the 10x10 lamp at (119, 123)

// Label columns:              text        cx     cy   cap
const FaceLayout kComLayout{101,
                            13,
                            100,
                            38,
                            {{98, 76}, {202, 76}},
                            {{"MHz", 66, 76, 6},
                             {"kHz", 234, 76, 6},
                             {"ON", 20, 101, 6},
                             {"OFF", 20, 131, 6},
                             {"TEST", 124, 116, 5},
                             {"VOL", 205, 100, 6}},
                            true};

const FaceLayout kNavLayout{101,
                            13,
                            100,
                            38,
                            {{98, 76}, {202, 76}},
                            {{"MHz", 66, 76, 6},
                             {"kHz", 234, 76, 6},
                             {"ON", 20, 101, 6},
                             {"OFF", 20, 131, 6},
                             {"TEST", 124, 116, 5},
                             {"ON / VOL", 205, 100, 5},
                             {"VOR ID", 178, 114, 4.5},
                             {"OFF", 178, 122, 4.5}},
                            true};

const FaceLayout kAdfLayout{109,
                            16,
                            82,
                            38,
                            {{98, 75}, {150, 75}, {202, 75}},
                            {{"kHz", 214, 35, 6},
                             {"ON", 20, 101, 6},
                             {"OFF", 20, 131, 6},
                             {"VOL", 45, 100, 6},
                             {"ADF", 179, 103, 4.5},
                             {"ANT", 179, 111, 4.5},
                             {"TONE", 205, 100, 5}},
                            false};

const FaceLayout kXpdrLayout{
    109,
    16,
    82,
    38,
    {{88, 75}, {129, 75}, {170, 75}, {211, 75}},
    {{"ON", 20, 101, 6}, {"OFF", 20, 131, 6}, {"TEST", 124, 116, 5}, {"IDENT", 205, 100, 5}, {"OFF", 180, 120, 5}},
    false};

std::uint32_t seed_of(const char* name) {
    std::uint32_t h = 2166136261u;
    for (const char* p = name; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
    return h;
}

void face_edges(cairo_t* cr, int w, int h) {
    cairo_save(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, 0.5, h - 0.5);
    cairo_line_to(cr, 0.5, 0.5);
    cairo_line_to(cr, w - 0.5, 0.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.22);
    cairo_stroke(cr);
    cairo_move_to(cr, w - 0.5, 0.5);
    cairo_line_to(cr, w - 0.5, h - 0.5);
    cairo_line_to(cr, 0.5, h - 0.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_stroke(cr);
    cairo_restore(cr);
    slotted_screw(cr, 7, 7, 3.4, 30);
    slotted_screw(cr, w - 7, 7, 3.4, 110);
    slotted_screw(cr, 7, h - 7, 3.4, 75);
    slotted_screw(cr, w - 7, h - 7, 3.4, 160);
}

void readout_recess(cairo_t* cr, const FaceLayout& f) {
    cairo_save(cr);
    rounded_rect(cr, f.recess_x - 1, f.recess_y - 1, f.recess_w + 2, f.recess_h + 2, 4.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.16);  // light lip below right
    cairo_fill(cr);
    rounded_rect(cr, f.recess_x - 1.5, f.recess_y - 1.5, f.recess_w + 2, f.recess_h + 2, 4.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);  // shadow above left
    cairo_fill(cr);
    rounded_rect(cr, f.recess_x, f.recess_y, f.recess_w, f.recess_h, 3.5);
    set_colour(cr, 0x101012);
    cairo_fill(cr);
    cairo_restore(cr);
}

void face_parts(cairo_t* cr, const FaceLayout& f) {
    readout_recess(cr, f);
    if (f.decimal_point) {  // under the gap between the units and tenths drums
        cairo_arc(cr, 160, 48.6, 1.3, 0, 2 * M_PI);
        set_colour(cr, kMarking);
        cairo_fill(cr);
    }
    for (const Point& k : f.knobs) seat_ring(cr, k.x, k.y, 16.2);
    seat_ring(cr, kPowerSwitch.x, kPowerSwitch.y, 12.5);
    seat_ring(cr, kRightSwitch.x, kRightSwitch.y, 12.5);
    for (const Label& l : f.labels) engraved_label(cr, l.text, l.cx, l.cy, Pen{l.cap_px, kLabelStroke});
}

void title(cairo_t* cr, const char* text) {
    const Pen pen{12, 1.7};
    cairo_save(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    stroke_text(cr, text, 14.5, 38.7, pen, Align::left);
    set_colour(cr, kMarking);
    stroke_text(cr, text, 14, 38, pen, Align::left);
    cairo_restore(cr);
}

void radio_face(cairo_t* cr, const Sheet& s, const FaceLayout& f, std::uint32_t lamp_colour) {
    crinkle_finish(cr, kFaceBlack, seed_of(s.name), 0.9);
    face_edges(cr, s.w, s.h);
    face_parts(cr, f);
    seat_ring(cr, kLamp.x, kLamp.y, 6.5);
    jewel_lamp(cr, kLamp.x, kLamp.y, 5.0, lamp_colour, false);
    title(cr, s.text);
}

constexpr std::uint32_t kGreen = 0x40E060;
constexpr std::uint32_t kAmber = 0xFFA424;

std::vector<std::string> split_cells(const char* text) {
    std::vector<std::string> cells;
    std::string cur;
    for (const char* p = text;; ++p) {
        if (*p == '|' || *p == '\0') {
            cells.push_back(cur);
            cur.clear();
            if (*p == '\0') break;
        } else {
            cur += *p;
        }
    }
    return cells;
}

constexpr int kCell = 28;  // height of one drum cell

// One 18x28 drum cell with its figure; `top` is the cell's first row.
void drum_cell(cairo_t* cr, const std::string& figure, double width, double top) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, top, 0, top + kCell);
    cairo_pattern_add_color_stop_rgb(g, 0.0, 0.055, 0.055, 0.06);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.13, 0.13, 0.135);
    cairo_pattern_add_color_stop_rgb(g, 1.0, 0.055, 0.055, 0.06);
    cairo_rectangle(cr, 0, top, width, kCell);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    set_colour(cr, 0xF0EEE2);
    const double cx = width / 2.0;
    if (figure == "-") {
        cairo_move_to(cr, cx - 3.5, top + kCell / 2.0);
        cairo_line_to(cr, cx + 3.5, top + kCell / 2.0);
        cairo_set_line_width(cr, 2.2);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_stroke(cr);
    } else if (figure.size() >= 2) {  // the small two-figure channel cells
        stroke_text(cr, figure.c_str(), cx, top + 19.0, Pen{10, 1.5}, Align::centre);
    } else {
        stroke_text(cr, figure.c_str(), cx, top + 21.5, Pen{15, 2.3}, Align::centre);
    }
}

// The frame of a one-figure window; the hole is cleared afterwards.
void window_frame(cairo_t* cr, double w, double h) {
    set_colour(cr, 0x101012);
    cairo_paint(cr);
    cairo_rectangle(cr, 0, h - 2, w, 2);
    set_colour(cr, 0x1E1E20);
    cairo_fill(cr);
}

void clear_rect(cairo_t* cr, double x, double y, double w, double h) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_restore(cr);
}

// The hole of every readout window, x 1..16 and y 2..25.
constexpr double kHoleX = 1, kHoleY = 2, kHoleW = 16, kHoleH = 24;

}  // namespace

void com_face(cairo_t* cr, const Sheet& s) { radio_face(cr, s, kComLayout, kGreen); }
void nav_face(cairo_t* cr, const Sheet& s) { radio_face(cr, s, kNavLayout, kGreen); }
void adf_face(cairo_t* cr, const Sheet& s) { radio_face(cr, s, kAdfLayout, kAmber); }
void xpdr_face(cairo_t* cr, const Sheet& s) { radio_face(cr, s, kXpdrLayout, kAmber); }

// A face with the recess, knob seats and screws and no lettering.
void spare_face(cairo_t* cr, const Sheet& s) {
    crinkle_finish(cr, kFaceBlack, seed_of(s.name), 0.9);
    face_edges(cr, s.w, s.h);
    FaceLayout plain = kComLayout;
    plain.labels.clear();
    face_parts(cr, plain);
}

void drum_strip(cairo_t* cr, const Sheet& s) {
    const std::vector<std::string> cells = split_cells(s.text);
    for (std::size_t i = 0; i < cells.size(); ++i) drum_cell(cr, cells[i], s.w, static_cast<double>(i) * kCell);
}

void drum_window(cairo_t* cr, const Sheet& s) {
    window_frame(cr, s.w, s.h);
    clear_rect(cr, kHoleX, kHoleY, kHoleW, kHoleH);
}

// A fixed figure looks like a drum seen through its window.
void fixed_figure(cairo_t* cr, const Sheet& s) {
    window_frame(cr, s.w, s.h);
    cairo_save(cr);
    cairo_rectangle(cr, kHoleX, kHoleY, kHoleW, kHoleH);
    cairo_clip(cr);
    drum_cell(cr, s.text, s.w, 0);
    cairo_restore(cr);
}

void tuning_knob(cairo_t* cr, const Sheet& s) {
    const double r = std::fmin(std::fmin(s.pivot_x, s.w - s.pivot_x), std::fmin(s.pivot_y, s.h - s.pivot_y)) - 0.5;
    control_knob(cr, s.pivot_x, s.pivot_y, r, 0.0);
}

void switch_knob(cairo_t* cr, const Sheet& s) { pointer_knob(cr, s.w / 2.0, s.h / 2.0, s.w / 2.0 - 1.0, s.value); }

void panel_lamp(cairo_t* cr, const Sheet& s) {
    const std::uint32_t colour = std::strcmp(s.text, "green") == 0 ? kGreen : kAmber;
    jewel_lamp(cr, s.w / 2.0, s.h / 2.0, s.w / 2.0 - 0.2, colour, s.value > 0.5);
}

}  // namespace artgen
