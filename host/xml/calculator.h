// The XML gauges' calculator language: postfix scripts over numbers, text and variables,
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
//   text         'literal'; (A:NAME, string) reads a text variable
//                a b scmp, a b scmi    -1, 0 or 1 as a sorts before, with or after b
//                                      (scmi without regard to case); == and != compare
//                                      two texts as texts
//                s slen                its length          s lc, s uc   lower, upper case
//                s cap                 its first letter in upper case
//                n chr                 the character of code n      s ord   its first code
//                s i symb              its character at i (from 0)
//                s i j ssub            its characters from i up to (not with) j
//                a b scat              a then b
//                s c schr, s t sstr    where c (or t) first is in s, from 0; -1: not there
//                A text where a number is wanted reads as the number it spells (else 0);
//                a number where a text is wanted is written as text (118.3).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

enum class Op : uint8_t {
    number,
    text,  // a literal: arg its offset in the program's literals, number its length
    read,
    read_text,
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
    scmp,
    scmi,
    slen,
    lc,
    uc,
    cap,
    chr,
    ord,
    symb,
    ssub,
    scat,
    schr,
    sstr,
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
    // A variable read as text ((A:ATC ID, string)). A resolver that has none refuses it.
    virtual bool text_variable(char prefix, std::string_view name, uint32_t& ref, std::string& problem) {
        (void)ref;
        problem =
            "(" + std::string(1, prefix) + ":" + std::string(name) + ", string): text variables are not read here";
        return false;
    }
};

// Where a running program reads, writes and sends.
class Environment {
public:
    virtual ~Environment() = default;
    virtual double read(uint32_t ref) = 0;
    virtual void write(uint32_t ref, double value) = 0;
    // plain: the event was sent without a value (the value is then 0).
    virtual void event(uint32_t ref, double value) = 0;
    // A text variable's value, valid while the program runs (empty when it has none).
    virtual std::string_view text(uint32_t ref) {
        (void)ref;
        return {};
    }
};

// A compiled script. Its texts need no allocation either: literals are kept in the
// program, and what its text operators make is written to its scratch, sized when it is
// compiled (none for a script without them) and reused each run, so that the text a run
// leaves on top outlives the run (a program is run by one thread at a time).
struct Program {
    std::vector<Instruction> code;
    std::string literals;
    mutable std::vector<char> scratch;
    uint8_t registers = 0;  // the registers it names: 1 + the highest number (kRegisters at most)
    bool empty() const { return code.empty(); }
};

inline constexpr size_t kMaxScriptBytes = 64 * 1024;
inline constexpr size_t kMaxInstructions = 8192;
inline constexpr int kStackDepth = 64;
inline constexpr int kRegisters = 50;
static_assert(kRegisters <= 255, "a program counts its registers in a byte");
inline constexpr int kMaxSteps = 100000;
inline constexpr size_t kScratchBytes = 1024;  // the texts one run may make

// Compiles text. False with error (what and where: "unknown operator \"foo\" (word 3)").
// Names the resolver refuses are errors too.
bool compile(std::string_view text, Resolver& resolver, Program& program, std::string& error);

// The outcome of one run: the top of the stack (0 when empty; a text's number, and the
// text, valid until the program runs again) and what went wrong (null when nothing did:
// a stack that under- or overflows, or texts that outgrow the scratch, stop the run).
struct RunResult {
    double value = 0;
    bool is_text = false;
    std::string_view text;
    const char* problem = nullptr;
};
RunResult run(const Program& program, Environment& environment);

}  // namespace calc
