// The host's trace: every service call, event, variable read, callback result, flag
// change, sound operation and window change, in order, as JSON lines (one object per
// line, so that the Windows and Linux hosts can be compared line by line). Each record
// is written as JSON the moment it is added, straight into one text buffer that is
// reused from frame to frame: writing the trace out is then one copy of that text, and
// a frame allocates nothing once the buffer has grown. A trace that is off stores nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// An op or a key of the trace: a string literal (the record keeps the pointer) of
// letters, digits and '_', whose length is known where it is written, so that a line is
// made without measuring or quoting it.
struct TraceName {
    template <size_t N>
    constexpr TraceName(const char (&literal)[N]) : text(literal), size(static_cast<uint8_t>(N - 1)) {
        static_assert(N > 1 && N < 256, "a trace name is a short string literal");
    }
    const char* text;
    uint8_t size;
    std::string_view view() const { return {text, size}; }
};

class Trace;

// Adds the fields of the record Trace::add started, in order; does nothing for a trace
// that is off. Texts are copied.
class TraceEntry {
public:
    TraceEntry() = default;
    TraceEntry& num(TraceName key, int64_t value);
    TraceEntry& real(TraceName key, double value);
    TraceEntry& hex(TraceName key, uint32_t value);
    TraceEntry& text(TraceName key, std::string_view value);

private:
    friend class Trace;
    explicit TraceEntry(Trace* trace) : trace_(trace) {}
    Trace* trace_ = nullptr;
};

class Trace {
public:
    Trace();
    Trace(Trace&&) noexcept;
    Trace& operator=(Trace&&) noexcept;
    ~Trace();

    // A trace that is off keeps nothing (the frame then allocates nothing for it).
    void set_enabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // Starts a record; fill it through the entry before the next add.
    TraceEntry add(TraceName op) { return enabled_ ? start(op) : TraceEntry(); }
    // Adds a line made elsewhere (one JSON object, no newline: a far side's), naming
    // gauge (or empty).
    void add_line(std::string_view json, std::string_view gauge);

    size_t size() const { return lines_.size(); }
    // The op of record i.
    std::string_view op(size_t i) const;
    // How many records have this op.
    size_t count(std::string_view op) const;
    // The text of record i's "gauge" field (the first one), or empty.
    std::string_view gauge(size_t i) const;
    // Forgets the records, keeping the memory for the next ones.
    void clear();

    // Record i as one JSON object, no newline.
    std::string_view line_view(size_t i) const;
    std::string line(size_t i) const { return std::string(line_view(i)); }
    // Every record, one JSON line each.
    std::string_view text() const { return {text_.get(), size_}; }
    std::string joined() const { return std::string(text()); }
    // Every record, one JSON line each, to out.
    void write(std::ostream& out) const;

private:
    friend class TraceEntry;
    struct Line {
        size_t start;         // in text_
        uint32_t gauge_at;    // the gauge's raw text: from the line's start, or in gauges_ when kAside is set
        uint32_t gauge_size;  // 0: the line names no gauge
    };
    static constexpr uint32_t kAside = 1u << 31;
    TraceEntry start(TraceName op);
    // Room for n more bytes of text; the pointer is where they go.
    char* room(size_t n);
    // Opens a field of the last line: its closing "}\n" is taken off and the key
    // written; the value (at most most bytes) goes where the pointer says, then close.
    char* open_field(TraceName key, size_t most);
    void close_field(char* end);
    void note_gauge(std::string_view value, const char* at, const char* end);
    char* put_gauge(char* at, std::string_view name);

    bool enabled_ = true;
    std::unique_ptr<char[]> text_;
    size_t size_ = 0, capacity_ = 0;
    std::vector<Line> lines_;
    std::string gauges_;                             // gauge names that needed escaping in their line
    std::string last_gauge_, last_quoted_ = "\"\"";  // the gauge named last, and its quoted name
};

// A stretch of a host's trace taken out of it (GaugeHost::take_trace), in this process's
// host or a far side's: its lines, each with the gauge it names.
struct TraceBatch {
    Trace records;

    size_t size() const { return records.size(); }
    // Entry i as one JSON object, no newline.
    std::string line(size_t i) const { return records.line(i); }
    // The gauge entry i names (its "gauge" field), or empty.
    std::string_view gauge(size_t i) const { return records.gauge(i); }
    // Forgets every entry, keeping the memory for the next ones.
    void clear() { records.clear(); }
};
