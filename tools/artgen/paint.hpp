// Drawing pieces shared by all the artwork: finishes, screws, knobs, lamps.
// Angles are in degrees, clockwise on screen from +x (cairo's sense).
#pragma once

#include <cairo.h>

#include <cstdint>

namespace artgen {

// One bitmap of the module: its resource name, size, depth, and how to draw it.
struct Sheet;
using DrawFn = void (*)(cairo_t* cr, const Sheet& s);

struct Sheet {
    const char* name;      // resource id ("390") or resource name ("BMP_ELEC_TOGGLE")
    int w, h;              // pixels
    int bits;              // 8 (palettised) or 24
    int pivot_x, pivot_y;  // needles and knobs: the point the host turns them about
    DrawFn draw;
    const char* text;     // what the draw function lays out (labels, cells, colour)
    double value;         // a number the draw function needs (angle, lit or dark)
    std::uint32_t matte;  // colour partly covered edge pixels are blended over, 0: none
};

// Colours as 0xRRGGBB.
constexpr std::uint32_t kFaceBlack = 0x2A2A2C;   // crinkle finish of the radio faces
constexpr std::uint32_t kDialBlack = 0x1C1C1E;   // instrument dials
constexpr std::uint32_t kCaseBlack = 0x242426;   // instrument cases
constexpr std::uint32_t kMarking = 0xEAE8DC;     // white paint of scales and labels
constexpr std::uint32_t kDrum = 0x18181A;        // digit drums
constexpr std::uint32_t kPanelPaint = 0x3C3C3E;  // panel paint round the gauges

void set_colour(cairo_t* cr, std::uint32_t rgb, double alpha = 1.0);
double radians(double deg);

// Deterministic hash noise in [0, 1).
double hash01(int x, int y, std::uint32_t seed);
double value_noise(double x, double y, std::uint32_t seed);

// Fills the whole target with a wrinkled paint finish around `base`.
void crinkle_finish(cairo_t* cr, std::uint32_t base, std::uint32_t seed, double depth);

void slotted_screw(cairo_t* cr, double cx, double cy, double r, double slot_deg);

// A round control knob: knurled skirt, domed cap, white index line pointing at
// `index_deg`.
void control_knob(cairo_t* cr, double cx, double cy, double r, double index_deg);

// A bar ("chicken-head") switch knob whose pointed end aims at `pointer_deg`.
void pointer_knob(cairo_t* cr, double cx, double cy, double r, double pointer_deg);

// A round jewel lamp; lit or dark.
void jewel_lamp(cairo_t* cr, double cx, double cy, double r, std::uint32_t colour, bool lit);

// A recessed circular seat for a knob or lamp on a face.
void seat_ring(cairo_t* cr, double cx, double cy, double r);

void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r);

}  // namespace artgen
