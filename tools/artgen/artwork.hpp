// Every draw function of the bitmap table, by family. Each draws one bitmap of the
// size its Sheet row gives onto a transparent surface.
#pragma once

#include "paint.hpp"

namespace artgen {

// radios.cpp: radio faces and their moving parts
void com_face(cairo_t* cr, const Sheet& s);  // text: the title lettering
void nav_face(cairo_t* cr, const Sheet& s);
void adf_face(cairo_t* cr, const Sheet& s);
void xpdr_face(cairo_t* cr, const Sheet& s);
void spare_face(cairo_t* cr, const Sheet& s);
void drum_strip(cairo_t* cr, const Sheet& s);  // text: cells separated by '|'
void drum_window(cairo_t* cr, const Sheet& s);
void fixed_figure(cairo_t* cr, const Sheet& s);  // text: the figure
void tuning_knob(cairo_t* cr, const Sheet& s);   // index at +x from the pivot
void switch_knob(cairo_t* cr, const Sheet& s);   // value: pointer angle
void panel_lamp(cairo_t* cr, const Sheet& s);    // text: colour, value: 1 lit

// instruments.cpp: VOR and ADF indicators, airspeed, compass
void vor_face(cairo_t* cr, const Sheet& s);
void vor_card(cairo_t* cr, const Sheet& s);
void round_window(cairo_t* cr, const Sheet& s);  // value: radius of the opening
void vor_deviation_needle(cairo_t* cr, const Sheet& s);
void vor_glideslope_needle(cairo_t* cr, const Sheet& s);
void striped_flag(cairo_t* cr, const Sheet& s);
void gs_flag(cairo_t* cr, const Sheet& s);
void arrow_flag(cairo_t* cr, const Sheet& s);  // value: -1 up, +1 down
void vor_bezel(cairo_t* cr, const Sheet& s);
void amber_lamp(cairo_t* cr, const Sheet& s);
void adf_dial_face(cairo_t* cr, const Sheet& s);
void adf_card(cairo_t* cr, const Sheet& s);
void adf_bearing_needle(cairo_t* cr, const Sheet& s);
void adf_bezel(cairo_t* cr, const Sheet& s);
void airspeed_dial(cairo_t* cr, const Sheet& s);
void airspeed_needle(cairo_t* cr, const Sheet& s);
void airspeed_cover(cairo_t* cr, const Sheet& s);
void compass_body(cairo_t* cr, const Sheet& s);
void compass_card(cairo_t* cr, const Sheet& s);
void compass_window(cairo_t* cr, const Sheet& s);

// Screen angle (degrees clockwise from +x) at which the host draws an airspeed,
// following the needle's calibration table.
double airspeed_screen_angle(double knots);

// toggles.cpp: the small click-spot pictures
void toggle_button(cairo_t* cr, const Sheet& s);  // text: the symbol
void map_rosette(cairo_t* cr, const Sheet& s);
void all_black(cairo_t* cr, const Sheet& s);

}  // namespace artgen
