// artgen: draws every bitmap resource of the gauge module and writes them as BMP
// files, the same bytes on every run; with --backgrounds, the window backgrounds of
// the example panel instead. Usage:
//   artgen OUTDIR [--png PNGDIR]                 module bitmaps (resources/bitmaps)
//   artgen --backgrounds OUTDIR [--png PNGDIR]   example backgrounds (examples)
// (--png also writes previews: whole gauges and contact_sheet.png, or each background
// with the module's faces placed on it as the example panel places them)
//
// Needle convention: a needle or knob bitmap points to the RIGHT (+x) from its
// pivot (pivot_x, pivot_y) at angle zero. The host turns the bitmap so that its +x
// axis points from the pivot towards the calibration point of the needle's value
// (for needles without a table, towards the value read as a compass direction: 0 at
// twelve o'clock, clockwise). Knob
// pictures carry their index mark on +x for the same reason. Course and compass
// cards have 0 at the top and degrees increasing clockwise, turning about the
// centre given in their row.
//
// Transparency: pure black (0,0,0) is the host's "see-through"; every opaque pixel
// has each channel at 8 or more.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "artwork.hpp"
#include "backgrounds.hpp"
#include "picture.hpp"
#include "preview.hpp"

namespace artgen {
namespace {

constexpr std::uint32_t kPanel = kPanelPaint;  // what round faces are edged against
constexpr std::uint32_t kFace = kFaceBlack;
constexpr std::uint32_t kDial = kDialBlack;
constexpr std::uint32_t kCase = kCaseBlack;

// Angles of the switch pointers towards the labels on the faces (degrees,
// clockwise from +x): switch centres (45, 120) and (205, 120).
constexpr double kToOff = 156.3;        // OFF label, lower left
constexpr double kToOn = -142.8;        // ON label, upper left
constexpr double kToUp = -90.0;         // TONE, ON / VOL, IDENT, VOL: straight up
constexpr double kToAdfAnt = -153.4;    // ADF / ANT labels, left and up
constexpr double kToVorIdOff = -175.8;  // VOR ID OFF label, left
constexpr double kToLeft = 180.0;       // transponder OFF label

constexpr const char* kDigits = "0|1|2|3|4|5|6|7|8|9|0";
constexpr const char* kChannels = "00|-|25|-|-|50|-|75|-|-|00";

// pivot_x/pivot_y: needles and knobs, the point they turn about; cards and round
// windows, the centre of the card. value: switch pointer angle, lamp lit (1) or
// dark (0), arrow direction (-1 up, +1 down), radius of a round window's opening.
const Sheet kSheets[] = {
    // name   w    h  bits  pivot      draw                   text           value        matte
    {"40", 150, 25, 8, 0, 0, all_black, "", 0, 0},            // registration plate
    {"50", 19, 19, 24, 0, 0, toggle_button, "tick", 0, 0},    // kneeboard
    {"60", 12, 12, 8, 0, 0, map_rosette, "", 0, kPanel},      // map
    {"70", 19, 19, 8, 0, 0, toggle_button, "headset", 0, 0},  // ATC
    {"90", 19, 19, 8, 0, 0, toggle_button, "seat up", 0, 0},
    {"100", 19, 19, 8, 0, 0, toggle_button, "seat down", 0, 0},
    {"110", 19, 19, 8, 0, 0, toggle_button, "mast", 0, 0},       // radios
    {"120", 19, 19, 8, 0, 0, toggle_button, "satellite", 0, 0},  // GPS
    {"130", 19, 19, 8, 0, 0, toggle_button, "throttle", 0, 0},
    {"140", 19, 19, 8, 0, 0, toggle_button, "compass", 0, 0},
    {"150", 19, 19, 8, 0, 0, toggle_button, "cross", 0, 0},  // close
    {"160", 19, 19, 8, 0, 0, toggle_button, "taxi left", 0, 0},
    {"170", 19, 19, 8, 0, 0, toggle_button, "taxi right", 0, 0},
    {"180", 19, 19, 8, 0, 0, toggle_button, "instruments", 0, 0},
    {"190", 19, 19, 8, 0, 0, all_black, "", 0, 0},  // invisible
    {"210", 117, 117, 8, 0, 0, airspeed_dial, "", 0, kPanel},
    {"220", 62, 10, 8, 21, 5, airspeed_needle, "", 0, kDial},
    {"230", 117, 117, 8, 0, 0, airspeed_cover, "", 0, kPanel},
    {"240", 111, 111, 8, 0, 0, compass_body, "", 0, kPanel},
    {"250", 531, 82, 8, 0, 0, compass_card, "", 0, 0},
    {"251", 111, 111, 8, 0, 0, compass_window, "", 0, kPanel},
    {"280", 249, 141, 8, 0, 0, adf_face, "ADF", 0, 0},
    {"290", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // ADF units
    {"300", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // ADF tens
    {"310", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // ADF hundreds
    {"320", 18, 308, 8, 0, 0, drum_strip, kDigits, 0, 0},
    {"321", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"330", 30, 30, 8, 0, 0, switch_knob, "", kToOff, kFace},  // ADF power
    {"331", 30, 30, 8, 0, 0, switch_knob, "", kToOn, kFace},
    {"340", 10, 10, 8, 0, 0, panel_lamp, "amber", 0, kFace},
    {"341", 10, 10, 8, 0, 0, panel_lamp, "amber", 1, kFace},
    {"350", 30, 30, 8, 0, 0, switch_knob, "", kToAdfAnt, kFace},  // ADF mode
    {"351", 30, 30, 8, 0, 0, switch_knob, "", kToUp, kFace},
    {"360", 18, 28, 8, 0, 0, fixed_figure, "0", 0, 0},  // ADF thousands
    {"361", 18, 28, 8, 0, 0, fixed_figure, "1", 0, 0},
    {"370", 249, 141, 8, 0, 0, spare_face, "", 0, 0},  // unreferenced
    {"380", 249, 141, 8, 0, 0, com_face, "COM", 0, 0},
    {"390", 249, 141, 8, 0, 0, com_face, "COM 1", 0, 0},
    {"400", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // COM MHz
    {"410", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // COM kHz
    {"420", 18, 308, 8, 0, 0, drum_strip, kDigits, 0, 0},
    {"421", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"430", 18, 112, 8, 0, 0, drum_strip, "0|1|2|3", 0, 0},
    {"431", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"440", 18, 28, 8, 0, 0, fixed_figure, "1", 0, 0},
    {"441", 18, 28, 8, 0, 0, drum_window, "", 0, 0},  // unreferenced
    {"450", 18, 308, 8, 0, 0, drum_strip, kChannels, 0, 0},
    {"451", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"460", 30, 30, 8, 0, 0, switch_knob, "", kToOff, kFace},  // COM power
    {"461", 30, 30, 8, 0, 0, switch_knob, "", kToOn, kFace},
    {"470", 10, 10, 8, 0, 0, panel_lamp, "green", 1, kFace},
    {"480", 249, 141, 8, 0, 0, com_face, "COM 2", 0, 0},
    {"490", 30, 30, 8, 0, 0, switch_knob, "", kToUp, kFace},  // COM VOL
    {"1000", 249, 141, 8, 0, 0, xpdr_face, "XPDR", 0, 0},
    {"1010", 18, 308, 8, 0, 0, drum_strip, kDigits, 0, 0},
    {"1011", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"1020", 30, 30, 8, 0, 0, switch_knob, "", kToOff, kFace},  // XPDR power
    {"1021", 30, 30, 8, 0, 0, switch_knob, "", kToOn, kFace},
    {"1030", 10, 10, 8, 0, 0, panel_lamp, "amber", 1, kFace},
    {"1040", 30, 30, 8, 0, 0, switch_knob, "", kToLeft, kFace},  // XPDR ident
    {"1041", 30, 30, 8, 0, 0, switch_knob, "", kToUp, kFace},
    {"1050", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // XPDR code knobs
    {"1060", 249, 141, 8, 0, 0, nav_face, "NAV", 0, 0},
    {"1070", 249, 141, 8, 0, 0, nav_face, "NAV 1", 0, 0},
    {"1080", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // NAV MHz
    {"1090", 30, 30, 8, 15, 15, tuning_knob, "", 0, kFace},  // NAV kHz
    {"1100", 18, 308, 8, 0, 0, drum_strip, kDigits, 0, 0},
    {"1101", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"1110", 18, 56, 8, 0, 0, drum_strip, "0|1", 0, 0},
    {"1111", 18, 28, 8, 0, 0, drum_window, "", 0, 0},
    {"1120", 18, 28, 8, 0, 0, fixed_figure, "1", 0, 0},
    {"1121", 18, 28, 8, 0, 0, drum_window, "", 0, 0},           // unreferenced
    {"1130", 30, 30, 8, 0, 0, switch_knob, "", kToOff, kFace},  // NAV power
    {"1131", 30, 30, 8, 0, 0, switch_knob, "", kToOn, kFace},
    {"1140", 30, 30, 8, 0, 0, switch_knob, "", kToVorIdOff, kFace},  // VOR ident
    {"1141", 30, 30, 8, 0, 0, switch_knob, "", kToUp, kFace},
    {"1150", 10, 10, 8, 0, 0, panel_lamp, "green", 1, kFace},
    {"1160", 249, 141, 8, 0, 0, nav_face, "NAV 2", 0, 0},
    {"1200", 140, 140, 8, 0, 0, vor_face, "", 0, 0},
    {"1210", 29, 29, 8, 15, 15, tuning_knob, "", 0, kCase},  // course knob
    {"1220", 54, 4, 8, -7, 2, vor_deviation_needle, "", 0, kDial},
    {"1230", 145, 145, 8, 70, 70, vor_card, "", 0, kDial},
    {"1231", 140, 140, 8, 70, 70, round_window, "", 64.5, kCase},
    {"1240", 13, 4, 8, 0, 0, striped_flag, "", 0, 0},
    {"1241", 13, 4, 8, 0, 0, gs_flag, "", 0, 0},
    {"1250", 64, 4, 8, 0, 2, vor_glideslope_needle, "", 0, kDial},
    {"1260", 13, 4, 8, 0, 0, striped_flag, "", 0, 0},
    {"1261", 13, 4, 8, 0, 0, arrow_flag, "", -1, kDial},  // TO
    {"1262", 13, 4, 8, 0, 0, arrow_flag, "", 1, kDial},   // FROM
    {"1270", 140, 140, 24, 0, 0, vor_bezel, "", 0, kPanel},
    {"1280", 16, 16, 8, 0, 0, amber_lamp, "", 0, kCase},
    {"1300", 145, 145, 8, 0, 0, adf_dial_face, "", 0, 0},
    {"1310", 28, 28, 8, 14, 14, tuning_knob, "", 0, kCase},  // card knob
    {"1320", 145, 145, 8, 0, 0, adf_bezel, "", 0, kPanel},
    {"1330", 89, 10, 8, 45, 5, adf_bearing_needle, "", 0, kDial},
    {"1340", 145, 145, 8, 73, 73, adf_card, "", 0, kDial},
    {"1341", 145, 145, 8, 73, 73, round_window, "", 65.5, kCase},
    {"BMP_ELEC_TOGGLE", 19, 19, 8, 0, 0, toggle_button, "bolt", 0, 0},
    {"BMP_FUEL_TOGGLE", 19, 19, 8, 0, 0, toggle_button, "fuel pump", 0, 0},
    {"BMP_OVERHEAD_TOGGLE", 19, 19, 8, 0, 0, toggle_button, "overhead", 0, 0},
    {"BMP_TARVOLEN_VOR1_TF_FROM", 13, 4, 8, 0, 0, arrow_flag, "", 1, kDial},  // = 1262
    {"BMP_UP_DOWN_TOGGLE", 19, 19, 8, 0, 0, toggle_button, "up down", 0, 0},
    {"BMP_YOKE_TOGGLE", 19, 19, 8, 0, 0, toggle_button, "yoke", 0, 0},
};
static_assert(sizeof(kSheets) / sizeof(kSheets[0]) == 97 + 6, "97 numbered and 6 named bitmaps");

// The window backgrounds of examples/panel.cfg, one per window at its size_mm.
const Sheet kBackgrounds[] = {
    // name              w     h  bits  pivot  draw                       text value matte
    {"tarvolen_main", 1000, 330, 8, 0, 0, main_panel_background, "", 0, 0},
    {"tarvolen_radios", 520, 640, 8, 0, 0, radio_rack_background, "", 0, 0},
    {"tarvolen_compass", 180, 220, 8, 0, 0, compass_mount_background, "", 0, 0},
};
static_assert(sizeof(kBackgrounds) / sizeof(kBackgrounds[0]) == 3, "main panel, radio stack, compass");

struct Rendered {
    Picture picture;                  // the pixels as the file holds them
    std::vector<std::uint8_t> bytes;  // the BMP file
};

Rendered render(const Sheet& s) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s.w, s.h);
    cairo_t* cr = cairo_create(surface);
    s.draw(cr, s);
    cairo_destroy(cr);
    Picture pic = picture_from_surface(surface, s.matte);
    cairo_surface_destroy(surface);
    Rendered out;
    if (s.bits == 24) {
        out.bytes = encode_bmp24(pic);
        out.picture = std::move(pic);
    } else {
        const Indexed ix = quantise(pic);
        out.bytes = encode_bmp8(ix, s.w, s.h);
        out.picture = expand(ix, s.w, s.h);
    }
    return out;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

int png_scale(const Sheet& s) { return s.w <= 40 && s.h <= 40 ? 8 : s.w <= 160 ? 3 : 2; }

// Writes every sheet as OUTDIR/NAME.bmp and keeps its pixels by name.
bool write_sheets(const Sheet* begin, const Sheet* end, const std::string& out_dir, const std::string& png_dir,
                  int png_scale_override, std::map<std::string, Picture>& pictures) {
    for (const Sheet* s = begin; s != end; ++s) {
        const Rendered r = render(*s);
        if (!write_file(out_dir + "/" + s->name + ".bmp", r.bytes)) {
            std::fprintf(stderr, "artgen: cannot write %s/%s.bmp\n", out_dir.c_str(), s->name);
            return false;
        }
        if (!png_dir.empty())
            write_png(r.picture, png_scale_override > 0 ? png_scale_override : png_scale(*s),
                      png_dir + "/" + s->name + ".png");
        pictures[s->name] = r.picture;
    }
    return true;
}

// Every seat of a background must name a module bitmap, or its recess has no size.
bool seats_name_module_faces() {
    bool ok = true;
    for (const Sheet& bg : kBackgrounds)
        for (const Seat& seat : seats_of(bg.name))
            for (const char* name : {seat.face, seat.cover})
                if (*name && !find_sheet(name)) {
                    std::fprintf(stderr, "artgen: %s: %s names bitmap %s, which the module lacks\n", bg.name,
                                 seat.gauge, name);
                    ok = false;
                }
    return ok;
}

}  // namespace

const Sheet* find_sheet(const char* name) {
    for (const Sheet& s : kSheets)
        if (std::strcmp(s.name, name) == 0) return &s;
    return nullptr;
}

}  // namespace artgen

int main(int argc, char** argv) {
    using namespace artgen;
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool backgrounds = !args.empty() && args[0] == "--backgrounds";
    if (backgrounds) args.erase(args.begin());
    if (args.size() != 1 && !(args.size() == 3 && args[1] == "--png")) {
        std::fprintf(stderr, "usage: artgen [--backgrounds] OUTDIR [--png PNGDIR]\n");
        return 2;
    }
    const std::string out_dir = args[0];
    const std::string png_dir = args.size() == 3 ? args[2] : "";
    std::error_code ec;
    std::filesystem::create_directories(out_dir, ec);
    if (!png_dir.empty()) std::filesystem::create_directories(png_dir, ec);
    std::map<std::string, Picture> pictures;
    if (!backgrounds) {
        if (!write_sheets(std::begin(kSheets), std::end(kSheets), out_dir, png_dir, 0, pictures)) return 1;
        if (!png_dir.empty()) write_previews(pictures, png_dir);
        return 0;
    }
    if (!seats_name_module_faces()) return 1;
    std::map<std::string, Picture> made;
    if (!write_sheets(std::begin(kBackgrounds), std::end(kBackgrounds), out_dir, png_dir, 1, made)) return 1;
    if (png_dir.empty()) return 0;
    for (const Sheet& s : kSheets) pictures[s.name] = render(s).picture;
    for (const Sheet& bg : kBackgrounds)
        write_background_preview(made.at(bg.name), seats_of(bg.name), pictures,
                                 png_dir + "/preview_" + bg.name + ".png");
    return 0;
}
