// Drawing with cairo: bitmaps become ARGB surfaces (pure black made transparent where
// asked, dimmed for night), turned and clipped with the cairo transform; masks become
// coverage (A8) surfaces.
#include "host/render/cairo_canvas.h"

#include "host/base/utf8.h"
#include "host/render/png_writer.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

// Night: what is not lit keeps this share of its brightness, with a little blue.
constexpr double kDimRed = 0.22, kDimGreen = 0.24, kDimBlue = 0.32;

void set_colour(cairo_t* cr, uint32_t rgb, bool dim) {
    double r = (rgb >> 16 & 0xFF) / 255.0, g = (rgb >> 8 & 0xFF) / 255.0, b = (rgb & 0xFF) / 255.0;
    if (dim) r *= kDimRed, g *= kDimGreen, b *= kDimBlue;
    cairo_set_source_rgb(cr, r, g, b);
}

uint32_t dimmed(uint32_t rgb) {
    auto channel = [](uint32_t v, double share) { return static_cast<uint32_t>(std::lround(v * share)); };
    return channel(rgb >> 16 & 0xFF, kDimRed) << 16 | channel(rgb >> 8 & 0xFF, kDimGreen) << 8 |
           channel(rgb & 0xFF, kDimBlue);
}

// At exit: cairo's font caches and fontconfig's configuration, which both keep until
// the program ends, are given back, so that leak checkers see a clean exit.
void release_font_caches() {
    cairo_debug_reset_static_data();
    FcFini();
}

void release_font_caches_at_exit() {
    static const bool release_registered = std::atexit(release_font_caches) == 0;
    (void)release_registered;
}

}  // namespace

CairoCanvas::CairoCanvas(int width, int height, uint32_t background)
    : target_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1))),
      cr_(cairo_create(target_)) {
    release_font_caches_at_exit();
    set_colour(cr_, background, false);
    cairo_paint(cr_);
}

CairoCanvas::CairoCanvas(int width, int height, Transparent)
    : target_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1))),
      cr_(cairo_create(target_)) {
    release_font_caches_at_exit();
    clear_to_transparent();
}

void CairoCanvas::clear_to_transparent() {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

CairoCanvas::~CairoCanvas() {
    for (auto& entry : surfaces_) cairo_surface_destroy(entry.second);
    for (auto& entry : masks_) cairo_surface_destroy(entry.second);
    cairo_destroy(cr_);
    cairo_surface_destroy(target_);
}

cairo_surface_t* CairoCanvas::surface_for(const Bitmap& bitmap, bool black_transparent, bool dim) {
    const auto key = std::make_tuple(&bitmap, black_transparent, dim);
    auto found = surfaces_.find(key);
    if (found != surfaces_.end()) return found->second;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < bitmap.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < bitmap.width; ++x) {
            const uint32_t rgb = bitmap.at(x, y);
            // Premultiplied ARGB: a transparent pixel is all zero.
            row[x] = black_transparent && rgb == 0 ? 0u : 0xFF000000u | (dim ? dimmed(rgb) : rgb);
        }
    }
    cairo_surface_mark_dirty(surface);
    surfaces_[key] = surface;
    return surface;
}

cairo_surface_t* CairoCanvas::mask_for(const Bitmap& mask) {
    auto found = masks_.find(&mask);
    if (found != masks_.end()) return found->second;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, mask.width, mask.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < mask.height; ++y) {
        unsigned char* row = data + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < mask.width; ++x) row[x] = mask.at(x, y) == 0 ? 0 : 0xFF;
    }
    cairo_surface_mark_dirty(surface);
    masks_[&mask] = surface;
    return surface;
}

std::string CairoCanvas::where() const {
    std::string place = window_ ? "window \"" + utf8_text(window_->title) + "\"" : std::string("the picture");
    if (gauge_) place += ", gauge " + gauge_->name;
    return place;
}

void CairoCanvas::recover() {
    const cairo_status_t status = cairo_status(cr_);
    if (status == CAIRO_STATUS_SUCCESS) return;
    problems_.push_back(where() + ": cairo drew nothing of one part (" + cairo_status_to_string(status) + ")");
    cairo_destroy(cr_);
    cr_ = cairo_create(target_);
    if (window_) enter_window();
    if (gauge_) enter_gauge();
}

void CairoCanvas::enter_window() {
    const Rect& a = window_->area;
    cairo_save(cr_);
    cairo_rectangle(cr_, a.x, a.y, a.w, a.h);
    cairo_clip(cr_);
}

void CairoCanvas::enter_gauge() {
    cairo_save(cr_);
    cairo_translate(cr_, gauge_->x, gauge_->y);
    cairo_scale(cr_, gauge_->scale_x, gauge_->scale_y);
}

