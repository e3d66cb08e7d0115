// The small drawing interface the gauge painter draws through. Two implementations:
// CairoCanvas (pixels, PNG output) and RecordingCanvas (a list of the primitives, for
// tests). Positions inside a gauge are in pixels of the gauge's face bitmap; the
// gauge frame says where the face lies on the canvas and how much it is scaled.
#pragma once

#include <cstdint>
#include <string>

#include "host/render/bitmap.h"

struct Rect {
    double x = 0, y = 0, w = 0, h = 0;
};

// One panel window: its content area on the canvas and its background colour.
struct WindowFrame {
    std::string title;
    int32_t ident = 0;
    Rect area;                       // canvas pixels
    uint32_t background = 0x303030;  // 0xRRGGBB
    bool dim = false;                // night: the window background is dimmed too
    bool titled = true;              // the title is written in the band above the area
    bool fill = true;                // the area is filled with the background colour
};

// One placed gauge: canvas pixels = origin + face pixels * scale.
struct GaugeFrame {
    std::string name;
    double x = 0, y = 0;
    double scale_x = 1, scale_y = 1;
};

// A bitmap placed so that its point (anchor_x, anchor_y) lands on (x, y) and turned
// clockwise by angle_deg about that point; drawn only inside clip when clipped, and,
// with a mask (its corner on the clip's), only where the mask's pixels are not pure black.
struct BitmapDraw {
    uint32_t id = 0;
    const Bitmap* bitmap = nullptr;
    double x = 0, y = 0;
    double anchor_x = 0, anchor_y = 0;
    double angle_deg = 0;
    bool clipped = false;
    Rect clip;
    const Bitmap* mask = nullptr;
    bool black_transparent = false;  // pure black (0, 0, 0) pixels are not drawn
    bool dim = false;                // night: the picture is dimmed
};

// Text in a box. draw_flags are the Windows text-drawing flags (0x1 centre, 0x2 right,
// 0x4 centre vertically, 0x8 bottom, 0x20 single line).
struct TextDraw {
    std::string text;
    Rect box;
    std::string font;
    uint32_t weight = 400;
    uint32_t colour = 0xFFFFFF;  // 0xRRGGBB
    bool fill_back = false;
    uint32_t back = 0;  // 0xRRGGBB
    uint32_t draw_flags = 0;
    bool dim = false;
};

// A gauge of another module, which the host cannot draw: its box with its name in it,
// or, where the panel gives it no size, a marker at its place.
struct PlaceholderDraw {
    std::string label;  // MODULE!GAUGE
    Rect box;           // canvas pixels; w and h 0 for a marker at (x, y)
    bool marker = false;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void begin_window(const WindowFrame& window) = 0;
    virtual void end_window() = 0;
    virtual void begin_gauge(const GaugeFrame& gauge) = 0;
    virtual void end_gauge() = 0;
    virtual void bitmap(const BitmapDraw& draw) = 0;
    virtual void text(const TextDraw& draw) = 0;
    virtual void placeholder(const PlaceholderDraw& draw) = 0;
};

// Height of the band above a window's area where a canvas may write its title.
inline constexpr double WINDOW_TITLE_BAND = 20.0;

// Text-drawing flags the painter and the canvases understand.
inline constexpr uint32_t TEXT_CENTRE = 0x1;
inline constexpr uint32_t TEXT_RIGHT = 0x2;
inline constexpr uint32_t TEXT_VCENTRE = 0x4;
inline constexpr uint32_t TEXT_BOTTOM = 0x8;
