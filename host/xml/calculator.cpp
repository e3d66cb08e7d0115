// The calculator's compiler (words to a flat program, braces to jumps, a static check of
// the stack along each branch) and its evaluator (a fixed stack, a step bound).
#include "host/xml/calculator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace calc {
namespace {

constexpr double kPi = 3.14159265358979323846;

// clang-format off
struct Word { const char* name; Op op; int pops; int pushes; };
constexpr Word kWords[] = {
    // word    op          pops pushes
    {"+",      Op::add,      2, 1}, {"-",     Op::sub,     2, 1}, {"*",     Op::mul,    2, 1},
    {"/",      Op::div,      2, 1}, {"%",     Op::mod,     2, 1}, {"neg",   Op::neg,    1, 1},
    {"/-/",    Op::neg,      1, 1}, {"++",    Op::inc,     1, 1}, {"--",    Op::dec,    1, 1},
    {"abs",    Op::abs,      1, 1}, {"int",   Op::trunc,   1, 1}, {"flr",   Op::floor,  1, 1},
    {"ceil",   Op::ceil,     1, 1}, {"near",  Op::near,    1, 1}, {"min",   Op::min,    2, 1},
    {"max",    Op::max,      2, 1}, {"sqrt",  Op::sqrt,    1, 1}, {"pow",   Op::pow,    2, 1},
    {"exp",    Op::exp,      1, 1}, {"log",   Op::log,     1, 1}, {"ln",    Op::log,    1, 1},
    {"sin",    Op::sin,      1, 1}, {"cos",   Op::cos,     1, 1}, {"tan",   Op::tan,    1, 1},
    {"asin",   Op::asin,     1, 1}, {"acos",  Op::acos,    1, 1}, {"atan",  Op::atan,   1, 1},
    {"atan2",  Op::atan2,    2, 1}, {"dnor",  Op::dnor,    1, 1}, {"rnor",  Op::rnor,   1, 1},
    {"rddg",   Op::rddg,     1, 1}, {"dgrd",  Op::dgrd,    1, 1},
    {"==",     Op::eq,       2, 1}, {"eq",    Op::eq,      2, 1}, {"!=",    Op::ne,     2, 1},
    {"ne",     Op::ne,       2, 1}, {"<",     Op::lt,      2, 1}, {"lt",    Op::lt,     2, 1},
    {">",      Op::gt,       2, 1}, {"gt",    Op::gt,      2, 1}, {"<=",    Op::le,     2, 1},
    {"le",     Op::le,       2, 1}, {">=",    Op::ge,      2, 1}, {"ge",    Op::ge,     2, 1},
    {"&&",     Op::land,     2, 1}, {"and",   Op::land,    2, 1}, {"||",    Op::lor,    2, 1},
    {"or",     Op::lor,      2, 1}, {"!",     Op::lnot,    1, 1}, {"not",   Op::lnot,   1, 1},
    {"&",      Op::band,     2, 1}, {"|",     Op::bor,     2, 1}, {"^",     Op::bxor,   2, 1},
    {"~",      Op::bnot,     1, 1}, {"<<",    Op::shl,     2, 1}, {">>",    Op::shr,    2, 1},
    {"?",      Op::choose,   3, 1}, {"d",     Op::dup,     1, 2}, {"p",     Op::pop,    1, 0},
    {"r",      Op::swap,     2, 2}, {"quit",  Op::quit,    0, 0},
};
// clang-format on

const Word* find_word(std::string_view text) {
    for (const Word& w : kWords)
        if (text == w.name) return &w;
    return nullptr;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

bool read_number(std::string_view text, double& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        unsigned long long whole = 0;
        const auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), whole, 16);
        if (ec != std::errc() || end != text.data() + text.size()) return false;
        value = static_cast<double>(whole);
        return true;
    }
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// A register word: s0, l12, sp3 (0..49).
bool read_register(std::string_view text, Op& op, uint32_t& index) {
    std::string_view digits;
    if (text.size() > 2 && text.substr(0, 2) == "sp")
        op = Op::store_pop, digits = text.substr(2);
    else if (text.size() > 1 && (text[0] == 's' || text[0] == 'l'))
        op = text[0] == 's' ? Op::store : Op::load, digits = text.substr(1);
    else
        return false;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || value >= kRegisters) return false;
    index = value;
    return true;
}

