// The calculator: what scripts compute, what they read, write and send, and the scripts
// it refuses, with the reason.
#include "host/xml/calculator.h"

#include <gtest/gtest.h>

#include "host/cli/check_command.h"
#include "tests/unit/xml/xml_fixture.h"

#include <cmath>
#include <map>

namespace {

// Names resolve to refs in order of first use; the environment holds values by ref and
// records what is written and sent.
class Names : public calc::Resolver, public calc::Environment {
public:
    bool variable(char prefix, std::string_view name, std::string_view unit, bool write, uint32_t& ref,
                  std::string& problem) override {
        if (prefix == 'A' && write) return problem = "aircraft variables are read only", false;
        ref = id(std::string(1, prefix) + ":" + std::string(name) + "," + std::string(unit));
        return true;
    }
    bool event(std::string_view name, uint32_t& ref, std::string& problem) override {
        if (name == "NO_SUCH") return problem = "unknown event NO_SUCH", false;
        ref = id("K:" + std::string(name));
        return true;
    }
    bool text_variable(char prefix, std::string_view name, uint32_t& ref, std::string&) override {
        ref = id(std::string(1, prefix) + ":" + std::string(name) + ",string");
        return true;
    }
    std::string_view text(uint32_t ref) override { return texts[names[ref]]; }
    double read(uint32_t ref) override { return values[names[ref]]; }
    void write(uint32_t ref, double value) override { values[names[ref]] = value; }
    void event(uint32_t ref, double value) override { sent.push_back(names[ref] + "=" + std::to_string(value)); }

    uint32_t id(const std::string& name) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<uint32_t>(i);
        names.push_back(name);
        return static_cast<uint32_t>(names.size() - 1);
    }
    std::vector<std::string> names;
    std::map<std::string, double> values;
    std::map<std::string, std::string> texts;
    std::vector<std::string> sent;
};

double eval(const std::string& text, Names& names) {
    calc::Program program;
    std::string error;
    EXPECT_TRUE(calc::compile(text, names, program, error)) << text << ": " << error;
    const calc::RunResult result = calc::run(program, names);
    EXPECT_EQ(result.problem, nullptr) << text;
    return result.value;
}

double eval(const std::string& text) {
    Names names;
    return eval(text, names);
}

// The text a script leaves on top (failing when it leaves a number).
std::string eval_text(const std::string& text, Names& names) {
    calc::Program program;
    std::string error;
    EXPECT_TRUE(calc::compile(text, names, program, error)) << text << ": " << error;
    const calc::RunResult result = calc::run(program, names);
    EXPECT_EQ(result.problem, nullptr) << text;
    EXPECT_TRUE(result.is_text) << text;
    return std::string(result.text);
}

std::string eval_text(const std::string& text) {
    Names names;
    return eval_text(text, names);
}

std::string refusal(const std::string& text) {
    Names names;
    calc::Program program;
    std::string error;
    EXPECT_FALSE(calc::compile(text, names, program, error)) << text;
    EXPECT_TRUE(program.empty());
    return error;
}

}  // namespace

TEST(Calculator, ArithmeticIsPostfixLeftOperandFirst) {
    EXPECT_DOUBLE_EQ(eval("7 2 -"), 5);
    EXPECT_DOUBLE_EQ(eval("7 2 /"), 3.5);
    EXPECT_DOUBLE_EQ(eval("7 2 %"), 1);
    EXPECT_DOUBLE_EQ(eval("118.30 flr"), 118);
    EXPECT_DOUBLE_EQ(eval("-2.5 abs ceil"), 3);
    EXPECT_DOUBLE_EQ(eval("2.5 near"), 3);
    EXPECT_DOUBLE_EQ(eval("-2.7 int"), -2);
    EXPECT_DOUBLE_EQ(eval("3 /-/"), -3);
    EXPECT_DOUBLE_EQ(eval("4 9 min 1 max"), 4);
    EXPECT_DOUBLE_EQ(eval("1 0 /"), 0);  // a division by zero gives 0, not infinity
    EXPECT_DOUBLE_EQ(eval("0x1F 1 +"), 32);
}

