// The host's trace: every service call, event, variable read, callback result, flag
// change and window change, in order, one JSON object per line. Tests assert on it and
// the Windows and Linux hosts must produce the same lines for the same scenario.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds one trace line: {"op":"...", "key":value, ...}.
class TraceLine {
public:
    explicit TraceLine(const char* op);
    TraceLine& num(const char* key, int64_t value);
    TraceLine& real(const char* key, double value);
    TraceLine& text(const char* key, const std::string& value);
    TraceLine& hex(const char* key, uint32_t value);
    std::string str() const { return json_ + "}"; }

private:
    void key(const char* name);
    std::string json_;
};

class Trace {
public:
    void add(const TraceLine& line) { lines_.push_back(line.str()); }
    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }
    // Lines whose op is the given one, in order.
    std::vector<std::string> with_op(const std::string& op) const;
    std::string joined() const;

private:
    std::vector<std::string> lines_;
};

// Writes text as a JSON string literal, quotes included.
std::string json_quote(const std::string& text);
// Formats a double the way the trace shows values: shortest form, 12 significant digits.
std::string format_real(double value);
