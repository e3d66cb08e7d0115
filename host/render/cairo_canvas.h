// A canvas that draws with cairo into an image and writes it as PNG.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/render/canvas.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

class CairoCanvas : public Canvas {
public:
    // A picture of width x height pixels filled with the background colour (0xRRGGBB).
    CairoCanvas(int width, int height, uint32_t background = 0x1C1C1C);
    // A picture with an alpha channel, all see-through until drawn on (pictures laid
    // over others, as the live page lays each gauge over its window).
    struct Transparent {};
    CairoCanvas(int width, int height, Transparent);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    void begin_window(const WindowFrame& window) override;
    void end_window() override;
    void begin_gauge(const GaugeFrame& gauge) override;
    void end_gauge() override;
    void bitmap(const BitmapDraw& draw) override;
    void text(const TextDraw& draw) override;
    void placeholder(const PlaceholderDraw& draw) override;

    // Writes the picture; false with an error about the file when that fails.
    bool write_png(const std::string& path, Diagnostics& diagnostics);
    // The picture's surface (to be written elsewhere once drawn: take a reference).
    cairo_surface_t* surface() const { return target_; }
    // The picture as PNG bytes (RGBA), appended to out; false when encoding fails. level:
    // 1 (fastest, what the live page sends) to 12 (smallest).
    bool encode_png(std::string& out, int level = 1);
    // A part of the picture the same way; false when the box is not inside it.
    struct PixelBox {
        int x = 0, y = 0, w = 0, h = 0;
    };
    bool encode_png(std::string& out, int level, PixelBox box);
    int width() const;
    int height() const;
    // Row y of the picture: premultiplied ARGB pixels (for comparing two pictures).
    const uint32_t* row(int y);
    // Makes the whole picture see-through again (a transparent canvas) or black.
    void clear_to_transparent();
    // The colour of one pixel of the picture, 0xRRGGBB (for tests).
    uint32_t pixel(int x, int y);
    // Fills the whole picture with the background colour again, keeping the bitmaps'
    // surfaces for the next drawing (a recording draws every frame on one canvas).
    void clear(uint32_t background = 0x1C1C1C);
    // The picture as cairo holds it (RGB24), flushed, for copying out frame by frame.
    cairo_surface_t* surface();
    // Draws from now on into next (an image surface of the picture's size and format;
    // its reference passes to the canvas) and gives back the surface drawn so far,
    // flushed (its reference passes to the caller), keeping the bitmaps' surfaces: a
    // recording draws the next picture while its writer still reads the last.
    cairo_surface_t* exchange_surface(cairo_surface_t* next);
    // What cairo refused to draw (a value out of its range, say), one line each: the
    // window or gauge and cairo's reason. The drawing went on after each.
    const std::vector<std::string>& problems() const { return problems_; }

private:
    cairo_surface_t* surface_for(const Bitmap& bitmap, bool black_transparent, bool dim);
    // The mask's coverage: opaque where its pixel is not pure black. Made once a bitmap.
    cairo_surface_t* mask_for(const Bitmap& mask);
    // After every drawing call: when cairo has gone into its error state (where it draws
    // nothing more), notes the problem and starts a fresh context in the same window
    // and gauge, so the rest of the picture is still drawn.
    void recover();
    // The window and gauge being drawn, for problems.
    std::string where() const;
    void enter_window();
    void enter_gauge();

    cairo_surface_t* target_;
    cairo_t* cr_;
    std::map<std::tuple<const Bitmap*, bool, bool>, cairo_surface_t*> surfaces_;
    std::map<const Bitmap*, cairo_surface_t*> masks_;
    double scale_ = 1.0;                 // the current gauge's scale, for choosing the filter
    std::optional<WindowFrame> window_;  // the window and gauge being drawn, to recover into
    std::optional<GaugeFrame> gauge_;
    bool skipping_ = false;  // the current gauge cannot be drawn (see begin_gauge)
    std::vector<std::string> problems_;
};
