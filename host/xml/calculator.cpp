// The calculator's compiler (words to a flat program, braces to jumps, a static check of
// the stack along each branch) and its evaluator (a fixed stack of numbers and texts, the
// program's scratch for the texts it makes, a step bound).
#include "host/xml/calculator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

namespace calc {
namespace {

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
    {"scmp",   Op::scmp,     2, 1}, {"scmi",  Op::scmi,    2, 1}, {"slen",  Op::slen,   1, 1},
    {"lc",     Op::lc,       1, 1}, {"uc",    Op::uc,      1, 1}, {"cap",   Op::cap,    1, 1},
    {"chr",    Op::chr,      1, 1}, {"ord",   Op::ord,     1, 1}, {"symb",  Op::symb,   2, 1},
    {"ssub",   Op::ssub,     3, 1}, {"scat",  Op::scat,    2, 1}, {"schr",  Op::schr,   2, 1},
    {"sstr",   Op::sstr,     2, 1},
};
// clang-format on

// The text operators that write a new text to the program's scratch.
bool makes_text(Op op) {
    return op == Op::lc || op == Op::uc || op == Op::cap || op == Op::chr || op == Op::symb || op == Op::ssub ||
           op == Op::scat;
}

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
    Compiler(Resolver& resolver, Program& program)
        : resolver_(resolver), code_(program.code), literals_(program.literals) {}

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
                end = text.find('\'', at + 1);
                if (end == std::string_view::npos) return fail(error, "a text's ' has no closing '");
                ++end;
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
        if (w.front() == '\'') {
            const std::string_view literal = w.substr(1, w.size() - 2);
            emit(Op::text, static_cast<uint32_t>(literals_.size()), static_cast<double>(literal.size()));
            literals_.append(literal);
            return effect(0, 1, w, error);
        }
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
        if (w == "pi") return emit(Op::number, 0, std::numbers::pi), effect(0, 1, w, error);
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
        if (lower_case(unit) == "string") {
            if (write) return fail(error, "(>" + std::string(inside) + "): text variables are read, not written");
            if (!resolver_.text_variable(prefix, name, ref, problem)) return fail(error, problem);
            emit(Op::read_text, ref);
            ++depth_;
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

    static std::string lower_case(std::string_view text) {
        std::string out(text);
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    }

    Resolver& resolver_;
    std::vector<Instruction>& code_;
    std::string& literals_;
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

// One place of the stack or a register: a number, or a text (not owned: in the program's
// literals or scratch, or the environment's). Left uninitialised where it is declared in
// bulk (the stack), as a run fills each place before it reads it.
struct Slot {
    double number;
    const char* text;  // null: a number
    uint32_t size;
};

Slot number_slot(double number) { return {number, nullptr, 0}; }

Slot text_slot(std::string_view text) {
    return {0, text.data() ? text.data() : "", static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX))};
}

std::string_view view(const Slot& s) { return {s.text, s.size}; }

// A text where a number is wanted: the number it spells, else 0.
double number_of(const Slot& s) {
    if (!s.text) return s.number;
    std::string_view t = trim(view(s));
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size() && std::isfinite(value) ? value : 0;
}

// A number where a text is wanted, written in the shortest form that reads back the same.
struct TextOf {
    char digits[32];
    std::string_view operator()(const Slot& s) {
        if (s.text) return view(s);
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, s.number);
        return ec == std::errc() ? std::string_view(digits, static_cast<size_t>(end - digits)) : std::string_view();
    }
};

// The program's scratch, from its start each run.
class Scratch {
public:
    explicit Scratch(std::vector<char>& space) : data_(space.data()), room_(space.size()) {}
    // Room for n bytes, or null when the scratch is full.
    char* take(size_t n) {
        if (n > room_ - used_) return nullptr;
        char* at = data_ + used_;
        used_ += n;
        return at;
    }

private:
    char* data_;
    size_t room_;
    size_t used_ = 0;
};

