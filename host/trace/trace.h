// The host's trace: every service call, event, variable read, callback result, flag
// change, sound operation and window change, in order. A frame only stores records (an
// op and a few typed fields, texts in one store of the trace); JSON text is made when
// the trace is written, one object per line, so that the Windows and Linux hosts can be
// compared line by line. A trace that is switched off stores nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

enum class TraceType : uint8_t { integer, real, text, hex };

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

struct TraceField {
    const char* key;  // a string literal
    TraceType type;
    uint8_t key_size;
    uint32_t text_size;  // text: its length in the trace's text store
    union {
        int64_t integer;  // integer, hex
        double real;
        size_t text_at;  // text: where it starts in the trace's text store
    };
};

inline constexpr int kTraceFields = 5;  // the most any record has (click, sound)

struct TraceRecord {
    TraceRecord() {}  // left unfilled: Trace::add sets what a record uses
    const char* op;   // a string literal
    uint8_t op_size;
    uint8_t count;
    TraceField fields[kTraceFields];
};

class Trace;

// Fills the record Trace::add started; does nothing for a trace that is off. Keys and
// the op are string literals (TraceName); texts are copied.
class TraceEntry {
public:
    TraceEntry() = default;
    TraceEntry& num(TraceName key, int64_t value) {
        if (record_) field(key, TraceType::integer).integer = value;
        return *this;
    }
    TraceEntry& real(TraceName key, double value) {
        if (record_) field(key, TraceType::real).real = value;
        return *this;
    }
    TraceEntry& hex(TraceName key, uint32_t value) {
        if (record_) field(key, TraceType::hex).integer = value;
        return *this;
    }
    TraceEntry& text(TraceName key, std::string_view value) {
        if (record_) add_text(key, value);
        return *this;
    }

private:
    friend class Trace;
    TraceEntry(Trace* trace, TraceRecord* record) : trace_(trace), record_(record) {}
    TraceField& field(TraceName key, TraceType type);
    void add_text(TraceName key, std::string_view value);
    Trace* trace_ = nullptr;
    TraceRecord* record_ = nullptr;
};

class Trace {
public:
    // A trace that is off keeps nothing (the frame then allocates nothing for it).
    void set_enabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // Starts a record; fill it through the entry before the next add.
    TraceEntry add(TraceName op) { return enabled_ ? start(op) : TraceEntry(); }

    size_t size() const { return records_.size(); }
    const TraceRecord& record(size_t i) const { return records_[i]; }
    std::string_view text(const TraceField& field) const { return {texts_.data() + field.text_at, field.text_size}; }
    // How many records have this op.
    size_t count(std::string_view op) const;
    // The text of record i's field with this key, or empty.
    std::string_view text_field(size_t i, std::string_view key) const;
    // Forgets the records, keeping the memory for the next ones.
    void clear();

    // Record i as one JSON object, no newline.
    void write_line(size_t i, std::string& out) const;
    std::string line(size_t i) const;
    // Every record, one JSON line each.
    std::string joined() const;
    // Every record, one JSON line each, to out as the lines are made (a few kilobytes
    // held at a time).
    void write(std::ostream& out) const;

private:
    friend class TraceEntry;
    TraceEntry start(TraceName op);
    bool enabled_ = true;
    std::vector<TraceRecord> records_;
    std::string texts_;
};

// A stretch of a host's trace taken out of it (GaugeHost::take_trace): the records of a
// host in this process, whose JSON is made only when a line is asked for, then the lines
// a host in another process sent, each with the gauge it names.
struct TraceBatch {
    Trace records;
    std::vector<std::string> lines;
    std::vector<std::string> line_gauges;  // per line: the gauge it names, or empty

    size_t size() const { return records.size() + lines.size(); }
    // Entry i (the records first, then the lines) as one JSON object, no newline.
    std::string line(size_t i) const;
    // The gauge entry i names (its "gauge" field), or empty.
    std::string_view gauge(size_t i) const;
    // Forgets every entry, keeping the memory for the next ones.
    void clear();
};
