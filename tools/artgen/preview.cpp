// Whole-gauge previews: faces with drums, knobs, switches and needles placed at the
// positions of the element records, black drawn transparent, needles turned by the
// +x convention.
#include "preview.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "artwork.hpp"

namespace artgen {
namespace {

double direction(double px, double py, double tx, double ty) { return std::atan2(ty - py, tx - px) * 180.0 / M_PI; }

class Composer {
public:
    Composer(const std::map<std::string, Picture>& pictures, int w, int h, int scale)
        : pictures_(pictures),
          surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale)),
          cr_(cairo_create(surface_)) {
        cairo_set_source_rgb(cr_, 0.24, 0.24, 0.25);
        cairo_paint(cr_);
        cairo_scale(cr_, scale, scale);
    }
    ~Composer() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Composer(const Composer&) = delete;
    Composer& operator=(const Composer&) = delete;

    void image(const std::string& id, double x, double y) {
        cairo_save(cr_);
        paint(id, x, y);
        cairo_restore(cr_);
    }
    // A moving image travelling in y: cell `value` of a 0..max strip behind window id+1.
    void drum(const std::string& id, const std::string& window, double x, double y, double value, double max) {
        const Picture& strip = pictures_.at(id);
        const Picture& win = pictures_.at(window);
        const double travel = (strip.h - win.h) * value / max;
        cairo_save(cr_);
        cairo_rectangle(cr_, x, y, win.w, win.h);
        cairo_clip(cr_);
        paint(id, x, y - travel);
        cairo_restore(cr_);
        image(window, x, y);
    }
    void strip_x(const std::string& id, const std::string& window, double x, double y, double fraction) {
        const Picture& strip = pictures_.at(id);
        const Picture& win = pictures_.at(window);
        cairo_save(cr_);
        cairo_rectangle(cr_, x, y, win.w, win.h);
        cairo_clip(cr_);
        paint(id, x - (strip.w - win.w) * fraction, y);
        cairo_restore(cr_);
        image(window, x, y);
    }
    void needle(const std::string& id, double x, double y, double pivot_x, double pivot_y, double deg) {
        cairo_save(cr_);
        cairo_translate(cr_, x, y);
        cairo_rotate(cr_, deg * M_PI / 180.0);
        paint(id, -pivot_x, -pivot_y);
        cairo_restore(cr_);
    }
    void sprite(const std::string& id, const std::string& window, double pivot_x, double pivot_y, double deg) {
        const Picture& win = pictures_.at(window);
        cairo_save(cr_);
        cairo_rectangle(cr_, 0, 0, win.w, win.h);
        cairo_clip(cr_);
        needle(id, pivot_x, pivot_y, pivot_x, pivot_y, deg);
        cairo_restore(cr_);
        image(window, 0, 0);
    }
    void save(const std::string& path) { cairo_surface_write_to_png(surface_, path.c_str()); }

private:
    void paint(const std::string& id, double x, double y) {
        cairo_surface_t* s = surface_from_picture(pictures_.at(id));
        cairo_set_source_surface(cr_, s, x, y);
        cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_BILINEAR);
        cairo_paint(cr_);
        cairo_surface_destroy(s);
    }

    const std::map<std::string, Picture>& pictures_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// COM/NAV radios: digits of a frequency like 118.30 (tens, units, tenths, hundredths).
void com_nav(const std::map<std::string, Picture>& p, const std::string& dir, bool nav) {
    Composer c(p, 249, 141, 3);
    c.image(nav ? "1070" : "390", 0, 0);
    if (nav) {
        c.drum("1100", "1101", 178, 18, 5, 10);
        c.drum("1100", "1101", 160, 18, 8, 10);
        c.drum("1100", "1101", 142, 18, 2, 10);
        c.drum("1110", "1111", 124, 18, 1, 1);
        c.image("1120", 106, 18);
    } else {
        c.drum("450", "451", 178, 18, 2, 10);
        c.drum("420", "421", 160, 18, 3, 10);
        c.drum("420", "421", 142, 18, 8, 10);
        c.drum("430", "431", 124, 18, 1, 3);
        c.image("440", 106, 18);
    }
    c.needle(nav ? "1090" : "410", 202, 76, 15, 15, direction(202, 76, 98, 46) - 10);
    c.needle(nav ? "1080" : "400", 98, 76, 15, 15, -90 + 45 * 0.7);
    c.image(nav ? "1141" : "490", 190, 105);
    c.image(nav ? "1131" : "461", 30, 105);
    c.image(nav ? "1150" : "470", 119, 123);
    c.save(dir + (nav ? "/preview_nav1.png" : "/preview_com1.png"));
}

