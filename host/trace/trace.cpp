// Trace records, and their JSON lines.
#include "host/trace/trace.h"

#include <cstdlib>
#include <ostream>

#include "host/trace/json_writer.h"

TraceField& TraceEntry::field(TraceName key, TraceType type) {
    if (record_->count == kTraceFields) std::abort();  // a record with more fields than kTraceFields allows
    TraceField& f = record_->fields[record_->count++];
    f.key = key.text;
    f.key_size = key.size;
    f.type = type;
    f.text_size = 0;
    return f;
}

void TraceEntry::add_text(TraceName key, std::string_view value) {
    TraceField& f = field(key, TraceType::text);
    f.text_at = trace_->texts_.size();
    f.text_size = static_cast<uint32_t>(value.size());
    trace_->texts_.append(value);
}

TraceEntry Trace::start(TraceName op) {
    TraceRecord& record = records_.emplace_back();
    record.op = op.text;
    record.op_size = op.size;
    record.count = 0;
    return {this, &record};
}

size_t Trace::count(std::string_view op) const {
    size_t n = 0;
    for (const TraceRecord& record : records_)
        if (op == std::string_view(record.op, record.op_size)) ++n;
    return n;
}

std::string_view Trace::text_field(size_t i, std::string_view key) const {
    const TraceRecord& record = records_[i];
    for (int k = 0; k < record.count; ++k)
        if (record.fields[k].type == TraceType::text &&
            key == std::string_view(record.fields[k].key, record.fields[k].key_size))
            return text(record.fields[k]);
    return {};
}

void Trace::clear() {
    records_.clear();
    texts_.clear();
}

// The line as the one JSON writer would make it ({"op":...,"key":value,...}), written
// straight: ops and keys are plain literals of known length, which need no quoting.
void Trace::write_line(size_t i, std::string& out) const {
    const TraceRecord& record = records_[i];
    out.append("{\"op\":\"", 7);
    out.append(record.op, record.op_size);
    out += '"';
    for (int k = 0; k < record.count; ++k) {
        const TraceField& f = record.fields[k];
        out.append(",\"", 2);
        out.append(f.key, f.key_size);
        out.append("\":", 2);
        switch (f.type) {
            case TraceType::integer: append_integer(out, f.integer); break;
            case TraceType::real: append_real(out, f.real); break;
            case TraceType::text: append_json_quoted(out, text(f)); break;
            case TraceType::hex: append_hex(out, static_cast<uint32_t>(f.integer)); break;
        }
    }
    out += '}';
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

void Trace::write(std::ostream& out) const {
    constexpr size_t kChunk = 64 * 1024;
    std::string lines;
    lines.reserve(kChunk + 4096);
    for (size_t i = 0; i < records_.size(); ++i) {
        write_line(i, lines);
        lines += '\n';
        if (lines.size() >= kChunk) {
            out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
            lines.clear();
        }
    }
    out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
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
