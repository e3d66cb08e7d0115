// libFuzzer target: the registration plate placed with any parameter string and drawn.
// The plate may write only the host's text buffer (AddressSanitizer guards it: the host
// gives it char_count + 1 bytes), the parameter string itself (guarded the same way,
// and it may only end earlier), and font_name and text_colour of its string record;
// the target compares every other byte of the plate's records before and after.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/core/panel_host.h"

namespace {

PanelHost& loaded_host() {
    static PanelHost* host = [] {
        auto* made = new PanelHost;
        Diagnostics error;
        if (!made->load_module(TARVOLEN_MODULE_PATH, error)) {
            std::fprintf(stderr, "plate_fuzz: %s\n", error.errors().front().c_str());
            std::abort();
        }
        return made;
    }();
    return *host;
}

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "plate_fuzz: %s\n", what);
    std::abort();
}

template <class Record>
void copy_bytes(Record& to, const Record& from) {
    std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), sizeof(Record));
}

template <class Record>
bool same_bytes(const Record& a, const Record& b) {
    return std::memcmp(static_cast<const void*>(&a), static_cast<const void*>(&b), sizeof(Record)) == 0;
}

// The string may only have lost its tail: the same bytes up to a zero written into it.
bool only_ended_earlier(const std::string& given, const std::vector<char>& now) {
    if (now.size() != given.size() + 1 || now.back() != '\0') return false;
    size_t changed = 0;
    for (size_t i = 0; i < given.size(); ++i)
        if (now[i] != given[i] && (now[i] != '\0' || ++changed > 1)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PanelHost& host = loaded_host();
    const char* text = reinterpret_cast<const char*>(data);
    const std::string parameters(text, strnlen(text, size));

    GaugeHeader* gauge = host.find_gauge("Registration");
    ElementHeader* root = *gauge->elements;
    auto* plate = reinterpret_cast<StringElement*>(root->children[0]);
    StaticImage background_before;
    StringElement plate_before;
    copy_bytes(background_before, *reinterpret_cast<StaticImage*>(root));
    copy_bytes(plate_before, *plate);
    // The host marks drawn elements as on screen; that bit is the host's.
    background_before.header.image_flags |= IMAGE_ON_SCREEN;
    plate_before.header.image_flags |= IMAGE_ON_SCREEN;

    Diagnostics error;
    const int id = host.place("Registration", parameters, error);
    check(id >= 0, "the module has no Registration gauge");
    host.frame(id);
    const Placement* placed = host.placement(id);

    check(placed->elements.at(1).text.size() <= plate->char_count, "text longer than char_count");
    check(only_ended_earlier(parameters, *placed->parameters), "parameter string changed beyond ending it");
    check(std::memchr(plate->font_name, '\0', sizeof(plate->font_name)) != nullptr, "font_name not terminated");

    StringElement plate_after;
    copy_bytes(plate_after, *plate);
    std::memcpy(plate_after.font_name, plate_before.font_name, sizeof(plate_after.font_name));
    plate_after.text_colour = plate_before.text_colour;
    plate_after.text = plate_before.text;  // the host hands its buffer in here
    check(same_bytes(plate_after, plate_before), "string record written outside font_name and text_colour");
    check(same_bytes(*reinterpret_cast<StaticImage*>(root), background_before), "plate background written");
    check(host.errors().empty(), "host fault");

    host.remove(id);
    host.trace().clear();
    return 0;
}