class Compiler {
public:
    Compiler(Resolver& resolver, Program& program) : resolver_(resolver), code_(program.code) {}

    bool compile(std::string_view text, std::string& error) {
        if (text.size() > kMaxScriptBytes)
            return error = "the script is " + std::to_string(text.size()) + " bytes, more than " +
                           std::to_string(kMaxScriptBytes),
                   false;
        size_t at = 0;
        while (true) {
            while (at < text.size() && is_space(text[at])) ++at;
            if (at >= text.size()) break;
            ++word_;
            size_t end = at;
            if (text[at] == '(') {
                end = text.find(')', at);
                if (end == std::string_view::npos) return fail(error, "a variable's '(' has no ')'");
                ++end;
            } else if (text[at] == '\'') {
                return fail(error, "strings are not simulated");
            } else {
                while (end < text.size() && !is_space(text[end])) ++end;
            }
            if (!word(text.substr(at, end - at), text.substr(end), error)) return false;
            if (code_.size() > kMaxInstructions)
                return fail(error, "more than " + std::to_string(kMaxInstructions) + " instructions");
            at = end;
        }
        if (!blocks_.empty()) return fail(error, "an if{ or els{ is not closed by }");
        return true;
    }

private:
    struct Block {
        size_t jump;  // the instruction to patch
        bool is_else;
        int depth_start;  // the stack depth as the block began
        int depth_then;   // at the end of the if part (else blocks)
    };

    bool fail(std::string& error, const std::string& what) {
        error = what + " (word " + std::to_string(word_) + ")";
        return false;
    }

    void emit(Op op, uint32_t arg = 0, double number = 0) { code_.push_back({op, arg, number}); }

    bool effect(int pops, int pushes, std::string_view word, std::string& error) {
        if (depth_ < pops)
            return fail(error, "\"" + std::string(word) + "\" takes " + std::to_string(pops) +
                                   " values, the stack holds " + std::to_string(depth_));
        depth_ += pushes - pops;
        return true;
    }

    bool word(std::string_view w, std::string_view rest, std::string& error) {
        if (w.front() == '(') return variable(w.substr(1, w.size() - 2), error);
        double number = 0;
        if (read_number(w, number)) return emit(Op::number, 0, number), effect(0, 1, w, error);
        if (w == "if{") {
            if (!effect(1, 0, w, error)) return false;
            blocks_.push_back({code_.size(), false, depth_, 0});
            emit(Op::jump_if_false);
            return true;
        }
        if (w == "els{") {
            if (!skip_else_) return fail(error, "els{ without if{ }");
            skip_else_ = false;  // its block was opened by the } before it
            return true;
        }
        if (w == "}") return close_block(rest, error);
        if (w == "pi") return emit(Op::number, 0, kPi), effect(0, 1, w, error);
        if (const Word* known = find_word(w)) {
            if (!effect(known->pops, known->pushes, w, error)) return false;
            emit(known->op);
            return true;
        }
        if (w == "c") return emit(Op::clear), depth_ = 0, true;
        Op op = Op::store;
        uint32_t index = 0;
        if (read_register(w, op, index)) {
            if (!effect(op == Op::load ? 0 : 1, op == Op::store_pop ? 0 : 1, w, error)) return false;
            emit(op, index);
            return true;
        }
        return fail(error, "unknown operator \"" + std::string(w) + "\"");
    }

    // "}" ends an if{ (perhaps followed by els{) or an els{.
    bool close_block(std::string_view rest, std::string& error) {
        if (blocks_.empty()) return fail(error, "} without if{ or els{");
        Block block = blocks_.back();
        blocks_.pop_back();
        const std::string_view next = trim(rest);
        if (!block.is_else && next.substr(0, 4) == "els{" && (next.size() == 4 || is_space(next[4]))) {
            blocks_.push_back({code_.size(), true, block.depth_start, depth_});
            emit(Op::jump);
            code_[block.jump].arg = static_cast<uint32_t>(code_.size());
            depth_ = block.depth_start;
            skip_else_ = true;
            return true;
        }
        code_[block.jump].arg = static_cast<uint32_t>(code_.size());
        depth_ = block.is_else ? std::max(depth_, block.depth_then) : std::max(depth_, block.depth_start);
        return true;
    }

