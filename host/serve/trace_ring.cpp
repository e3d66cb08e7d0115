// The live page's trace ring.
#include "host/serve/trace_ring.h"

#include <algorithm>

#include "host/core/gauge_host.h"

namespace {

const std::string kNoGauge;

}  // namespace

void TraceRing::add_gauges(const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (std::find(gauges_.begin(), gauges_.end(), name) == gauges_.end()) gauges_.push_back(name);
}

uint16_t TraceRing::gauge_number(std::string_view name, uint16_t guess) const {
    if (guess > 0 && guess <= gauges_.size() && gauges_[guess - 1] == name) return guess;
    for (size_t i = 0; i < gauges_.size(); ++i)
        if (gauges_[i] == name) return static_cast<uint16_t>(i + 1);
    return 0;
}

void TraceRing::take(GaugeHost& host) {
    KeptBatch batch;
    if (!spare_.empty()) {
        batch = std::move(spare_.back());
        spare_.pop_back();
    }
    host.take_trace(batch.entries);  // the host records into the emptied one next
    if (batch.entries.size() == 0) {
        spare_.push_back(std::move(batch));
        return;
    }
    batch.first_seq = seq_ + 1;
    batch.gauge.clear();
    // An entry naming a gauge belongs to it, and so do the calls after it (what the
    // gauge's callback did) up to the next entry naming one.
    uint16_t current = 0;
    for (size_t i = 0; i < batch.entries.size(); ++i) {
        const std::string_view gauge = batch.entries.gauge(i);
        if (!gauge.empty()) current = gauge_number(gauge, current);
        batch.gauge.push_back(current);
    }
    seq_ += batch.entries.size();
    lines_kept_ += batch.entries.size();
    kept_.push_back(std::move(batch));
    while (lines_kept_ - kept_.front().entries.size() >= LIVE_TRACE_KEPT) {
        lines_kept_ -= kept_.front().entries.size();
        spare_.push_back(std::move(kept_.front()));
        kept_.pop_front();
    }
}

std::vector<TraceLine> TraceRing::after(uint64_t seq, const std::string& gauge, size_t limit) const {
    std::vector<TraceLine> found;
    for (auto batch = kept_.rbegin(); batch != kept_.rend() && found.size() < limit; ++batch) {
        for (size_t i = batch->entries.size(); i-- > 0 && found.size() < limit;) {
            const uint64_t number = batch->first_seq + i;
            if (number <= seq) return std::vector<TraceLine>(found.rbegin(), found.rend());
            const uint16_t owner = batch->gauge[i];
            const std::string& name = owner ? gauges_[owner - 1] : kNoGauge;
            if (!gauge.empty() && name != gauge) continue;
            found.push_back({number, name, batch->entries.line(i)});
        }
    }
    return std::vector<TraceLine>(found.rbegin(), found.rend());
}
