// The recording canvas.
#include "host/render/recording_canvas.h"

#include <cstdio>

void RecordingCanvas::begin_window(const WindowFrame& window) {
    RecordedDraw draw;
    draw.kind = RecordedDraw::Kind::Window;
    draw.window = window;
    draws_.push_back(draw);
}

void RecordingCanvas::begin_gauge(const GaugeFrame& gauge) {
    gauge_ = gauge.name;
    RecordedDraw draw;
    draw.kind = RecordedDraw::Kind::Gauge;
    draw.gauge = gauge.name;
    draw.frame = gauge;
    draws_.push_back(draw);
}

void RecordingCanvas::bitmap(const BitmapDraw& bitmap) {
    RecordedDraw draw;
    draw.kind = RecordedDraw::Kind::Bitmap;
    draw.gauge = gauge_;
    draw.bitmap = bitmap;
    draw.bitmap.bitmap = nullptr;
    draws_.push_back(draw);
}

void RecordingCanvas::text(const TextDraw& text) {
    RecordedDraw draw;
    draw.kind = RecordedDraw::Kind::Text;
    draw.gauge = gauge_;
    draw.text = text;
    draws_.push_back(draw);
}

void RecordingCanvas::placeholder(const PlaceholderDraw& placeholder) {
    RecordedDraw draw;
    draw.kind = RecordedDraw::Kind::Placeholder;
    draw.placeholder = placeholder;
    draws_.push_back(draw);
}

std::vector<PlaceholderDraw> RecordingCanvas::placeholders() const {
    std::vector<PlaceholderDraw> out;
    for (const auto& draw : draws_)
        if (draw.kind == RecordedDraw::Kind::Placeholder) out.push_back(draw.placeholder);
    return out;
}

std::vector<WindowFrame> RecordingCanvas::windows() const {
    std::vector<WindowFrame> out;
    for (const auto& draw : draws_)
        if (draw.kind == RecordedDraw::Kind::Window) out.push_back(draw.window);
    return out;
}

std::vector<BitmapDraw> RecordingCanvas::bitmaps(uint32_t id) const {
    std::vector<BitmapDraw> out;
    for (const auto& draw : draws_)
        if (draw.kind == RecordedDraw::Kind::Bitmap && draw.bitmap.id == id) out.push_back(draw.bitmap);
    return out;
}

std::vector<BitmapDraw> RecordingCanvas::all_bitmaps() const {
    std::vector<BitmapDraw> out;
    for (const auto& draw : draws_)
        if (draw.kind == RecordedDraw::Kind::Bitmap) out.push_back(draw.bitmap);
    return out;
}

std::vector<TextDraw> RecordingCanvas::texts() const {
    std::vector<TextDraw> out;
    for (const auto& draw : draws_)
        if (draw.kind == RecordedDraw::Kind::Text) out.push_back(draw.text);
    return out;
}

std::string RecordingCanvas::describe() const {
    std::string out;
    char line[256];
    for (const auto& draw : draws_) {
        switch (draw.kind) {
            case RecordedDraw::Kind::Window:
                std::snprintf(line, sizeof line, "window %d \"%s\" at %g,%g %gx%g%s\n", draw.window.ident,
                              draw.window.title.c_str(), draw.window.area.x, draw.window.area.y, draw.window.area.w,
                              draw.window.area.h, draw.window.dim ? " dim" : "");
                break;
            case RecordedDraw::Kind::Gauge:
                std::snprintf(line, sizeof line, "gauge %s at %g,%g scale %g,%g\n", draw.frame.name.c_str(),
                              draw.frame.x, draw.frame.y, draw.frame.scale_x, draw.frame.scale_y);
                break;
            case RecordedDraw::Kind::Bitmap: {
                const BitmapDraw& b = draw.bitmap;
                std::snprintf(line, sizeof line, "  bitmap %u at %g,%g anchor %g,%g angle %g%s%s%s%s\n", b.id, b.x, b.y,
                              b.anchor_x, b.anchor_y, b.angle_deg, b.clipped ? " clipped" : "", b.mask ? " masked" : "",
                              b.black_transparent ? " black-transparent" : "", b.dim ? " dim" : "");
                break;
            }
            case RecordedDraw::Kind::Text:
                std::snprintf(line, sizeof line, "  text \"%s\" in %g,%g %gx%g font %s colour %06x%s\n",
                              draw.text.text.c_str(), draw.text.box.x, draw.text.box.y, draw.text.box.w,
                              draw.text.box.h, draw.text.font.c_str(), draw.text.colour, draw.text.dim ? " dim" : "");
                break;
            case RecordedDraw::Kind::Placeholder:
                std::snprintf(line, sizeof line, "  placeholder \"%s\" at %g,%g %gx%g%s\n",
                              draw.placeholder.label.c_str(), draw.placeholder.box.x, draw.placeholder.box.y,
                              draw.placeholder.box.w, draw.placeholder.box.h, draw.placeholder.marker ? " marker" : "");
                break;
        }
        out += line;
    }
    return out;
}
