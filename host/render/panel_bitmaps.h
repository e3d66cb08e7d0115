// The background bitmaps of a panel's windows: found beside the panel.cfg with each
// part of the name matched without regard to case (as Windows finds files), read and
// decoded (8- and 24-bit BMP, and the other uncompressed depths). A bitmap that is
// missing, not a regular file or cannot be decoded is a note naming the file and the
// line that names it. Each file is decoded once, however many windows use it (found by
// the file's identity, whatever name reaches it), and its windows share the one picture,
// so that drawing them makes one surface of it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "host/base/diagnostics.h"
#include "host/panel/panel_config.h"
#include "host/render/bitmap.h"

// The largest background file and picture taken.
inline constexpr size_t BACKGROUND_MAX_BYTES = 64u << 20;
inline constexpr size_t BACKGROUND_MAX_PIXELS = size_t{8192} * 4096;

// The path of name (a relative path with '/' or '\' between its parts) in the folder
// of panel_path, each part matched without case; empty when there is none or it is a
// folder.
std::string find_beside(const std::string& panel_path, const std::string& name);

// Reads and decodes a BMP file; false with error saying why (without the file name).
bool read_bmp_file(const std::string& path, Bitmap& out, std::string& error);

class PanelBackgrounds {
public:
    // Loads the bitmap each window uses on a screen screen_width pixels wide.
    PanelBackgrounds(const PanelConfig& panel, int screen_width, Diagnostics& diagnostics);
    // The window's background (by window number), or null.
    const Bitmap* find(int window_index) const;

private:
    std::map<int, std::shared_ptr<const Bitmap>> bitmaps_;                          // by window number
    std::map<std::pair<uint64_t, uint64_t>, std::shared_ptr<const Bitmap>> files_;  // by device and inode
};
