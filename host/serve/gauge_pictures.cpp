// The live page's gauge and window pictures.
#include "host/serve/gauge_pictures.h"

extern "C" {
#include <libavutil/base64.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/render/gauge_painter.h"
#include "host/render/xml_painter.h"

std::string base64(const std::string& bytes) {
    std::string out(AV_BASE64_SIZE(bytes.size()), '\0');
    av_base64_encode(out.data(), static_cast<int>(out.size()), reinterpret_cast<const uint8_t*>(bytes.data()),
                     static_cast<int>(bytes.size()));
    out.resize(out.size() - 1);  // the encoder's closing NUL
    return out;
}

std::string straight_rgba(CairoCanvas& canvas, CairoCanvas::PixelBox box) {
    std::string out(static_cast<size_t>(box.w) * static_cast<size_t>(box.h) * 4, '\0');
    auto* to = reinterpret_cast<uint8_t*>(out.data());
    const auto straight = [](uint32_t channel, uint32_t alpha) {
        return static_cast<uint8_t>(alpha == 0 ? 0 : (channel * 255 + alpha / 2) / alpha);
    };
    for (int y = box.y; y < box.y + box.h; ++y) {
        const uint32_t* row = canvas.row(y);
        for (int x = box.x; x < box.x + box.w; ++x, to += 4) {
            const uint32_t argb = row[x], a = argb >> 24;
            to[0] = straight(argb >> 16 & 0xFF, a);
            to[1] = straight(argb >> 8 & 0xFF, a);
            to[2] = straight(argb & 0xFF, a);
            to[3] = static_cast<uint8_t>(a);
        }
    }
    return out;
}

void place_view(GaugeView& view, double x, double y, double sx, double sy) {
    const int given_w = view.xml ? view.xml->w : view.placement->w;
    const int given_h = view.xml ? view.xml->h : view.placement->h;
    const double scale = given_w > 0 && view.face_w > 0 ? static_cast<double>(given_w) / view.face_w : 1.0;
    const double units_w = given_w > 0 ? given_w : view.face_w;
    const double units_h = given_h > 0 ? given_h : view.face_h * scale;
    const int width = std::max(1, static_cast<int>(std::ceil(units_w * sx)));
    const int height = std::max(1, static_cast<int>(std::ceil(units_h * sy)));
    if (width != view.width || height != view.height || sx != view.sx || sy != view.sy) {
        // A new size: the picture is drawn again, and travels whole.
        view.canvas.reset();
        view.sent_pixels.clear();
        view.has_picture = false;
    }
    view.shown = true;
    view.x = x;
    view.y = y;
    view.sx = sx;
    view.sy = sy;
    view.width = width;
    view.height = height;
}

bool gauge_changed(GaugeView& view, bool night) {
    view.scratch.clear();
    view.scratch_text.clear();
    view.scratch.push_back(night ? 1.0 : 0.0);
    if (view.xml)
        for (const XmlNode& node : view.xml->nodes)
            view.scratch.insert(view.scratch.end(),
                                {node.shown ? 1.0 : 0.0, node.number, static_cast<double>(node.chosen)});
    else
        for (const ElementState& state : view.placement->elements) {
            const ElementHeader& e = *state.element;
            view.scratch.insert(view.scratch.end(), {static_cast<double>(e.kind), static_cast<double>(e.bitmap_id),
                                                     static_cast<double>(e.image_flags), state.value, state.value_x,
                                                     state.value_y, state.angle});
            view.scratch_text += state.text;
            view.scratch_text += '\x1f';
        }
    const bool same = view.has_picture && view.scratch.size() == view.drawn.size() &&
                      std::memcmp(view.scratch.data(), view.drawn.data(), view.drawn.size() * sizeof(double)) == 0 &&
                      view.scratch_text == view.drawn_text;
    if (same) return false;
    view.drawn.swap(view.scratch);
    view.drawn_text.swap(view.scratch_text);
    return true;
}

namespace {

// The smallest box holding every pixel of the canvas that differs from before (the
// canvas's size); the whole canvas when before is not that size, empty when none differ.
CairoCanvas::PixelBox changed_box(CairoCanvas& canvas, const std::vector<uint32_t>& before) {
    const int w = canvas.width(), h = canvas.height();
    if (before.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) return {0, 0, w, h};
    int left = w, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const uint32_t* now = canvas.row(y);
        const uint32_t* then = before.data() + static_cast<ptrdiff_t>(y) * w;
        if (std::memcmp(now, then, static_cast<size_t>(w) * sizeof(uint32_t)) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        int x0 = 0, x1 = w - 1;
        while (now[x0] == then[x0]) ++x0;
        while (now[x1] == then[x1]) --x1;
        left = std::min(left, x0);
        right = std::max(right, x1);
    }
    if (top < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace

void draw_gauge(GaugeView& view, ModuleBitmaps& bitmaps, bool night) {
    if (!view.canvas) view.canvas = std::make_unique<CairoCanvas>(view.width, view.height, CairoCanvas::Transparent{});
    CairoCanvas& canvas = *view.canvas;
    canvas.clear_to_transparent();
    if (view.xml) {
        paint_xml_gauge(*view.xml, canvas, 0, 0, view.sx, view.sy, night);
    } else {
        GaugePainter painter(bitmaps, canvas, {.night = night});
        painter.paint(*view.placement, 0, 0, view.sx, view.sy);
    }
    view.has_picture = true;
    const CairoCanvas::PixelBox box = changed_box(canvas, view.sent_pixels);
    if (box.w == 0) return;  // new element states, the same pixels: nothing to send
    const int w = canvas.width(), h = canvas.height();
    view.sent_pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(view.sent_pixels.data() + static_cast<ptrdiff_t>(y) * w, canvas.row(y),
                    static_cast<size_t>(w) * sizeof(uint32_t));
    view.patch = box;
    view.patch_raw = box.w * box.h <= kMostRawPatchPixels;
    if (view.patch_raw) {
        view.patch_base64 = base64(straight_rgba(canvas, box));
        view.whole_stale = true;
    } else {
        std::string png;
        canvas.encode_png(png, 1, box);
        view.patch_base64 = base64(png);
        view.whole_stale = box.w != w || box.h != h;
        if (!view.whole_stale) view.png_base64 = view.patch_base64;
    }
    ++view.version;
    view.unsent = true;
}

const std::string& whole_picture(GaugeView& view) {
    if (view.whole_stale) {
        std::string png;
        view.canvas->encode_png(png, 1);
        view.png_base64 = base64(png);
        view.whole_stale = false;
    }
    return view.png_base64;
}

void draw_window(WindowPicture& picture, ModuleBitmaps& bitmaps, bool night) {
    const int band = static_cast<int>(WINDOW_TITLE_BAND);
    CairoCanvas canvas(picture.width, picture.height + band);
    // The window as render draws it (title, background, other modules' placeholders),
    // without the gauges.
    PanelWindowView bare = picture.view;
    bare.gauges.clear();
    bare.xml_gauges.clear();
    PanelLayout alone;
    alone.width = picture.width;
    alone.height = picture.height + band;
    alone.areas = {{0, WINDOW_TITLE_BAND, static_cast<double>(picture.width), static_cast<double>(picture.height)}};
    alone.order = {0};
    paint_panel({bare}, alone, bitmaps, canvas, {.night = night});
    std::string png;
    canvas.encode_png(png);
    picture.png_base64 = base64(png);
    picture.night = night;
    picture.has_picture = true;
    ++picture.version;
    picture.unsent = true;
}