TEST(Calculator, AnglesNormaliseAndConvert) {
    EXPECT_DOUBLE_EQ(eval("-90 dnor"), 270);
    EXPECT_DOUBLE_EQ(eval("720 dnor"), 0);
    EXPECT_NEAR(eval("180 dgrd"), M_PI, 1e-12);
    EXPECT_NEAR(eval("pi rddg"), 180, 1e-12);
    EXPECT_NEAR(eval("30 dgrd sin"), 0.5, 1e-12);
    EXPECT_NEAR(eval("1 1 atan2 rddg"), 45, 1e-12);
}

TEST(Calculator, ComparisonsLogicAndBits) {
    EXPECT_DOUBLE_EQ(eval("1 2 <"), 1);
    EXPECT_DOUBLE_EQ(eval("2 2 !="), 0);
    EXPECT_DOUBLE_EQ(eval("1 0 && 1 ||"), 1);
    EXPECT_DOUBLE_EQ(eval("0 !"), 1);
    EXPECT_DOUBLE_EQ(eval("12 10 &"), 8);
    EXPECT_DOUBLE_EQ(eval("1 4 <<"), 16);
    EXPECT_DOUBLE_EQ(eval("5 7 1 ?"), 5);
    EXPECT_DOUBLE_EQ(eval("5 7 0 ?"), 7);
}

TEST(Calculator, IfElseTakesOneBranch) {
    EXPECT_DOUBLE_EQ(eval("1 if{ 10 } els{ 20 }"), 10);
    EXPECT_DOUBLE_EQ(eval("0 if{ 10 } els{ 20 }"), 20);
    EXPECT_DOUBLE_EQ(eval("5 0 if{ 10 + }"), 5);
    EXPECT_DOUBLE_EQ(eval("1 if{ 0 if{ 1 } els{ 2 } } els{ 3 }"), 2);
    EXPECT_DOUBLE_EQ(eval("4 quit 5"), 4);
}

TEST(Calculator, StackWordsAndRegisters) {
    EXPECT_DOUBLE_EQ(eval("3 d *"), 9);
    EXPECT_DOUBLE_EQ(eval("1 2 r -"), 1);
    EXPECT_DOUBLE_EQ(eval("1 2 p"), 1);
    EXPECT_DOUBLE_EQ(eval("6 s0 p l0 l0 +"), 12);
    EXPECT_DOUBLE_EQ(eval("6 sp1 2 l1 *"), 12);
}

TEST(Calculator, VariablesAreReadWrittenAndEventsSentWithTheirValue) {
    Names names;
    calc::Program program;
    std::string error;
    ASSERT_TRUE(
        calc::compile("(L:COM SEL,number) 1 < if{ (L:COM SEL,number) 1 + (>L:COM SEL,number) } "
                      "1600 (> K:PANEL_ID_TOGGLE) (>K:ATC)",
                      names, program, error))
        << error;
    calc::run(program, names);
    EXPECT_DOUBLE_EQ(names.values["L:COM SEL,number"], 1);
    calc::run(program, names);  // now 1: no longer below 1
    EXPECT_DOUBLE_EQ(names.values["L:COM SEL,number"], 1);
    EXPECT_EQ(names.sent, (std::vector<std::string>{"K:PANEL_ID_TOGGLE=1600.000000", "K:ATC=0.000000",
                                                    "K:PANEL_ID_TOGGLE=1600.000000", "K:ATC=0.000000"}));
    names.values["A:Airspeed indicated,knots"] = 120;
    EXPECT_DOUBLE_EQ(eval("(A:Airspeed indicated, knots) 2 /", names), 60);
}

TEST(Calculator, ScriptsThatCannotRunAreRefusedWithTheReason) {
    EXPECT_NE(refusal("1 +").find("\"+\" takes 2 values, the stack holds 1"), std::string::npos);
    EXPECT_NE(refusal("1 if{ 2").find("not closed"), std::string::npos);
    EXPECT_NE(refusal("1 }").find("} without if{"), std::string::npos);
    EXPECT_NE(refusal("els{ 1 }").find("els{ without if{"), std::string::npos);
    EXPECT_NE(refusal("1 2 frob").find("unknown operator \"frob\" (word 3)"), std::string::npos);
    EXPECT_NE(refusal("(A:Airspeed indicated, knots").find("no ')'"), std::string::npos);
    EXPECT_NE(refusal("1 (>A:Airspeed indicated, knots)").find("read only"), std::string::npos);
    EXPECT_NE(refusal("(>K:NO_SUCH)").find("unknown event NO_SUCH"), std::string::npos);
    EXPECT_NE(refusal("l50").find("unknown operator"), std::string::npos);
    EXPECT_NE(refusal(std::string(calc::kMaxScriptBytes + 1, ' ')).find("more than"), std::string::npos);
}

