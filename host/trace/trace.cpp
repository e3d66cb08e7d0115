// The trace's JSON lines, made as records are added.
#include "host/trace/trace.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "host/trace/json_writer.h"

namespace {

constexpr std::string_view kOpStart = "{\"op\":\"";
constexpr TraceName kGaugeKey = "gauge";
constexpr size_t kFirstCapacity = 64 * 1024;

}  // namespace

Trace::Trace() = default;
Trace::Trace(Trace&&) noexcept = default;
Trace& Trace::operator=(Trace&&) noexcept = default;
Trace::~Trace() = default;

char* Trace::room(size_t n) {
    if (capacity_ - size_ < n) {
        const size_t capacity = std::max({kFirstCapacity, capacity_ * 2, size_ + n});
        auto grown = std::make_unique<char[]>(capacity);
        if (size_ > 0) std::memcpy(grown.get(), text_.get(), size_);
        text_ = std::move(grown);
        capacity_ = capacity;
    }
    return text_.get() + size_;
}

// A line is always whole in the text ({"op":"NAME"}\n); each field goes in before its
// closing "}\n", so that a reader never sees half a line.
TraceEntry Trace::start(TraceName op) {
    char* out = room(kOpStart.size() + op.size + 3);
    lines_.push_back({size_, 0, 0});
    out = put_bytes(out, kOpStart);
    out = put_bytes(out, op.view());
    *out++ = '"';
    close_field(out);
    return TraceEntry(this);
}

char* Trace::open_field(TraceName key, size_t most) {
    size_ -= 2;
    char* out = room(key.size + 4 + most + 2);
    *out++ = ',';
    *out++ = '"';
    out = put_bytes(out, key.view());
    *out++ = '"';
    *out++ = ':';
    return out;
}

void Trace::close_field(char* end) {
    *end++ = '}';
    *end++ = '\n';
    size_ = static_cast<size_t>(end - text_.get());
}

// The gauge's raw name is its quoted text (from at to end) without the quotes when
// nothing in it needed an escape (an escape makes the text longer); otherwise, or when
// the line is too long to point into, the raw bytes are kept apart.
void Trace::note_gauge(std::string_view value, const char* at, const char* end) {
    Line& line = lines_.back();
    if (line.gauge_size > 0 || value.empty() || value.size() >= kAside) return;
    const size_t from_start = static_cast<size_t>(at - text_.get()) + 1 - line.start;
    if (static_cast<size_t>(end - at) == value.size() + 2 && from_start < kAside) {
        line.gauge_at = static_cast<uint32_t>(from_start);
    } else {
        if (gauges_.size() >= kAside) return;  // two gigabytes of such names since the last clear: left out
        line.gauge_at = static_cast<uint32_t>(gauges_.size()) | kAside;
        gauges_.append(value);
    }
    line.gauge_size = static_cast<uint32_t>(value.size());
}

TraceEntry& TraceEntry::num(TraceName key, int64_t value) {
    if (trace_) trace_->close_field(put_integer(trace_->open_field(key, kMostNumberBytes), value));
    return *this;
}

TraceEntry& TraceEntry::real(TraceName key, double value) {
    if (trace_) trace_->close_field(put_real(trace_->open_field(key, kMostNumberBytes), value));
    return *this;
}

TraceEntry& TraceEntry::hex(TraceName key, uint32_t value) {
    if (trace_) trace_->close_field(put_hex(trace_->open_field(key, kMostNumberBytes), value));
    return *this;
}

TraceEntry& TraceEntry::text(TraceName key, std::string_view value) {
    if (!trace_) return *this;
    char* at = trace_->open_field(key, kMostQuotedBytes(value.size()));
    if (key.view() != kGaugeKey.view()) {
        trace_->close_field(put_json_quoted(at, value));
        return *this;
    }
    char* end = trace_->put_gauge(at, value);
    trace_->note_gauge(value, at, end);
    trace_->close_field(end);
    return *this;
}

// A frame's records come gauge by gauge, several naming the same one in a row: its
// quoted name is kept and copied while the name stays the same.
char* Trace::put_gauge(char* at, std::string_view name) {
    if (name != last_gauge_) {
        last_gauge_.assign(name);
        last_quoted_.resize(kMostQuotedBytes(name.size()));
        last_quoted_.resize(static_cast<size_t>(put_json_quoted(last_quoted_.data(), name) - last_quoted_.data()));
    }
    return put_bytes(at, last_quoted_);
}

void Trace::add_line(std::string_view json, std::string_view gauge) {
    char* out = room(json.size() + 1);
    lines_.push_back({size_, 0, 0});
    out = std::copy(json.begin(), json.end(), out);
    *out = '\n';
    size_ += json.size() + 1;
    if (gauge.empty() || gauge.size() >= kAside || gauges_.size() >= kAside) return;
    lines_.back().gauge_at = static_cast<uint32_t>(gauges_.size()) | kAside;
    lines_.back().gauge_size = static_cast<uint32_t>(gauge.size());
    gauges_.append(gauge);
}

std::string_view Trace::line_view(size_t i) const {
    const size_t start = lines_[i].start;
    const size_t end = i + 1 < lines_.size() ? lines_[i + 1].start : size_;
    return {text_.get() + start, end - start - 1};
}

std::string_view Trace::op(size_t i) const {
    const std::string_view line = line_view(i);
    if (line.substr(0, kOpStart.size()) != kOpStart) return {};
    const std::string_view rest = line.substr(kOpStart.size());
    return rest.substr(0, rest.find('"'));
}

size_t Trace::count(std::string_view op_name) const {
    size_t n = 0;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (op(i) == op_name) ++n;
    return n;
}

std::string_view Trace::gauge(size_t i) const {
    const Line& line = lines_[i];
    if (line.gauge_at & kAside) return {gauges_.data() + (line.gauge_at & ~kAside), line.gauge_size};
    return {text_.get() + line.start + line.gauge_at, line.gauge_size};
}

void Trace::clear() {
    size_ = 0;
    lines_.clear();
    gauges_.clear();
}

void Trace::write(std::ostream& out) const {
    if (size_ > 0) out.write(text_.get(), static_cast<std::streamsize>(size_));
}
