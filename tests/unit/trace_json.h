// The host's trace as a test reads it: every record written as its JSON line and parsed
// back, so that tests ask for fields ("id", "call", ...) rather than search the text.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "host/trace/trace.h"

using Json = nlohmann::json;
using Records = std::vector<Json>;

// The records with this op (every record for an empty op), in order.
inline Records trace_records(const Trace& trace, std::string_view op = {}) {
    Records out;
    for (size_t i = 0; i < trace.size(); ++i) {
        Json record = Json::parse(trace.line(i));
        if (op.empty() || record["op"] == op) out.push_back(std::move(record));
    }
    return out;
}

// Position of the first record for which the predicate holds, or -1.
template <class Predicate>
int first_record(const Records& records, Predicate holds) {
    for (size_t i = 0; i < records.size(); ++i)
        if (holds(records[i])) return static_cast<int>(i);
    return -1;
}