TEST(Calculator, AStackThatGrowsPastItsDepthStopsTheRun) {
    std::string text;
    for (int i = 0; i < calc::kStackDepth + 5; ++i) text += "1 ";
    Names names;
    calc::Program program;
    std::string error;
    ASSERT_TRUE(calc::compile(text, names, program, error)) << error;
    EXPECT_STREQ(calc::run(program, names).problem, "the stack overflows");
}

TEST(Calculator, ABranchThatLeavesTheStackShortIsCaughtWhenRun) {
    // Statically the els branch pushes as much as the if branch; at run time the if
    // branch popped one more than it pushed.
    Names names;
    calc::Program program;
    std::string error;
    ASSERT_TRUE(calc::compile("2 1 if{ p } els{ 0 } +", names, program, error)) << error;
    EXPECT_STREQ(calc::run(program, names).problem, "the stack underflows");
}

TEST(CalculatorText, TextsCompareMeasureAndCount) {
    EXPECT_DOUBLE_EQ(eval("'abc' 'abd' scmp"), -1);
    EXPECT_DOUBLE_EQ(eval("'b' 'abc' scmp"), 1);
    EXPECT_DOUBLE_EQ(eval("'ab' 'abc' scmp"), -1);
    EXPECT_DOUBLE_EQ(eval("'N172SP' 'n172sp' scmp"), -1);  // upper case sorts first
    EXPECT_DOUBLE_EQ(eval("'N172SP' 'n172sp' scmi"), 0);
    EXPECT_DOUBLE_EQ(eval("'hello world' slen"), 11);
    EXPECT_DOUBLE_EQ(eval("'' slen"), 0);
    EXPECT_DOUBLE_EQ(eval("'A' ord"), 65);
    EXPECT_DOUBLE_EQ(eval("'abc' 'abc' =="), 1);
    EXPECT_DOUBLE_EQ(eval("'abc' 'abd' !="), 1);
    EXPECT_DOUBLE_EQ(eval("'abcd' 'cd' sstr"), 2);
    EXPECT_DOUBLE_EQ(eval("'abcd' 'x' schr"), -1);
    EXPECT_DOUBLE_EQ(eval("'abcd' 'dz' schr"), 3);
}

TEST(CalculatorText, TextOperatorsMakeNewTexts) {
    EXPECT_EQ(eval_text("'Hello' uc"), "HELLO");
    EXPECT_EQ(eval_text("'Hello' lc"), "hello");
    EXPECT_EQ(eval_text("'cessna 172' cap"), "Cessna 172");
    EXPECT_EQ(eval_text("65 chr"), "A");
    EXPECT_EQ(eval_text("0 chr"), "");
    EXPECT_EQ(eval_text("'abcdef' 1 3 ssub"), "bc");
    EXPECT_EQ(eval_text("'abc' 2 9 ssub"), "c");  // held to the text's ends
    EXPECT_EQ(eval_text("'abc' 3 1 ssub"), "");
    EXPECT_EQ(eval_text("'abcd' 2 symb"), "c");
    EXPECT_EQ(eval_text("'abcd' -1 symb"), "");
    EXPECT_EQ(eval_text("'abc' 'def' scat"), "abcdef");
    EXPECT_EQ(eval_text("'COM ' 118.3 scat"), "COM 118.3");  // a number written as text
    EXPECT_EQ(eval_text("'it is' ' ' scat 'on' uc scat"), "it is ON");
}

TEST(CalculatorText, TextsKeepThroughBranchesRegistersAndChoices) {
    EXPECT_EQ(eval_text("1 if{ 'on' } els{ 'off' }"), "on");
    EXPECT_EQ(eval_text("0 if{ 'on' } els{ 'off' }"), "off");
    EXPECT_EQ(eval_text("'x' s0 p l0 d scat"), "xx");
    EXPECT_EQ(eval_text("'yes' 'no' 0 ?"), "no");
    EXPECT_EQ(eval_text("'a' 'b' r scat"), "ba");
    // A text where a number is wanted reads as the number it spells, else 0.
    EXPECT_DOUBLE_EQ(eval("'12' 1 +"), 13);
    EXPECT_DOUBLE_EQ(eval("' 2.5 ' 2 *"), 5);
    EXPECT_DOUBLE_EQ(eval("'abc' 1 +"), 1);
    Names names;
    EXPECT_DOUBLE_EQ(eval("'7' (>L:Seven,number) (L:Seven,number)", names), 7);
}

