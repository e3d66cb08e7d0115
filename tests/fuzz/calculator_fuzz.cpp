// Fuzzes the calculator: any text either compiles into a program that runs to its end
// (or stops with a reason) within the step bound, or is refused with a reason.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/xml/calculator.h"

namespace {

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
    double read(uint32_t ref) override { return values[ref % 8]; }
    void write(uint32_t ref, double value) override { values[ref % 8] = value; }
    void event(uint32_t, double) override { ++events; }
    double values[8] = {};
    long events = 0;
};

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
    }
    return 0;
}
