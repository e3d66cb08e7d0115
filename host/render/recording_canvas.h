// A canvas that keeps the primitives it is asked to draw, for tests: which bitmap, where,
// turned how far, clipped to what, and which text.
#pragma once

#include <string>
#include <vector>

#include "host/render/canvas.h"

struct RecordedDraw {
    enum class Kind { Window, Gauge, Bitmap, Text, Placeholder };
    Kind kind = Kind::Bitmap;
    std::string gauge;  // the gauge being drawn (empty for windows)
    WindowFrame window;
    GaugeFrame frame;
    BitmapDraw bitmap;  // bitmap pointer is cleared: only the id is kept
    TextDraw text;
    PlaceholderDraw placeholder;
};

class RecordingCanvas : public Canvas {
public:
    void begin_window(const WindowFrame& window) override;
    void end_window() override {}
    void begin_gauge(const GaugeFrame& gauge) override;
    void end_gauge() override { gauge_.clear(); }
    void bitmap(const BitmapDraw& draw) override;
    void text(const TextDraw& draw) override;
    void placeholder(const PlaceholderDraw& draw) override;

    const std::vector<RecordedDraw>& draws() const { return draws_; }
    // The bitmap primitives with this id, in drawing order.
    std::vector<BitmapDraw> bitmaps(uint32_t id) const;
    std::vector<BitmapDraw> all_bitmaps() const;
    std::vector<TextDraw> texts() const;
    std::vector<PlaceholderDraw> placeholders() const;
    std::vector<WindowFrame> windows() const;
    void clear() { draws_.clear(); }
    // One line per primitive, for failure messages.
    std::string describe() const;

private:
    std::vector<RecordedDraw> draws_;
    std::string gauge_;
};
