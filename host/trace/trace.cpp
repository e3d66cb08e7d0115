// Trace records, and their JSON lines.
#include "host/trace/trace.h"

#include <cstdlib>

#include "host/trace/json_writer.h"

TraceField& TraceEntry::field(const char* key, TraceType type) {
    if (record_->count == kTraceFields) std::abort();  // a record with more fields than kTraceFields allows
    TraceField& f = record_->fields[record_->count++];
    f.key = key;
    f.type = type;
    f.text_size = 0;
    return f;
}

void TraceEntry::add_text(const char* key, std::string_view value) {
    TraceField& f = field(key, TraceType::text);
    f.text_at = trace_->texts_.size();
    f.text_size = static_cast<uint32_t>(value.size());
    trace_->texts_.append(value);
}

TraceEntry Trace::start(const char* op) {
    TraceRecord& record = records_.emplace_back();
    record.op = op;
    record.count = 0;
    return {this, &record};
}

size_t Trace::count(std::string_view op) const {
    size_t n = 0;
    for (const TraceRecord& record : records_)
        if (op == record.op) ++n;
    return n;
}

std::string_view Trace::text_field(size_t i, std::string_view key) const {
    const TraceRecord& record = records_[i];
    for (int k = 0; k < record.count; ++k)
        if (record.fields[k].type == TraceType::text && key == record.fields[k].key) return text(record.fields[k]);
    return {};
}

void Trace::clear() {
    records_.clear();
    texts_.clear();
}

void Trace::write_line(size_t i, std::string& out) const {
    const TraceRecord& record = records_[i];
    JsonWriter json(out);
    json.begin_object().text("op", record.op);
    for (int k = 0; k < record.count; ++k) {
        const TraceField& f = record.fields[k];
        json.key(f.key);
        switch (f.type) {
            case TraceType::integer: json.num(f.integer); break;
            case TraceType::real: json.real(f.real); break;
            case TraceType::text: json.text(text(f)); break;
            case TraceType::hex: json.hex(static_cast<uint32_t>(f.integer)); break;
        }
    }
    json.end_object();
}

std::string Trace::line(size_t i) const {
    std::string out;
    write_line(i, out);
    return out;
}

std::string Trace::joined() const {
    std::string out;
    for (size_t i = 0; i < records_.size(); ++i) {
        write_line(i, out);
        out += '\n';
    }
    return out;
}

std::string TraceBatch::line(size_t i) const {
    return i < records.size() ? records.line(i) : lines[i - records.size()];
}

std::string_view TraceBatch::gauge(size_t i) const {
    return i < records.size() ? records.text_field(i, "gauge") : std::string_view(line_gauges[i - records.size()]);
}

void TraceBatch::clear() {
    records.clear();
    lines.clear();
    line_gauges.clear();
}
