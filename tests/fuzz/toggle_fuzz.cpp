// Fuzzes the toggle gauges' parameter strings through the host, the way a panel uses
// them. An input is the parameter string up to its first zero byte; the byte after that
// zero picks one of the fourteen gauges (the first when there is none). The gauge is
// placed twice with the string (installed twice) and clicked. The host keeps the string
// in a buffer of exactly its length, so a read past its terminating zero is a heap
// overflow the address sanitizer reports. Around every gauge the records it is made of
// are compared byte for byte: the module may change only the header's user_word, the
// root element's bitmap_id and the first mouse rectangle's help_id, each only to values
// the command language can give. One host without a trace serves the run, so that an
// input costs the module's work and the checks, nothing formatted as text.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/core/panel_host.h"

namespace {

const char* const kToggleNames[] = {
    "Map_Toggle",        "Kneeboard_Toggle",       "ATC_Toggle",     "Invisible_Toggle", "Radios_Toggle",
    "GPS_Toggle",        "Throttle_Toggle",        "Compass_Toggle", "Close_Subpanel",   "Left_Taxi_Toggle",
    "Right_Taxi_Toggle", "Nav_Instruments_Toggle", "Seat_Up_Toggle", "Seat_Down_Toggle",
};
constexpr int kToggleCount = 14;
static_assert(sizeof kToggleNames / sizeof kToggleNames[0] == kToggleCount);

constexpr int kMaxMouseRects = 8;
constexpr int32_t kWindow = 7;
constexpr int kButtonX = 9, kButtonY = 9;

[[noreturn]] void fail(const char* gauge, const std::string& what) {
    std::fprintf(stderr, "toggle_fuzz: %s: %s\n", gauge, what.c_str());
    std::abort();
}

// A byte copy of a gauge's records, with the words the module may write set aside.
struct Records {
    GaugeHeader header;
    StaticImage face;
    MouseRect mouse[kMaxMouseRects];
    int mouse_count;

    static Records of(const GaugeHeader* gauge) {
        Records r;
        std::memset(&r, 0, sizeof r);
        std::memcpy(&r.header, gauge, sizeof r.header);
        std::memcpy(&r.face, *gauge->elements, sizeof r.face);
        for (r.mouse_count = 0; r.mouse_count < kMaxMouseRects; ++r.mouse_count) {
            std::memcpy(&r.mouse[r.mouse_count], &gauge->mouse_rects[r.mouse_count], sizeof(MouseRect));
            if (gauge->mouse_rects[r.mouse_count].kind == MOUSE_END) break;
        }
        return r;
    }

