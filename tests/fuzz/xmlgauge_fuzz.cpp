// Fuzzes the XML gauge reader: any bytes are read into a gauge within the bounds of depth
// and count, or refused with at least one error naming the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/xml/xml_gauge.h"

namespace {

size_t count(const std::vector<xmlgauge::Element>& elements, int depth) {
    if (depth > xmlgauge::kMaxDepth + 1) {
        std::fprintf(stderr, "xmlgauge_fuzz: elements nested %d deep\n", depth);
        std::abort();
    }
    size_t n = elements.size();
    for (const auto& e : elements) {
        n += count(e.children, depth + 1);
        for (const auto& c : e.cases) n += count(c.content.children, depth + 2);
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    xmlgauge::Gauge gauge;
    Diagnostics diagnostics;
    if (!xmlgauge::read_gauge(bytes, "fuzz.xml", gauge, diagnostics)) {
        if (diagnostics.ok()) {
            std::fprintf(stderr, "xmlgauge_fuzz: refused without an error\n");
            std::abort();
        }
        return 0;
    }
    if (count(gauge.elements, 1) > static_cast<size_t>(xmlgauge::kMaxNodes)) {
        std::fprintf(stderr, "xmlgauge_fuzz: more elements than the bound\n");
        std::abort();
    }
    return 0;
}