char lower_char(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
char upper_char(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

int compare(std::string_view a, std::string_view b, bool any_case) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(any_case ? lower_char(a[i]) : a[i]);
        const auto y = static_cast<unsigned char>(any_case ? lower_char(b[i]) : b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// An index into a text of the given size, clamped to 0..size.
size_t clamp_index(double value, size_t size) {
    return static_cast<size_t>(std::clamp<int64_t>(whole(value), 0, static_cast<int64_t>(size)));
}

double found_at(size_t at) { return at == std::string_view::npos ? -1.0 : static_cast<double>(at); }

constexpr const char* kScratchFull = "the script's texts outgrow its scratch";

// A text operator on its operands (a, b, c in script order) into out; the problem, or null.
const char* text_op(Op op, const Slot& a, const Slot& b, const Slot& c, Scratch& scratch, Slot& out) {
    TextOf text_a, text_b;
    const std::string_view s = text_a(a);
    auto make = [&](size_t size) -> char* {
        char* at = scratch.take(size);
        if (at) out = {0, at, static_cast<uint32_t>(size)};
        return at;
    };
    auto copy = [&](std::string_view part) {
        char* at = make(part.size());
        if (at && !part.empty()) std::memcpy(at, part.data(), part.size());
        return at != nullptr;
    };
    switch (op) {
        case Op::scmp:
        case Op::scmi: out = number_slot(static_cast<double>(compare(s, text_b(b), op == Op::scmi))); return nullptr;
        case Op::slen: out = number_slot(static_cast<double>(s.size())); return nullptr;
        case Op::ord:
            out = number_slot(s.empty() ? 0.0 : static_cast<double>(static_cast<unsigned char>(s[0])));
            return nullptr;
        case Op::schr: {
            const std::string_view wanted = text_b(b);
            out = number_slot(wanted.empty() ? -1.0 : found_at(s.find(wanted[0])));
            return nullptr;
        }
        case Op::sstr: out = number_slot(found_at(s.find(text_b(b)))); return nullptr;
        case Op::lc:
        case Op::uc:
        case Op::cap: {
            char* at = make(s.size());
            if (!at) return kScratchFull;
            for (size_t i = 0; i < s.size(); ++i)
                at[i] = op == Op::lc ? lower_char(s[i]) : op == Op::uc || i == 0 ? upper_char(s[i]) : s[i];
            return nullptr;
        }
        case Op::chr: {
            const int64_t code = whole(number_of(a));
            if (code < 1 || code > 255) return out = text_slot(""), nullptr;
            char* at = make(1);
            if (!at) return kScratchFull;
            at[0] = static_cast<char>(static_cast<unsigned char>(code));
            return nullptr;
        }
        case Op::symb: {
            const double i = number_of(b);
            const bool inside = i >= 0 && i < static_cast<double>(s.size());
            return copy(inside ? s.substr(clamp_index(i, s.size()), 1) : std::string_view()) ? nullptr : kScratchFull;
        }
        case Op::ssub: {
            const size_t from = clamp_index(number_of(b), s.size()), to = clamp_index(number_of(c), s.size());
            return copy(to > from ? s.substr(from, to - from) : std::string_view()) ? nullptr : kScratchFull;
        }
        case Op::scat: {
            const std::string_view t = text_b(b);
            char* at = make(s.size() + t.size());
            if (!at) return kScratchFull;
            if (!s.empty()) std::memcpy(at, s.data(), s.size());
            if (!t.empty()) std::memcpy(at + s.size(), t.data(), t.size());
            return nullptr;
        }
        default: return "not a text operator";
    }
}

bool is_text_op(Op op) { return op >= Op::scmp && op <= Op::sstr; }

// How many values each instruction takes off the stack (those the run handles before it
// pops are not counted), by its op: the words' table and the instructions no word names.
constexpr auto kPops = [] {
    std::array<int8_t, 256> pops{};
    for (const Word& w : kWords) pops[static_cast<size_t>(w.op)] = static_cast<int8_t>(w.pops);
    for (const Op op : {Op::write, Op::event, Op::jump_if_false, Op::store, Op::store_pop})
        pops[static_cast<size_t>(op)] = 1;
    return pops;
}();

}  // namespace

bool compile(std::string_view text, Resolver& resolver, Program& program, std::string& error) {
    program.code.clear();
    program.literals.clear();
    program.scratch.clear();
    program.registers = 0;
    Compiler compiler(resolver, program);
    if (!compiler.compile(text, error)) {
        program.code.clear();
        program.literals.clear();
        return false;
    }
    if (std::any_of(program.code.begin(), program.code.end(), [](const Instruction& in) { return makes_text(in.op); }))
        program.scratch.assign(kScratchBytes, 0);
    for (const Instruction& in : program.code)
        if (in.op == Op::store || in.op == Op::load || in.op == Op::store_pop)
            program.registers = std::max(program.registers, static_cast<uint8_t>(in.arg + 1));
    return true;
}

RunResult run(const Program& program, Environment& environment) {
    Slot stack[kStackDepth];
    // Registers read before they are stored read 0; only those the program names are set.
    Slot registers[kRegisters];
    std::fill_n(registers, program.registers, number_slot(0));
    int top = 0;  // values on the stack
    RunResult result;
    Scratch scratch(program.scratch);
    const Instruction* code = program.code.data();
    const size_t size = program.code.size();
    int steps = 0;
    for (size_t pc = 0; pc < size;) {
        if (++steps > kMaxSteps) return result.problem = "the script ran too many steps", result;
        const Instruction& in = code[pc++];
        // The compiler checks the stack along each branch; jumps over a branch can still
        // leave it short or long, so every pop and push is checked here.
        if (top >= kStackDepth - 2) return result.problem = "the stack overflows", result;
        switch (in.op) {
            case Op::number: stack[top++] = number_slot(in.number); continue;
            case Op::text:
                stack[top++] =
                    text_slot(std::string_view(program.literals).substr(in.arg, static_cast<size_t>(in.number)));
                continue;
            case Op::read: stack[top++] = number_slot(environment.read(in.arg)); continue;
            case Op::read_text: stack[top++] = text_slot(environment.text(in.arg)); continue;
            case Op::load: stack[top++] = registers[in.arg]; continue;
            case Op::jump: pc = in.arg; continue;
            case Op::quit: pc = size; continue;
            case Op::clear: top = 0; continue;
            case Op::event_plain: environment.event(in.arg, 0); continue;
            default: break;
        }
        const int taken = kPops[static_cast<size_t>(in.op)];
        if (top < taken) return result.problem = "the stack underflows", result;
        Slot sa = number_slot(0), sb = sa, sc = sa;
        if (taken == 1) {
            sa = stack[--top];
        } else if (taken == 2) {
            sb = stack[--top];
            sa = stack[--top];
        } else if (taken == 3) {
            sc = stack[--top];
            sb = stack[--top];
            sa = stack[--top];
        }
        // What moves values without looking at them keeps texts as texts.
        switch (in.op) {
            case Op::write: environment.write(in.arg, number_of(sa)); continue;
            case Op::event: environment.event(in.arg, number_of(sa)); continue;
            case Op::jump_if_false: {
                const double a = number_of(sa);
                if (a == 0 || std::isnan(a)) pc = in.arg;
                continue;
            }
            case Op::pop: continue;
            case Op::dup: stack[top++] = sa, stack[top++] = sa; continue;
            case Op::store: registers[in.arg] = sa, stack[top++] = sa; continue;
            case Op::store_pop: registers[in.arg] = sa; continue;
            case Op::swap: stack[top++] = sb, stack[top++] = sa; continue;
            case Op::choose: stack[top++] = number_of(sc) != 0 ? sa : sb; continue;
            default: break;
        }
        if (is_text_op(in.op)) {
            if (const char* problem = text_op(in.op, sa, sb, sc, scratch, stack[top]))
                return result.problem = problem, result;
            ++top;
            continue;
        }
        if ((in.op == Op::eq || in.op == Op::ne) && sa.text && sb.text) {
            stack[top++] = number_slot((view(sa) == view(sb)) == (in.op == Op::eq) ? 1.0 : 0.0);
            continue;
        }
        const double a = number_of(sa), b = number_of(sb);
        double r = 0;
        switch (in.op) {
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
            case Op::rnor: r = normalise(a, 2 * std::numbers::pi); break;
            case Op::rddg: r = a * 180.0 / std::numbers::pi; break;
            case Op::dgrd: r = a * std::numbers::pi / 180.0; break;
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
        stack[top++] = number_slot(std::isfinite(r) ? r : 0);
    }
    if (top > 0) {
        const Slot& last = stack[top - 1];
        result.value = number_of(last);
        result.is_text = last.text != nullptr;
        if (last.text) result.text = view(last);
    }
    return result;
}

}  // namespace calc