    bool variable(std::string_view inside, std::string& error) {
        inside = trim(inside);
        const bool write = !inside.empty() && inside.front() == '>';
        if (write) inside = trim(inside.substr(1));
        if (inside.size() < 2 || inside[1] != ':')
            return fail(error, "\"(" + std::string(inside) + ")\" is not a variable");
        const char prefix = static_cast<char>(std::toupper(static_cast<unsigned char>(inside[0])));
        std::string_view name = inside.substr(2), unit;
        if (const auto comma = name.find(','); comma != std::string_view::npos) {
            unit = trim(name.substr(comma + 1));
            name = name.substr(0, comma);
        }
        name = trim(name);
        std::string problem;
        uint32_t ref = 0;
        if (prefix == 'K') {
            if (!write) return fail(error, "an event is sent with (>K:" + std::string(name) + "), not read");
            if (!resolver_.event(name, ref, problem)) return fail(error, problem);
            const bool plain = depth_ == 0;
            emit(plain ? Op::event_plain : Op::event, ref);
            if (!plain) --depth_;
            return true;
        }
        if (!resolver_.variable(prefix, name, unit, write, ref, problem)) return fail(error, problem);
        if (write) {
            if (!effect(1, 0, "(>" + std::string(inside) + ")", error)) return false;
            emit(Op::write, ref);
        } else {
            emit(Op::read, ref);
            ++depth_;
        }
        return true;
    }

    Resolver& resolver_;
    std::vector<Instruction>& code_;
    std::vector<Block> blocks_;
    int depth_ = 0;
    int word_ = 0;
    bool skip_else_ = false;
};

double normalise(double value, double turn) {
    const double r = std::fmod(value, turn);
    return r < 0 ? r + turn : r;
}

int64_t whole(double value) {
    if (!(std::fabs(value) < 9.2e18)) return 0;
    return static_cast<int64_t>(value);
}

}  // namespace

bool compile(std::string_view text, Resolver& resolver, Program& program, std::string& error) {
    program.code.clear();
    Compiler compiler(resolver, program);
    if (compiler.compile(text, error)) return true;
    program.code.clear();
    return false;
}

