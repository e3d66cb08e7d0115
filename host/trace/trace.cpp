// Trace lines in JSON.
#include "host/trace/trace.h"

#include <cstdio>

TraceLine::TraceLine(const char* op) : json_("{\"op\":" + json_quote(op)) {}

void TraceLine::key(const char* name) { json_ += "," + json_quote(name) + ":"; }

TraceLine& TraceLine::num(const char* name, int64_t value) {
    key(name);
    json_ += std::to_string(value);
    return *this;
}

TraceLine& TraceLine::real(const char* name, double value) {
    key(name);
    json_ += format_real(value);
    return *this;
}

TraceLine& TraceLine::text(const char* name, const std::string& value) {
    key(name);
    json_ += json_quote(value);
    return *this;
}

TraceLine& TraceLine::hex(const char* name, uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", value);
    return text(name, buffer);
}

std::vector<std::string> Trace::with_op(const std::string& op) const {
    std::vector<std::string> out;
    const std::string prefix = "{\"op\":" + json_quote(op);
    for (const auto& line : lines_)
        if (line.compare(0, prefix.size(), prefix) == 0 && (line[prefix.size()] == ',' || line[prefix.size()] == '}'))
            out.push_back(line);
    return out;
}

std::string Trace::joined() const {
    std::string out;
    for (const auto& line : lines_) out += line + "\n";
    return out;
}

std::string json_quote(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04X", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string format_real(double value) {
    if (value == 0.0) return "0";  // no "-0": both builds agree on zero
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    return buffer;
}
