// Fuzzes the lookup of panel windows' background bitmaps: any panel.cfg text, read as
// if it lay in a folder of bitmaps named in mixed case (some sound, some broken, one a
// folder, one claiming more pixels than are taken), with folders above it. Whatever the
// names, a bitmap found is a file whose every part matches the name without regard to
// case, a picture taken is within the size limit, and every message names the panel
// and a line of it.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/panel/geometry.h"
#include "host/panel/panel_config.h"
#include "host/panel/text.h"
#include "host/render/panel_bitmaps.h"

namespace fs = std::filesystem;

namespace {

fs::path panel_folder;  // .../up1/up2/Panel, with the panel.cfg "in" it

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "backgrounds_fuzz: %s\n", what.c_str());
    std::abort();
}

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A 24-bit BMP file of width x height (its header may claim more than its rows hold).
std::string bmp(uint32_t width, uint32_t height, size_t rows_written) {
    const uint32_t stride = (width * 3 + 3) & ~3u;
    std::string out = "BM";
    put32(out, 54 + stride * height);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, 24);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (size_t row = 0; row < rows_written; ++row)
        for (uint32_t x = 0; x < stride; ++x) out += static_cast<char>((row * 31 + x * 7) & 0xFF);
    return out;
}

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

size_t line_count(const std::string& text) {
    size_t lines = 1;
    // A line ends at LF, CR LF or a lone CR, as the reader reads them.
    for (size_t i = 0; i < text.size(); ++i)
        lines += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) ? 1 : 0;
    return lines;
}

// The last part of a name with '/' or '\' between its parts.
std::string last_part(const std::string& name) {
    std::string part, last;
    for (const char c : name + "/") {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != "." && part != "..") last = part;
            part.clear();
        } else {
            part += c;
        }
    }
    return last;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/backgrounds_fuzz.XXXXXX";
    if (!mkdtemp(folder)) fail("cannot make a working folder");
    const fs::path root(folder);
    panel_folder = root / "up1" / "up2" / "Panel";
    write(panel_folder / "Main.BMP", bmp(6, 4, 4));
    write(panel_folder / "main_night.bmp", bmp(3, 2, 2));
    write(panel_folder / "Short.bmp", bmp(40, 40, 3));
    write(panel_folder / "Huge.bmp", bmp(100000, 100000, 1));
    write(panel_folder / "Empty.bmp", "");
    write(panel_folder / "Text.bmp", "not a bitmap\n");
    write(panel_folder / "Sub" / "Deep" / "Gauge.Bmp", bmp(5, 5, 5));
    write(root / "up1" / "up2" / "Above.bmp", bmp(2, 2, 2));
    write(root / "up1" / "Far.BMP", bmp(1, 1, 1));
    fs::create_directories(panel_folder / "Folder.bmp");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string source = (panel_folder / "panel.cfg").string();
    Diagnostics messages;
    const PanelConfig panel = parse_panel_config(text, source, messages);
    const PanelBackgrounds backgrounds(panel, 1024, messages);

    const size_t lines = line_count(text);
    for (const Diagnostic& item : messages.items())
        if (item.file != source || item.line <= 0 || static_cast<size_t>(item.line) > lines)
            fail("a message on no line of the panel: " + item.str());
    for (const PanelWindow& window : panel.windows) {
        const BitmapName* name = background_name(window, 1024);
        const std::string found = name ? find_beside(source, name->name) : "";
        if (!found.empty()) {
            std::error_code code;
            if (fs::is_directory(found, code)) fail("found a name that is a folder: " + found);
            if (lower(fs::path(found).filename().string()) != lower(last_part(name->name)))
                fail("\"" + name->name + "\" found as " + found);
        }
        if (const Bitmap* bitmap = backgrounds.find(window.index)) {
            if (found.empty()) fail("a background for a window whose bitmap was not found");
            if (bitmap->width <= 0 || bitmap->height <= 0 ||
                static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height) > BACKGROUND_MAX_PIXELS ||
                bitmap->pixels.size() != static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height))
                fail("a background of " + std::to_string(bitmap->width) + " x " + std::to_string(bitmap->height));
        }
    }
    return 0;
}