RunResult run(const Program& program, Environment& environment) {
    double stack[kStackDepth];
    double registers[kRegisters] = {};
    int top = 0;  // values on the stack
    RunResult result;
    const Instruction* code = program.code.data();
    const size_t size = program.code.size();
    int steps = 0;
    for (size_t pc = 0; pc < size;) {
        if (++steps > kMaxSteps) return result.problem = "the script ran too many steps", result;
        const Instruction& in = code[pc++];
        // The compiler checks the stack along each branch; jumps over a branch can still
        // leave it short or long, so every pop and push is checked here.
        auto need = [&](int n) { return top >= n; };
        if (top >= kStackDepth - 2) return result.problem = "the stack overflows", result;
        double a = 0, b = 0;
        switch (in.op) {
            case Op::number: stack[top++] = in.number; continue;
            case Op::read: stack[top++] = environment.read(in.arg); continue;
            case Op::load: stack[top++] = registers[in.arg]; continue;
            case Op::jump: pc = in.arg; continue;
            case Op::quit: pc = size; continue;
            case Op::clear: top = 0; continue;
            case Op::event_plain: environment.event(in.arg, 0); continue;
            default: break;
        }
        const int pops =
            in.op == Op::choose ? 3
            : (in.op == Op::write || in.op == Op::event || in.op == Op::jump_if_false || in.op == Op::pop ||
               in.op == Op::dup || in.op == Op::store || in.op == Op::store_pop || in.op == Op::neg ||
               in.op == Op::inc || in.op == Op::dec || in.op == Op::abs || in.op == Op::trunc || in.op == Op::floor ||
               in.op == Op::ceil || in.op == Op::near || in.op == Op::sqrt || in.op == Op::exp || in.op == Op::log ||
               in.op == Op::sin || in.op == Op::cos || in.op == Op::tan || in.op == Op::asin || in.op == Op::acos ||
               in.op == Op::atan || in.op == Op::dnor || in.op == Op::rnor || in.op == Op::rddg || in.op == Op::dgrd ||
               in.op == Op::lnot || in.op == Op::bnot)
                ? 1
                : 2;
        if (!need(pops)) return result.problem = "the stack underflows", result;
        if (pops == 1) {
            a = stack[--top];
        } else if (pops == 2) {
            b = stack[--top];
            a = stack[--top];
        }
        double r = 0;
        switch (in.op) {
            case Op::write: environment.write(in.arg, a); continue;
            case Op::event: environment.event(in.arg, a); continue;
            case Op::jump_if_false:
                if (a == 0 || std::isnan(a)) pc = in.arg;
                continue;
            case Op::pop: continue;
            case Op::dup: stack[top++] = a, r = a; break;
            case Op::store: registers[in.arg] = a, r = a; break;
            case Op::store_pop: registers[in.arg] = a; continue;
            case Op::swap: stack[top++] = b, r = a; break;
            case Op::choose: {
                const double c = stack[--top];
                b = stack[--top];
                a = stack[--top];
                r = c != 0 ? a : b;
                break;
            }
            case Op::add: r = a + b; break;
            case Op::sub: r = a - b; break;
            case Op::mul: r = a * b; break;
            case Op::div: r = b == 0 ? 0 : a / b; break;
            case Op::mod: r = b == 0 ? 0 : std::fmod(a, b); break;
            case Op::neg: r = -a; break;
            case Op::inc: r = a + 1; break;
            case Op::dec: r = a - 1; break;
            case Op::abs: r = std::fabs(a); break;
            case Op::trunc: r = std::trunc(a); break;
            case Op::floor: r = std::floor(a); break;
            case Op::ceil: r = std::ceil(a); break;
            case Op::near: r = std::round(a); break;
            case Op::min: r = std::min(a, b); break;
            case Op::max: r = std::max(a, b); break;
            case Op::sqrt: r = a < 0 ? 0 : std::sqrt(a); break;
            case Op::pow: r = std::pow(a, b); break;
            case Op::exp: r = std::exp(a); break;
            case Op::log: r = a <= 0 ? 0 : std::log(a); break;
            case Op::sin: r = std::sin(a); break;
            case Op::cos: r = std::cos(a); break;
            case Op::tan: r = std::tan(a); break;
            case Op::asin: r = std::asin(std::clamp(a, -1.0, 1.0)); break;
            case Op::acos: r = std::acos(std::clamp(a, -1.0, 1.0)); break;
            case Op::atan: r = std::atan(a); break;
            case Op::atan2: r = std::atan2(a, b); break;
            case Op::dnor: r = normalise(a, 360.0); break;
            case Op::rnor: r = normalise(a, 2 * kPi); break;
            case Op::rddg: r = a * 180.0 / kPi; break;
            case Op::dgrd: r = a * kPi / 180.0; break;
            case Op::eq: r = a == b; break;
            case Op::ne: r = a != b; break;
            case Op::lt: r = a < b; break;
            case Op::gt: r = a > b; break;
            case Op::le: r = a <= b; break;
            case Op::ge: r = a >= b; break;
            case Op::land: r = a != 0 && b != 0; break;
            case Op::lor: r = a != 0 || b != 0; break;
            case Op::lnot: r = a == 0; break;
            case Op::band: r = static_cast<double>(whole(a) & whole(b)); break;
            case Op::bor: r = static_cast<double>(whole(a) | whole(b)); break;
            case Op::bxor: r = static_cast<double>(whole(a) ^ whole(b)); break;
            case Op::bnot: r = static_cast<double>(~whole(a)); break;
            case Op::shl:
                r = static_cast<double>(
                    static_cast<int64_t>(static_cast<uint64_t>(whole(a)) << std::clamp<int64_t>(whole(b), 0, 62)));
                break;
            case Op::shr: r = static_cast<double>(whole(a) >> std::clamp<int64_t>(whole(b), 0, 62)); break;
            default: r = 0; break;
        }
        stack[top++] = std::isfinite(r) ? r : 0;
    }
    result.value = top > 0 ? stack[top - 1] : 0;
    return result;
}

}  // namespace calc
