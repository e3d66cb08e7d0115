// The live page's pictures: one per shown gauge, drawn again only when its elements
// changed and sent as the box of pixels that changed (a patch), and one per open window
// (its title, background and other modules' placeholders, without the gauges: those lie
// over it, each a picture of its own). Pictures travel as base64 PNG, except a small
// change, which travels as its straight RGBA pixels: the page puts them on its canvas at
// once, where a PNG waits for the browser's decoder (15 ms and more in Chromium).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/core/panel_host.h"
#include "host/render/cairo_canvas.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_picture.h"
#include "host/xml/xml_panel.h"

// A gauge as the page shows it: one of the module's placements, or an XML gauge of
// another author.
struct GaugeView {
    Placement* placement = nullptr;  // null for an XML gauge
    const XmlPlacement* xml = nullptr;
    int placement_id = 0;        // the page's id of the gauge: the placement's, or the XML gauge's; it tells a new
                                 // placement at a removed one's address apart
    int face_w = 0, face_h = 0;  // the face bitmap's pixels (click units)
    int width = 1, height = 1;   // the picture's pixels, as the panel places it
    bool shown = false;          // in an open window
    double x = 0, y = 0;         // where the picture lies in the panel picture
    double sx = 1, sy = 1;       // the window's pixels per unit of gauge position
    std::vector<double> drawn;   // the element states the picture shows
    std::string drawn_text;
    std::vector<double> scratch;
    std::string scratch_text;
    bool has_picture = false;
    uint64_t version = 0;
    bool unsent = false;
    std::unique_ptr<CairoCanvas> canvas;
    // What the tabs have: the pixels of the newest version; the last change as a patch
    // (the box of pixels that changed, as a PNG, or as raw pixels when it is small), and
    // the whole picture, made when a new tab needs it.
    std::vector<uint32_t> sent_pixels;
    CairoCanvas::PixelBox patch;
    std::string patch_base64;
    bool patch_raw = false;  // patch_base64 holds straight RGBA pixels, row by row, not a PNG
    std::string png_base64;
    bool whole_stale = true;
};

struct WindowPicture {
    PanelWindowView view;
    int width = 0, height = 0;  // the content area
    bool night = false;
    bool has_picture = false;
    uint64_t version = 0;
    bool unsent = false;
    std::string png_base64;
};

// Puts the gauge's picture at (x, y) of the panel picture, its window drawn at sx, sy
// pixels per unit; a new size starts the picture again, to travel whole.
void place_view(GaugeView& view, double x, double y, double sx, double sy);
// Whether the gauge's element states (or the night) differ from what its picture shows;
// when they do, they are taken as what it will show.
bool gauge_changed(GaugeView& view, bool night);
// A change of at most this many pixels travels raw (64 KB before base64).
inline constexpr int kMostRawPatchPixels = 128 * 128;

// Draws the gauge and keeps the change as a patch, a new version, when any pixel moved.
void draw_gauge(GaugeView& view, ModuleBitmaps& bitmaps, bool night);
// The newest picture whole, for a tab that has none (encoded when it is stale).
const std::string& whole_picture(GaugeView& view);
void draw_window(WindowPicture& picture, ModuleBitmaps& bitmaps, bool night);

// The box of the canvas as straight (not premultiplied) RGBA bytes, row by row, as a
// browser's ImageData holds them; colours rounded as the PNG writer rounds them.
std::string straight_rgba(CairoCanvas& canvas, CairoCanvas::PixelBox box);
// The bytes as base64 text, padded.
std::string base64(const std::string& bytes);
