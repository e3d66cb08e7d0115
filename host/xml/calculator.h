// The XML gauges' calculator language: postfix scripts over numbers and variables,
// `(A:Airspeed indicated, knots) 100 > if{ 1 (>L:FAST, bool) } els{ 0 }`. A script is
// compiled once, when its gauge is placed, into a flat program whose variables and events
// are resolved to numbers by the caller; a frame runs it with a fixed stack and no
// allocation.
//
//   numbers      123, -4.5, 0x1F
//   arithmetic   + - * / % neg /-/ ++ -- abs int flr ceil near min max pi sqrt pow exp
//                log (ln) sin cos tan asin acos atan atan2 dnor rnor rddg dgrd
//   comparison   == != < > <= >= (eq ne lt gt le ge)   logic && || ! (and or not)
//   bits         & | ^ ~ << >>                          choice   a b c ?  (c ? a : b)
//   stack        d (dup) p (pop) r (swap) c (clear)
//   registers    s0..s49 store, l0..l49 load, sp0..sp49 store and pop
//   control      if{ ... } els{ ... }, quit
//   variables    (A:NAME, unit) (L:NAME, unit) (P:NAME, unit) (M:X) (E:NAME, unit) read;
//                (>L:NAME, unit) write; (>K:EVENT) send with the top of the stack
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

enum class Op : uint8_t {
    number,
    read,
    write,
    event,
    event_plain,
    add,
    sub,
    mul,
    div,
    mod,
    neg,
    inc,
    dec,
    abs,
    trunc,
    floor,
    ceil,
    near,
    min,
    max,
    sqrt,
    pow,
    exp,
    log,
    sin,
    cos,
    tan,
    asin,
    acos,
    atan,
    atan2,
    dnor,
    rnor,
    rddg,
    dgrd,
    eq,
    ne,
    lt,
    gt,
    le,
    ge,
    land,
    lor,
    lnot,
    band,
    bor,
    bxor,
    bnot,
    shl,
    shr,
    choose,
    dup,
    pop,
    swap,
    clear,
    store,
    load,
    store_pop,
    jump,
    jump_if_false,
    quit,
};

struct Instruction {
    Op op = Op::number;
    uint32_t arg = 0;  // variable or event reference, register, jump target
    double number = 0;
};

// What a variable or event name resolves to: a number the environment understands.
// Returns false, with a problem in words, for a name it cannot take.
class Resolver {
public:
    virtual ~Resolver() = default;
    // prefix 'A', 'L', 'P', 'M', 'E', 'G', ...; unit empty when the script gives none.
    virtual bool variable(char prefix, std::string_view name, std::string_view unit, bool write, uint32_t& ref,
                          std::string& problem) = 0;
    virtual bool event(std::string_view name, uint32_t& ref, std::string& problem) = 0;
};

// Where a running program reads, writes and sends.
class Environment {
public:
    virtual ~Environment() = default;
    virtual double read(uint32_t ref) = 0;
    virtual void write(uint32_t ref, double value) = 0;
    // plain: the event was sent without a value (the value is then 0).
    virtual void event(uint32_t ref, double value) = 0;
};

struct Program {
    std::vector<Instruction> code;
    bool empty() const { return code.empty(); }
};

inline constexpr size_t kMaxScriptBytes = 64 * 1024;
inline constexpr size_t kMaxInstructions = 8192;
inline constexpr int kStackDepth = 64;
inline constexpr int kRegisters = 50;
inline constexpr int kMaxSteps = 100000;

// Compiles text. False with error (what and where: "unknown operator \"foo\" (word 3)").
// Names the resolver refuses are errors too.
bool compile(std::string_view text, Resolver& resolver, Program& program, std::string& error);

// The outcome of one run: the top of the stack (0 when empty) and what went wrong
// (null when nothing did: a stack that under- or overflows stops the run).
struct RunResult {
    double value = 0;
    const char* problem = nullptr;
};
RunResult run(const Program& program, Environment& environment);

}  // namespace calc