void adf_radio(const std::map<std::string, Picture>& p, const std::string& dir) {
    Composer c(p, 249, 141, 3);
    c.image("280", 0, 0);
    c.drum("320", "321", 168, 21, 5, 10);
    c.drum("320", "321", 150, 21, 4, 10);
    c.drum("320", "321", 132, 21, 3, 10);
    c.image("360", 114, 21);
    c.needle("310", 98, 75, 15, 15, -90 + 36 * 3);
    c.needle("300", 150, 75, 15, 15, -90 + 36 * 4);
    c.needle("290", 202, 75, 15, 15, -90 + 36 * 5);
    c.image("351", 190, 105);
    c.image("341", 119, 123);
    c.image("331", 30, 105);
    c.save(dir + "/preview_adf_radio.png");
}

void transponder(const std::map<std::string, Picture>& p, const std::string& dir) {
    Composer c(p, 249, 141, 3);
    c.image("1000", 0, 0);
    const double code[4] = {1, 2, 0, 0};  // 1200
    const double knob_x[4] = {88, 129, 170, 211}, drum_x[4] = {114, 132, 150, 168};
    for (int i = 0; i < 4; ++i) {
        c.needle("1050", knob_x[i], 75, 15, 15, -90 + 22.5 * code[i]);
        c.drum("1010", "1011", drum_x[i], 21, code[i], 10);
    }
    c.image("1040", 190, 105);
    c.image("1030", 119, 123);
    c.image("1021", 30, 105);
    c.save(dir + "/preview_xpdr.png");
}

void vor(const std::map<std::string, Picture>& p, const std::string& dir) {
    Composer c(p, 140, 140, 4);
    c.image("1200", 0, 0);
    c.sprite("1230", "1231", 70, 70, -30);  // course 030 at the top
    c.image("1241", 87, 63);
    c.image("1261", 64, 98);
    const double left = direction(70, 33, 41, 71), right = direction(70, 33, 100, 71);
    c.needle("1220", 70, 33, -7, 2, left + (right - left) * 0.65);  // value +0.3
    const double up = direction(37, 70, 99, 46), down = direction(37, 70, 99, 95);
    c.needle("1250", 37, 70, 0, 2, up + (down - up) * 0.4);  // value -0.2
    c.image("1270", 0, 0);
    c.needle("1210", 19, 123, 15, 15, 30);
    c.image("1280", 121, 2);
    c.save(dir + "/preview_vor.png");
}

void adf_indicator(const std::map<std::string, Picture>& p, const std::string& dir) {
    Composer c(p, 145, 145, 4);
    c.image("1300", 0, 0);
    c.sprite("1340", "1341", 73, 73, -20);
    c.needle("1330", 73, 73, 45, 5, -90 + 45);  // bearing 045
    c.image("1320", 0, 0);
    c.needle("1310", 18, 126, 14, 14, -20);
    c.save(dir + "/preview_adf_indicator.png");
}

void airspeed(const std::map<std::string, Picture>& p, const std::string& dir, double knots) {
    Composer c(p, 117, 117, 4);
    c.image("210", 0, 0);
    c.needle("220", 59, 59, 21, 5, airspeed_screen_angle(knots));
    c.image("230", 0, 0);
    c.save(dir + "/preview_airspeed_" + std::to_string(static_cast<int>(knots)) + ".png");
}

void compass(const std::map<std::string, Picture>& p, const std::string& dir, double heading) {
    Composer c(p, 111, 111, 4);
    c.image("240", 0, 0);
    c.strip_x("250", "251", 0, 0, (heading - 360.0) / (0.0 - 360.0));
    c.save(dir + "/preview_compass_" + std::to_string(static_cast<int>(heading)) + ".png");
}