void CairoCanvas::begin_window(const WindowFrame& window) {
    const Rect& a = window.area;
    if (window.titled) {
        cairo_save(cr_);
        cairo_select_font_face(cr_, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr_, 13.0);
        cairo_set_source_rgb(cr_, 0.78, 0.78, 0.74);
        cairo_move_to(cr_, a.x + 2, a.y - 6);
        const std::string label = window.title.empty() ? "window " + std::to_string(window.ident) : window.title;
        cairo_show_text(cr_, utf8_text(label).c_str());
        cairo_restore(cr_);
    }
    window_ = window;
    recover();
    enter_window();
    if (window.fill) {
        set_colour(cr_, window.background, window.dim);
        cairo_paint(cr_);
    }
    recover();
}

void CairoCanvas::end_window() {
    cairo_restore(cr_);
    window_.reset();
    recover();
}

void CairoCanvas::begin_gauge(const GaugeFrame& gauge) {
    gauge_ = gauge;
    // A gauge drawn at no size, or somewhere that is not a number, is left out before
    // cairo sees it: its error path for such a transform keeps memory it never frees.
    skipping_ = !(std::isfinite(gauge.x) && std::isfinite(gauge.y) && std::isfinite(gauge.scale_x) &&
                  std::isfinite(gauge.scale_y) && gauge.scale_x != 0 && gauge.scale_y != 0);
    if (skipping_) {
        problems_.push_back(where() + ": placed at a size or position cairo cannot draw, not drawn");
        return;
    }
    enter_gauge();
    scale_ = std::min(gauge.scale_x, gauge.scale_y);
    recover();
}

void CairoCanvas::end_gauge() {
    if (skipping_) {
        skipping_ = false;
        gauge_.reset();
        return;
    }
    cairo_restore(cr_);
    gauge_.reset();
    scale_ = 1.0;
    recover();
}