TEST(CalculatorText, TextVariablesAreReadFromTheEnvironment) {
    Names names;
    names.texts["A:ATC ID,string"] = "N172SP";
    EXPECT_DOUBLE_EQ(eval("(A:ATC ID, string) 'N172SP' scmp", names), 0);
    EXPECT_DOUBLE_EQ(eval("(A:ATC ID, String) slen", names), 6);
    EXPECT_EQ(eval_text("(A:ATC ID, string) 1 3 ssub", names), "17");
    EXPECT_NE(refusal("'x' (>L:Name, string)").find("text variables are read, not written"), std::string::npos);
}

TEST(CalculatorText, BrokenTextsAndUnknownTextWordsAreRefused) {
    EXPECT_NE(refusal("'abc 1 +").find("a text's ' has no closing ' (word 1)"), std::string::npos);
    EXPECT_NE(refusal("'abc' sfoo").find("unknown operator \"sfoo\" (word 2)"), std::string::npos);
    EXPECT_NE(refusal("'abc' scmp").find("\"scmp\" takes 2 values, the stack holds 1"), std::string::npos);
    EXPECT_NE(refusal("'abc' 1 ssub").find("\"ssub\" takes 3 values"), std::string::npos);
}

TEST(CalculatorText, TextsThatOutgrowTheScratchStopTheRunEveryTime) {
    // Each scat doubles the text: ten bytes become 1280, past the scratch's 1024.
    std::string text = "'0123456789'";
    for (int i = 0; i < 7; ++i) text += " d scat";
    Names names;
    calc::Program program;
    std::string error;
    ASSERT_TRUE(calc::compile(text, names, program, error)) << error;
    for (int run = 0; run < 2; ++run)
        EXPECT_STREQ(calc::run(program, names).problem, "the script's texts outgrow its scratch");
    ASSERT_TRUE(calc::compile("'0123456789' d scat d scat", names, program, error)) << error;
    for (int run = 0; run < 2; ++run) EXPECT_EQ(calc::run(program, names).text.size(), 40u);  // room again each run
}

TEST(CalculatorText, OnlyScriptsThatMakeTextsHaveAScratch) {
    Names names;
    calc::Program program;
    std::string error;
    ASSERT_TRUE(calc::compile("'abc' 'abd' scmp (A:ATC ID, string) slen +", names, program, error)) << error;
    EXPECT_TRUE(program.scratch.empty());
    ASSERT_TRUE(calc::compile("'abc' uc", names, program, error)) << error;
    EXPECT_EQ(program.scratch.size(), calc::kScratchBytes);
}

TEST(CalculatorText, CheckNamesTextVariablesAndUnknownTextWordsWithFileAndLine) {
    xmltest::Scratch scratch("calculator_text_check");
    scratch.write("Tag/tag.xml",
                  std::string("<Gauge>\n"
                              "  <Element><Visible>(A:ATC ID, string) 'N1' scmp 0 ==</Visible></Element>\n"
                              "  <Element><Visible>'a' sfoo</Visible></Element>\n"
                              "</Gauge>\n"));
    const std::string panel = scratch
                                  .write("panel.cfg", std::string("[Window Titles]\nWindow00=Main\n[Window00]\n"
                                                                  "size_mm=100,100\ngauge00=Tag!tag, 0, 0, 20, 20\n"))
                                  .string();
    const Diagnostics findings = check_command({panel, TARVOLEN_MODULE_PATH, {}});
    const std::string file = (scratch.dir / "Tag").string() + "/tag.xml";
    std::vector<std::string> printed;
    for (const Diagnostic& d : findings.items()) printed.push_back(d.str());
    const std::string all = ::testing::PrintToString(printed);
    EXPECT_NE(all.find(file + ":3: script: unknown operator \\\"sfoo\\\" (word 2)"), std::string::npos) << all;
    EXPECT_NE(all.find(file + ":2: A:ATC ID is not simulated by the host: it reads as empty text"), std::string::npos)
        << all;
}