    // The copy without the writable words (and the host's parameters word).
    Records fixed() const {
        Records r = *this;
        r.header.user_word = 0;
        r.header.parameters = nullptr;
        r.face.header.bitmap_id = 0;
        r.mouse[0].help_id = 0;
        return r;
    }
};

struct Declared {
    uint32_t bitmap_id;
    uint32_t help_id;
    bool has_callback;
};

Declared declared[kToggleCount];
GaugeHeader* gauges[kToggleCount];

bool bitmap_allowed(uint32_t id, const Declared& d) {
    if (id == d.bitmap_id) return true;
    return d.has_callback && id >= 90 && id <= 190 && id % 10 == 0;
}

bool help_allowed(uint32_t id, const Declared& d) {
    if (id == d.help_id) return true;
    return d.has_callback && (id == 0 || (id >= 43910 && id <= 43915) || id >= 40960);
}

// Puts the words the module writes back to their declared values, so that every input
// starts from the gauge as declared (the module stays loaded between inputs).
void restore(GaugeHeader* gauge, const Declared& d) {
    gauge->user_word = 0;
    (*gauge->elements)->bitmap_id = d.bitmap_id;
    gauge->mouse_rects[0].help_id = d.help_id;
}

void check_records(const char* name, const Records& before, const Records& after, const Declared& d) {
    const Records a = before.fixed(), b = after.fixed();
    if (std::memcmp(&a.header, &b.header, sizeof a.header) != 0) fail(name, "header changed beyond user_word");
    if (std::memcmp(&a.face, &b.face, sizeof a.face) != 0) fail(name, "root element changed beyond bitmap_id");
    if (a.mouse_count != b.mouse_count || std::memcmp(a.mouse, b.mouse, sizeof a.mouse) != 0)
        fail(name, "mouse rectangles changed beyond the first help_id");
    const uint32_t user_word = after.header.user_word;
    if (user_word != (d.has_callback ? 1u : 0u)) fail(name, "user_word is " + std::to_string(user_word));
    if (!bitmap_allowed(after.face.header.bitmap_id, d))
        fail(name, "bitmap_id became " + std::to_string(after.face.header.bitmap_id));
    if (!help_allowed(after.mouse[0].help_id, d))
        fail(name, "help_id became " + std::to_string(after.mouse[0].help_id));
}

std::string module_path() {
    const char* path = std::getenv("TARVOLEN_MODULE");
    return path ? path : TARVOLEN_MODULE_PATH;
}

void run_gauge(PanelHost& host, int index, const std::string& text) {
    const char* name = kToggleNames[index];
    GaugeHeader* gauge = gauges[index];
    restore(gauge, declared[index]);
    const Records before = Records::of(gauge);
    const uint64_t events_before = host.events_sent();

    Diagnostics error;
    const int first = host.place(name, text, error, kWindow);
    const int second = host.place(name, text, error, kWindow);
    if (first < 0 || second < 0) fail(name, error.errors().front());
    if (!host.click(first, kButtonX, kButtonY)) fail(name, "the button does not answer a click");
    for (const int id : {first, second}) {
        const Placement* p = host.placement(id);
        if (std::memcmp(p->parameters->data(), text.c_str(), text.size() + 1) != 0)
            fail(name, "the parameter string was written to");
    }
    host.remove(first);
    host.remove(second);

    check_records(name, before, Records::of(gauge), declared[index]);
    // Install and click: at most one event per command letter each, and 1000 for a p.
    const uint64_t events = host.events_sent() - events_before;
    if (events > 2 * text.size() + 1000) fail(name, std::to_string(events) + " events for one string");
    if (!host.errors().empty()) fail(name, "host fault: " + host.errors().front());
}

// The host of the run, made once (a host's placement ids run out after some billions
// of placements, so a fresh one is made now and then).
constexpr int kInputsPerHost = 1000000;
std::unique_ptr<PanelHost> host;
int inputs_on_host = 0;

PanelHost& fresh_host() {
    host.reset();
    host = std::make_unique<PanelHost>(HostOptions{.trace = false});
    Diagnostics error;
    if (!host->load_module(module_path(), error)) fail("module", error.errors().front());
    for (int i = 0; i < kToggleCount; ++i) {
        gauges[i] = host->find_gauge(kToggleNames[i]);
        const GaugeHeader* gauge = gauges[i];
        if (!gauge || !gauge->elements || !*gauge->elements || (*gauge->elements)->kind != ELEMENT_STATIC_IMAGE ||
            !gauge->mouse_rects)
            fail(kToggleNames[i], "not a toggle gauge's records");
    }
    inputs_on_host = 0;
    return *host;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Keeps the module loaded for the whole run: its coverage must stay where libFuzzer
    // registered it.
    if (!dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL)) fail("module", dlerror());
    fresh_host();
    for (int i = 0; i < kToggleCount; ++i)
        declared[i] = {(*gauges[i]->elements)->bitmap_id, gauges[i]->mouse_rects[0].help_id,
                       gauges[i]->gauge_callback != nullptr};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    const size_t length = strnlen(chars, size);
    const std::string text(chars, length);
    const int gauge = length + 1 < size ? data[length + 1] % kToggleCount : 0;
    PanelHost& on = ++inputs_on_host > kInputsPerHost ? fresh_host() : *host;
    run_gauge(on, gauge, text);
    return 0;
}