void CairoCanvas::bitmap(const BitmapDraw& draw) {
    if (!draw.bitmap || skipping_) return;
    // A value that is not a number never reaches cairo (as for gauges, above).
    for (const double value : {draw.x, draw.y, draw.anchor_x, draw.anchor_y, draw.angle_deg, draw.clip.x, draw.clip.y,
                               draw.clip.w, draw.clip.h}) {
        if (std::isfinite(value)) continue;
        problems_.push_back(where() + ": a bitmap at a position or angle that is not a finite number, not drawn");
        return;
    }
    cairo_surface_t* surface = surface_for(*draw.bitmap, draw.black_transparent, draw.dim);
    cairo_save(cr_);
    if (draw.clipped) {
        cairo_rectangle(cr_, draw.clip.x, draw.clip.y, draw.clip.w, draw.clip.h);
        cairo_clip(cr_);
    }
    cairo_matrix_t gauge_space;
    cairo_get_matrix(cr_, &gauge_space);
    cairo_translate(cr_, draw.x, draw.y);
    cairo_rotate(cr_, draw.angle_deg * std::numbers::pi / 180.0);
    cairo_set_source_surface(cr_, surface, -draw.anchor_x, -draw.anchor_y);
    // Unturned pictures at their own size keep their pixels exactly.
    const bool exact = draw.angle_deg == 0.0 && scale_ == 1.0;
    cairo_pattern_set_filter(cairo_get_source(cr_), exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    if (draw.mask) {
        // The source keeps the turn it was set with; the mask lies unturned in the gauge.
        cairo_set_matrix(cr_, &gauge_space);
        cairo_pattern_t* mask = cairo_pattern_create_for_surface(mask_for(*draw.mask));
        cairo_matrix_t at;
        cairo_matrix_init_translate(&at, -draw.clip.x, -draw.clip.y);
        cairo_pattern_set_matrix(mask, &at);
        cairo_pattern_set_filter(mask, scale_ == 1.0 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
        cairo_mask(cr_, mask);
        cairo_pattern_destroy(mask);
    } else {
        cairo_paint(cr_);
    }
    cairo_restore(cr_);
    recover();
}

void CairoCanvas::text(const TextDraw& draw) {
    if (skipping_) return;
    const std::string shown = utf8_text(draw.text);
    const Rect& box = draw.box;
    cairo_save(cr_);
    cairo_rectangle(cr_, box.x, box.y, box.w, box.h);
    cairo_clip(cr_);
    if (draw.fill_back) {
        set_colour(cr_, draw.back, draw.dim);
        cairo_paint(cr_);
    }
    cairo_select_font_face(cr_, draw.font.empty() ? "sans-serif" : draw.font.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           draw.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    // The record gives no size: the letters take 0.8 of the box height, smaller when
    // the text would not fit the box's width.
    double size = box.h * 0.8;
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, shown.c_str(), &extents);
    if (extents.x_advance > box.w * 0.96 && extents.x_advance > 0) {
        size *= box.w * 0.96 / extents.x_advance;
        cairo_set_font_size(cr_, size);
        cairo_text_extents(cr_, shown.c_str(), &extents);
    }
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    double x = box.x;
    if (draw.draw_flags & TEXT_CENTRE)
        x = box.x + (box.w - extents.x_advance) / 2;
    else if (draw.draw_flags & TEXT_RIGHT)
        x = box.x + box.w - extents.x_advance;
    double baseline = box.y + font.ascent;
    if (draw.draw_flags & TEXT_VCENTRE)
        baseline = box.y + (box.h - (font.ascent + font.descent)) / 2 + font.ascent;
    else if (draw.draw_flags & TEXT_BOTTOM)
        baseline = box.y + box.h - font.descent;
    set_colour(cr_, draw.colour, draw.dim);
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, shown.c_str());
    cairo_restore(cr_);
    recover();
}

void CairoCanvas::placeholder(const PlaceholderDraw& draw) {
    constexpr double kMarker = 6.0;
    const Rect& b = draw.box;
    cairo_save(cr_);
    cairo_set_line_width(cr_, 1.0);
    if (draw.marker) {
        cairo_set_source_rgb(cr_, 1.0, 0.78, 0.2);
        cairo_move_to(cr_, b.x - kMarker, b.y);
        cairo_line_to(cr_, b.x + kMarker, b.y);
        cairo_move_to(cr_, b.x, b.y - kMarker);
        cairo_line_to(cr_, b.x, b.y + kMarker);
        cairo_stroke(cr_);
    } else {
        cairo_rectangle(cr_, b.x + 0.5, b.y + 0.5, std::max(b.w - 1, 0.0), std::max(b.h - 1, 0.0));
        cairo_set_source_rgba(cr_, 0.55, 0.55, 0.6, 0.35);
        cairo_fill_preserve(cr_);
        const double dash = 4.0;
        cairo_set_dash(cr_, &dash, 1, 0);
        cairo_set_source_rgb(cr_, 1.0, 0.78, 0.2);
        cairo_stroke(cr_);
        cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
        cairo_clip(cr_);
    }
    cairo_select_font_face(cr_, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, 11.0);
    cairo_set_source_rgb(cr_, 1.0, 0.9, 0.6);
    cairo_move_to(cr_, draw.marker ? b.x + kMarker + 2 : b.x + 3, draw.marker ? b.y - 2 : b.y + 13);
    cairo_show_text(cr_, utf8_text(draw.label).c_str());
    cairo_restore(cr_);
    recover();
}

bool CairoCanvas::write_png(const std::string& path, Diagnostics& diagnostics) {
    std::string error;
    if (write_png_file(target_, path, error)) return true;
    diagnostics.error(path, 0, "cannot write the picture (" + error + ")");
    return false;
}

int CairoCanvas::width() const { return cairo_image_surface_get_width(target_); }
int CairoCanvas::height() const { return cairo_image_surface_get_height(target_); }

const uint32_t* CairoCanvas::row(int y) {
    cairo_surface_flush(target_);
    const unsigned char* data = cairo_image_surface_get_data(target_);
    return reinterpret_cast<const uint32_t*>(data +
                                             static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(target_));
}

bool CairoCanvas::encode_png(std::string& out, int level) { return encode_png(out, level, {0, 0, width(), height()}); }

bool CairoCanvas::encode_png(std::string& out, int level, PixelBox box) {
    cairo_surface_flush(target_);
    std::string error;
    return ::encode_png(target_, {box.x, box.y, box.w, box.h}, true, level, out, error);
}

uint32_t CairoCanvas::pixel(int x, int y) {
    cairo_surface_flush(target_);
    const int width = cairo_image_surface_get_width(target_), height = cairo_image_surface_get_height(target_);
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const unsigned char* data = cairo_image_surface_get_data(target_);
    const auto* row =
        reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(target_));
    return row[x] & 0xFFFFFFu;
}

void CairoCanvas::clear(uint32_t background) {
    cairo_save(cr_);
    cairo_reset_clip(cr_);
    set_colour(cr_, background, false);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

cairo_surface_t* CairoCanvas::surface() {
    cairo_surface_flush(target_);
    return target_;
}

cairo_surface_t* CairoCanvas::exchange_surface(cairo_surface_t* next) {
    cairo_surface_flush(target_);
    cairo_surface_t* drawn = target_;
    cairo_destroy(cr_);
    target_ = next;
    cr_ = cairo_create(target_);
    return drawn;
}