// All small click-spot pictures side by side.
void buttons(const std::map<std::string, Picture>& p, const std::string& dir) {
    static const char* const kIds[] = {"50",
                                       "60",
                                       "70",
                                       "90",
                                       "100",
                                       "110",
                                       "120",
                                       "130",
                                       "140",
                                       "150",
                                       "160",
                                       "170",
                                       "180",
                                       "190",
                                       "BMP_ELEC_TOGGLE",
                                       "BMP_FUEL_TOGGLE",
                                       "BMP_OVERHEAD_TOGGLE",
                                       "BMP_UP_DOWN_TOGGLE",
                                       "BMP_YOKE_TOGGLE"};
    const int n = static_cast<int>(sizeof kIds / sizeof kIds[0]);
    const int per_row = 7;
    Composer c(p, per_row * 23 + 4, (n + per_row - 1) / per_row * 23 + 4, 7);
    for (int i = 0; i < n; ++i) c.image(kIds[i], 4 + 23 * (i % per_row), 4 + 23 * (i / per_row));
    c.save(dir + "/preview_buttons.png");
}

}  // namespace

// Every picture at 2x on one sheet, labelled with its id or name, for review. See-through
// pixels show the sheet's checker pattern.
void contact_sheet(const std::map<std::string, Picture>& pictures, const std::string& dir) {
    constexpr int kScale = 2, kWidth = 1800, kGap = 12, kLabel = 16;
    struct Slot {
        const std::string* name;
        int x, y;
    };
    std::vector<Slot> slots;
    int x = kGap, y = kGap, row_h = 0;
    for (const auto& [name, pic] : pictures) {
        const int w = std::max(pic.w * kScale, 90), h = pic.h * kScale + kLabel;
        if (x + w > kWidth) x = kGap, y += row_h + kGap, row_h = 0;
        slots.push_back({&name, x, y});
        x += w + kGap;
        row_h = std::max(row_h, h);
    }
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, y + row_h + kGap);
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
    cairo_paint(cr);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    for (const Slot& slot : slots) {
        const Picture& pic = pictures.at(*slot.name);
        for (int cy = 0; cy < pic.h * kScale; cy += 8)  // checker behind the picture
            for (int cx = 0; cx < pic.w * kScale; cx += 8) {
                const double shade = ((cx + cy) / 8) % 2 ? 0.55 : 0.7;
                cairo_set_source_rgb(cr, shade, shade, shade);
                cairo_rectangle(cr, slot.x + cx, slot.y + cy, std::min(8, pic.w * kScale - cx),
                                std::min(8, pic.h * kScale - cy));
                cairo_fill(cr);
            }
        cairo_surface_t* image = surface_from_picture(pic);
        cairo_save(cr);
        cairo_translate(cr, slot.x, slot.y);
        cairo_scale(cr, kScale, kScale);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(image);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        cairo_move_to(cr, slot.x, slot.y + pic.h * kScale + kLabel - 4);
        cairo_show_text(cr, slot.name->c_str());
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(sheet, (dir + "/contact_sheet.png").c_str());
    cairo_surface_destroy(sheet);
}

void write_previews(const std::map<std::string, Picture>& pictures, const std::string& dir) {
    contact_sheet(pictures, dir);
    com_nav(pictures, dir, false);
    com_nav(pictures, dir, true);
    adf_radio(pictures, dir);
    transponder(pictures, dir);
    vor(pictures, dir);
    adf_indicator(pictures, dir);
    airspeed(pictures, dir, 120);
    airspeed(pictures, dir, 300);
    compass(pictures, dir, 30);
    compass(pictures, dir, 270);
    buttons(pictures, dir);
}

void write_background_preview(const Picture& background, const std::vector<Seat>& seats,
                              const std::map<std::string, Picture>& pictures, const std::string& path) {
    cairo_surface_t* surface = surface_from_picture(background);
    cairo_t* cr = cairo_create(surface);
    for (const Seat& seat : seats) {
        for (const char* name : {seat.face, seat.cover}) {
            if (!*name) continue;
            const Picture& face = pictures.at(name);
            cairo_surface_t* image = surface_from_picture(face);
            cairo_save(cr);
            cairo_translate(cr, seat.x, seat.y);
            cairo_scale(cr, double(seat.w) / face.w, seat_height(seat) / face.h);
            cairo_set_source_surface(cr, image, 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
            cairo_paint(cr);
            cairo_restore(cr);
            cairo_surface_destroy(image);
        }
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
}

}  // namespace artgen
