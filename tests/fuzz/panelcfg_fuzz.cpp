// Fuzzes the panel.cfg reader with any text: it never fails without saying where, and
// every window and gauge it reads back lies on a line of the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/panel/panel_config.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "panelcfg_fuzz: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    // A line ends at LF, CR LF or a lone CR, as the reader reads them.
    for (size_t i = 0; i < text.size(); ++i)
        lines += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) ? 1 : 0;
    Diagnostics messages;
    const PanelConfig panel = parse_panel_config(text, "fuzz.cfg", messages);
    for (const Diagnostic& item : messages.items()) {
        if (item.file != "fuzz.cfg") fail("a message that does not name the file: " + item.str());
        if (item.line <= 0 || static_cast<size_t>(item.line) > lines) fail("a message on no line: " + item.str());
    }
    for (const PanelWindow& window : panel.windows) {
        if (window.line < 0 || static_cast<size_t>(window.line) > lines) fail("a window on no line of the input");
        for (const PanelGauge& gauge : window.gauges)
            if (gauge.line <= 0 || static_cast<size_t>(gauge.line) > lines) fail("a gauge on no line of the input");
    }
    return 0;
}
