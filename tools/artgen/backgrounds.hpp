// The window backgrounds of the example panel (examples/*.bmp): where the panel places
// each gauge, so that the recesses drawn for them fit the module's faces.
#pragma once

#include <vector>

#include "paint.hpp"

namespace artgen {

// How the background receives a gauge.
enum class Recess {
    round,   // a round cut-out with four mounting screws (a round case shows the panel round it)
    flange,  // a square case mounted on the panel: its shadow and a gap round it
    socket,  // a small square well a push button sits in
    plate,   // a framed placard the gauge writes on
};

// One gauge as the example panel places it: top-left corner and width in the window's
// pixels; the host scales the face bitmap to that width, which gives the height.
struct Seat {
    const char* gauge;  // the gauge's name in the panel file
    int x, y, w;
    const char* face;   // the module bitmap the host scales (its size gives the aspect)
    const char* cover;  // drawn over the face in the preview, "" for none
    Recess recess;
    const char* label;  // engraved under the gauge, "" for none
};

// The seats of the background with this name ("tarvolen_main", ...); empty for others.
std::vector<Seat> seats_of(const char* background);

// Height at which the host draws the seat's face: its width scaled by the face's aspect.
double seat_height(const Seat& seat);

// backgrounds.cpp: one draw function per window
void main_panel_background(cairo_t* cr, const Sheet& s);
void radio_rack_background(cairo_t* cr, const Sheet& s);
void compass_mount_background(cairo_t* cr, const Sheet& s);

// main.cpp: the module bitmap with this name, or null.
const Sheet* find_sheet(const char* name);

}  // namespace artgen
