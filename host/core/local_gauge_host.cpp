// The gauge host interface over a PanelHost of this process.
#include "host/core/gauge_host.h"

#include <utility>

std::vector<std::string> LocalGaugeHost::gauge_names() {
    std::vector<std::string> names;
    for (const GaugeHeader* gauge : host_.gauges()) names.emplace_back(gauge->name ? gauge->name : "");
    return names;
}

bool LocalGaugeHost::resource(uint16_t id, const char* type, std::vector<uint8_t>& bytes) {
    return host_.module() && host_.module()->resource(id, type, bytes);
}

void LocalGaugeHost::take_trace(TraceBatch& batch) {
    batch.clear();
    const bool on = host_.trace().enabled();
    std::swap(batch.records, host_.trace());
    host_.trace().set_enabled(on);
}
