// Finding and reading the background bitmaps of panel windows.
#include "host/render/panel_bitmaps.h"

#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "host/base/input_file.h"
#include "host/panel/geometry.h"
#include "host/panel/text.h"

namespace fs = std::filesystem;

namespace {

// The entry of folder whose name equals part without regard to case (an exact match
// first); empty when none.
fs::path entry_in(const fs::path& folder, const std::string& part) {
    std::error_code code;
    if (fs::exists(folder / part, code)) return folder / part;
    const std::string wanted = lower(part);
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
        if (lower(it->path().filename().string()) == wanted) return it->path();
    return {};
}

}  // namespace

std::string find_beside(const std::string& panel_path, const std::string& name) {
    fs::path at = fs::path(panel_path).parent_path();
    if (at.empty()) at = ".";
    std::string part;
    const std::string text = name + "/";
    for (const char c : text) {
        if (c != '/' && c != '\\') {
            part += c;
            continue;
        }
        if (part.empty() || part == ".") {
            part.clear();
            continue;
        }
        at = part == ".." ? at / ".." : entry_in(at, part);
        if (at.empty()) return "";
        part.clear();
    }
    // A FIFO or a device of that name is found, for the reading to refuse it by kind.
    std::error_code code;
    return fs::exists(at, code) && !fs::is_directory(at, code) ? at.string() : "";
}

bool read_bmp_file(const std::string& path, Bitmap& out, std::string& error) {
    std::vector<uint8_t> data;
    if (!read_input_file(path, InputFile{"bitmap", BACKGROUND_MAX_BYTES}, data, error)) return false;
    return decode_bmp(data.data(), data.size(), out, error, BACKGROUND_MAX_PIXELS);
}

PanelBackgrounds::PanelBackgrounds(const PanelConfig& panel, int screen_width, Diagnostics& diagnostics) {
    for (const PanelWindow& window : panel.windows) {
        const BitmapName* name = background_name(window, screen_width);
        if (!name) continue;
        const std::string path = find_beside(panel.source, name->name);
        if (path.empty()) {
            diagnostics.note(panel.source, name->line,
                             "background bitmap \"" + name->name + "\" not found beside the panel.cfg; " +
                                 window_label(window) + " is drawn without it");
            continue;
        }
        struct stat file {};
        const bool known = stat(path.c_str(), &file) == 0;
        const std::pair<uint64_t, uint64_t> identity{file.st_dev, file.st_ino};
        if (known) {
            const auto read = files_.find(identity);
            if (read != files_.end()) {
                bitmaps_[window.index] = read->second;
                continue;
            }
        }
        auto bitmap = std::make_shared<Bitmap>();
        std::string error;
        if (!read_bmp_file(path, *bitmap, error)) {
            diagnostics.note(
                panel.source, name->line,
                "background bitmap " + path + ": " + error + "; " + window_label(window) + " is drawn without it");
            continue;
        }
        if (known) files_[identity] = bitmap;
        bitmaps_[window.index] = std::move(bitmap);
    }
}

const Bitmap* PanelBackgrounds::find(int window_index) const {
    const auto it = bitmaps_.find(window_index);
    return it == bitmaps_.end() ? nullptr : it->second.get();
}
