// The host's trace as the live page keeps it: the newest lines (LIVE_TRACE_KEPT at
// least), numbered from 1, each with the gauge whose call it belongs to. Lines are kept
// as the host recorded them, in its batches: JSON is made only for a tab that asks.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "host/trace/trace.h"

class GaugeHost;

// Trace lines kept for the page.
inline constexpr size_t LIVE_TRACE_KEPT = 2000;

// One line of the host's trace, numbered, with the gauge whose call it belongs to.
struct TraceLine {
    uint64_t seq = 0;
    std::string gauge;
    std::string json;
};

class TraceRing {
public:
    // gauges: the names of the placements a line may belong to.
    explicit TraceRing(std::vector<std::string> gauges = {}) : gauges_(std::move(gauges)) {}

    // Names more placements lines may belong to (a panel read again); the lines kept
    // keep the gauges they had.
    void add_gauges(const std::vector<std::string>& names);
    // Moves what the host has traced since the last take into the ring.
    void take(GaugeHost& host);
    // Lines after seq, of one gauge (empty: all), at most limit of the newest.
    std::vector<TraceLine> after(uint64_t seq, const std::string& gauge, size_t limit) const;
    uint64_t last_seq() const { return seq_; }

private:
    // 1 + the index in gauges_ of that name, 0 for none; guess first.
    uint16_t gauge_number(std::string_view name, uint16_t guess) const;

    struct KeptBatch {
        TraceBatch entries;
        uint64_t first_seq = 0;       // the number of its first entry
        std::vector<uint16_t> gauge;  // per entry: 1 + the index in gauges_, 0 for none
    };
    std::vector<std::string> gauges_;
    std::deque<KeptBatch> kept_;
    std::vector<KeptBatch> spare_;  // emptied batches, their memory kept
    size_t lines_kept_ = 0;         // records in kept_
    uint64_t seq_ = 0;
};
