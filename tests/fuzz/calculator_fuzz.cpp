// Fuzzes the calculator: any text either compiles into a program that runs to its end
// (or stops with a reason) within the step bound, or is refused with a reason; a text
// left on top lies within the program's literals, its scratch or the environment's text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/xml/calculator.h"

namespace {

constexpr std::string_view kRegistration = "N172SP";  // what the text variables read

// Every name resolves; variables hold what is written; events are counted.
class Anything : public calc::Resolver, public calc::Environment {
public:
    bool variable(char, std::string_view name, std::string_view, bool, uint32_t& ref, std::string&) override {
        ref = static_cast<uint32_t>(name.size() % 8);
        return true;
    }
    bool event(std::string_view name, uint32_t& ref, std::string& problem) override {
        if (name.empty()) return problem = "no name", false;
        ref = 0;
        return true;
    }
    bool text_variable(char, std::string_view name, uint32_t& ref, std::string& problem) override {
        if (name.empty()) return problem = "no name", false;
        ref = static_cast<uint32_t>(name.size() % 2);
        return true;
    }
    std::string_view text(uint32_t ref) override { return ref == 0 ? kRegistration : std::string_view(); }
    double read(uint32_t ref) override { return values[ref % 8]; }
    void write(uint32_t ref, double value) override { values[ref % 8] = value; }
    void event(uint32_t, double) override { ++events; }
    double values[8] = {};
    long events = 0;
};

bool inside(std::string_view part, const char* begin, size_t size) {
    return part.empty() || (begin && part.data() >= begin && part.data() + part.size() <= begin + size);
}

// Where a text a run leaves may lie; its bytes are read, for ASan to see.
bool within(std::string_view text, const calc::Program& program) {
    volatile char sum = 0;
    for (const char c : text) sum = static_cast<char>(sum + c);
    return inside(text, program.literals.data(), program.literals.size()) ||
           inside(text, program.scratch.data(), program.scratch.size()) ||
           inside(text, kRegistration.data(), kRegistration.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Anything names;
    calc::Program program;
    std::string error;
    if (!calc::compile(text, names, program, error)) {
        if (error.empty()) {
            std::fprintf(stderr, "calculator_fuzz: refused without a reason\n");
            std::abort();
        }
        return 0;
    }
    if (program.code.size() > calc::kMaxInstructions + 1) {
        std::fprintf(stderr, "calculator_fuzz: %zu instructions\n", program.code.size());
        std::abort();
    }
    for (int i = 0; i < 2; ++i) {
        const calc::RunResult result = calc::run(program, names);
        if (!std::isfinite(result.value)) {
            std::fprintf(stderr, "calculator_fuzz: the result is not finite\n");
            std::abort();
        }
        if (result.is_text && !within(result.text, program)) {
            std::fprintf(stderr, "calculator_fuzz: the text left on top lies outside the program's texts\n");
            std::abort();
        }
    }
    return 0;
}
