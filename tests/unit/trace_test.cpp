// The trace's JSON lines: the text the Windows and Linux hosts compare line by line,
// the gauge each line names, and a trace that is off.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/trace/json_writer.h"
#include "host/trace/trace_writer.h"
#include "tests/unit/host_fixture.h"

namespace {

std::string written_real(double value) {
    Trace trace;
    trace.add("value").real("value", value);
    return trace.line(0);
}

// A stream that takes its time over each write, as a full disk cache does, so that a
// batch handed back before its writing ended would be refilled under the writer.
class SlowText : public std::stringbuf {
protected:
    std::streamsize xsputn(const char* text, std::streamsize n) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return std::stringbuf::xsputn(text, n);
    }
};

}  // namespace

TEST(TraceLines, FieldsComeOutInTheOrderTheyWereGivenWithTheOpFirst) {
    Trace trace;
    trace.add("click").text("gauge", "Old_COM1").num("x", -20).num("y", 105).num("rect", 4);
    trace.add("flags").text("gauge", "Old_ADF").num("element", 3).hex("flags", 0x80004083u);
    trace.add("update");
    EXPECT_EQ(trace.joined(),
              "{\"op\":\"click\",\"gauge\":\"Old_COM1\",\"x\":-20,\"y\":105,\"rect\":4}\n"
              "{\"op\":\"flags\",\"gauge\":\"Old_ADF\",\"element\":3,\"flags\":\"0x80004083\"}\n"
              "{\"op\":\"update\"}\n");
}

TEST(TraceLines, RealsHaveTwelveSignificantDigitsAndZeroIsPlainZero) {
    EXPECT_EQ(written_real(0.0), "{\"op\":\"value\",\"value\":0}");
    EXPECT_EQ(written_real(-0.0), "{\"op\":\"value\",\"value\":0}");
    EXPECT_EQ(written_real(1.0 / 3.0), "{\"op\":\"value\",\"value\":0.333333333333}");
    EXPECT_EQ(written_real(118.3), "{\"op\":\"value\",\"value\":118.3}");
    EXPECT_EQ(written_real(-2.5e-7), "{\"op\":\"value\",\"value\":-2.5e-07}");
    EXPECT_EQ(written_real(1e20), "{\"op\":\"value\",\"value\":1e+20}");
    EXPECT_EQ(written_real(6416), "{\"op\":\"value\",\"value\":6416}");
}

// Reals are formatted without printf; the digits must stay what %.12g writes, which
// the Windows host's trace is compared against.
TEST(TraceLines, RealsAreTheDigitsPrintfWritesForEveryKindOfValue) {
    std::mt19937_64 random(26);
    std::vector<double> values = {1e-320,
                                  5e-324,
                                  1.7976931348623157e308,
                                  0.1,
                                  1e15,
                                  1e16,
                                  123456789012.5,
                                  999999999999.5,
                                  9.999999999995e-5,
                                  1e-5,
                                  0.0001,
                                  1e12,
                                  1e11,
                                  -118.3,
                                  999999999999.0,
                                  -999999999999.0,
                                  4503599627370497.0,
                                  -1e12,
                                  0.5,
                                  -4608.0};
    for (int i = 0; i < 20000; ++i) {
        uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value)) values.push_back(value);
        values.push_back(
            std::ldexp(static_cast<double>(random() % 2000001) - 1000000.0, static_cast<int>(random() % 80) - 60));
    }
    for (const double value : values) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.12g", value);
        EXPECT_EQ(format_real(value), expected) << "bits of the value: " << std::hexfloat << value;
    }
}

TEST(TraceLines, AStreamedTraceIsTheJoinedOne) {
    Trace trace;
    for (int i = 0; i < 3000; ++i)
        trace.add("update")
            .num("frame", i)
            .real("value", i / 7.0)
            .text("gauge", std::string(static_cast<size_t>(i % 50), 'x'));
    std::ostringstream streamed;
    trace.write(streamed);
    EXPECT_EQ(streamed.str(), trace.joined());
    EXPECT_GT(streamed.str().size(), 64u * 1024u);  // more than one piece
}

// Short texts are copied in moves of 8 bytes: every length must come out whole, and no
// move may read past the text's end (each text here is a block of exactly its size, so
// the sanitizers see a read beyond it).
TEST(TraceLines, TextsOfEveryLengthAreCopiedWholeWithoutReadingPastThem) {
    for (size_t n = 0; n <= 70; ++n) {
        const auto text = std::make_unique<char[]>(n);
        for (size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + i % 26);
        std::string out(n + 16, '#');
        char* end = put_bytes(out.data(), std::string_view(text.get(), n));
        ASSERT_EQ(static_cast<size_t>(end - out.data()), n);
        EXPECT_EQ(out.substr(0, n), std::string(text.get(), n)) << n;
        EXPECT_EQ(out.substr(n), std::string(16, '#')) << n;
    }
}

TEST(TraceLines, TextIsEscapedAndHexWordsAreUpperCaseStrings) {
    Trace trace;
    trace.add("text").text("text", std::string("a\"b\\c\nd\te\x01\x7f\xe9", 12)).hex("zero", 0).hex("all", 0xFFFFFFFFu);
    EXPECT_EQ(trace.line(0),
              "{\"op\":\"text\",\"text\":\"a\\\"b\\\\c\\nd\\te\\u0001\\u007F\\u00E9\",\"zero\":\"0x0\",\"all\":"
              "\"0xFFFFFFFF\"}");
}

TEST(JsonText, TextForThePageIsUtf8AndCp1252BytesAreReadAsSuch) {
    std::string out;
    JsonWriter(out)
        .begin_array()
        .utf8("a\"b\\\xC3\xA9\x01")  // UTF-8 kept; a control character made U+FFFD
        .utf8("Bo\xEEte \x80")       // cp1252: i circumflex, the euro sign
        .finite(std::numeric_limits<double>::infinity())
        .end_array();
    EXPECT_EQ(out, "[\"a\\\"b\\\\\xC3\xA9\xEF\xBF\xBD\",\"Bo\xC3\xAEte \xE2\x82\xAC\",null]");
}

TEST(TraceLines, TextsOfEarlyRecordsSurviveManyLaterOnes) {
    Trace trace;
    for (int i = 0; i < 2000; ++i) trace.add("fault").text("what", "fault number " + std::to_string(i));
    ASSERT_EQ(trace.size(), 2000u);
    EXPECT_EQ(Json::parse(trace.line(0))["what"], "fault number 0");
    EXPECT_EQ(Json::parse(trace.line(1999))["what"], "fault number 1999");
    EXPECT_EQ(trace.count("fault"), 2000u);
    trace.clear();
    EXPECT_EQ(trace.size(), 0u);
    trace.add("kill").text("gauge", "VOR1_Indicator");
    EXPECT_EQ(Json::parse(trace.line(0))["gauge"], "VOR1_Indicator");
}

// The live page files lines by the gauge they name, and the far side sends that name
// beside each line: it must read back as the gauge's own bytes, whether the line needed
// escapes for it or the line came whole from another process.
TEST(TraceLines, EachLineNamesItsGaugeAsGivenEscapedOrNot) {
    Trace trace;
    trace.add("update").text("gauge", "Old_COM1").num("id", 1);
    trace.add("text").text("text", "a\"b").text("gauge", "Tab\tand \"quote\"").text("gauge", "second");
    trace.add("send_event").num("id", 65832);
    trace.add_line("{\"op\":\"value\",\"gauge\":\"Old_ADF\",\"value\":3}", "Old_ADF");
    trace.add_line("{\"op\":\"fault\"}", "");
    trace.add("kill").text("gauge", std::string(3000, 'g'));
    ASSERT_EQ(trace.size(), 6u);
    EXPECT_EQ(trace.gauge(0), "Old_COM1");
    EXPECT_EQ(trace.gauge(1), "Tab\tand \"quote\"");
    EXPECT_EQ(trace.line(1),
              "{\"op\":\"text\",\"text\":\"a\\\"b\",\"gauge\":\"Tab\\tand \\\"quote\\\"\",\"gauge\":\"second\"}");
    EXPECT_EQ(trace.gauge(2), "");
    EXPECT_EQ(trace.gauge(3), "Old_ADF");
    EXPECT_EQ(trace.gauge(4), "");
    EXPECT_EQ(trace.gauge(5), std::string(3000, 'g'));
    EXPECT_EQ(trace.op(1), "text");
    EXPECT_EQ(trace.op(3), "value");
    EXPECT_EQ(trace.line(3), "{\"op\":\"value\",\"gauge\":\"Old_ADF\",\"value\":3}");
    EXPECT_EQ(trace.count("fault"), 1u);
    // Cleared, the next lines name their own gauges, not those of the lines before.
    trace.clear();
    trace.add("update").text("gauge", "VOR1_Indicator");
    EXPECT_EQ(trace.gauge(0), "VOR1_Indicator");
    EXPECT_EQ(trace.joined(), "{\"op\":\"update\",\"gauge\":\"VOR1_Indicator\"}\n");
}

// Runs of records name the same gauge, and its quoted name is reused while it stays the
// same: an empty name first, a name that changes, one that comes back, each as given.
TEST(TraceLines, AGaugeNamedAgainAndAgainOrEmptyIsWrittenAsGiven) {
    Trace trace;
    std::string name;
    trace.add("update").text("gauge", name);
    trace.add("value").text("gauge", "A\"").num("element", 1);
    trace.add("value").text("gauge", "A\"").num("element", 2);
    name = "B";
    trace.add("flags").text("gauge", name);
    name = "C";  // the same string, other text
    trace.add("flags").text("gauge", name);
    trace.add("kill").text("gauge", "");
    EXPECT_EQ(trace.joined(),
              "{\"op\":\"update\",\"gauge\":\"\"}\n"
              "{\"op\":\"value\",\"gauge\":\"A\\\"\",\"element\":1}\n"
              "{\"op\":\"value\",\"gauge\":\"A\\\"\",\"element\":2}\n"
              "{\"op\":\"flags\",\"gauge\":\"B\"}\n"
              "{\"op\":\"flags\",\"gauge\":\"C\"}\n"
              "{\"op\":\"kill\",\"gauge\":\"\"}\n");
    EXPECT_EQ(trace.gauge(2), "A\"");
    EXPECT_EQ(trace.gauge(4), "C");
}

// A trace moved into a batch (as the live page takes it each frame) keeps its lines
// and names, and the host's trace records anew into what the batch held.
TEST(TraceLines, ATraceTakenIntoABatchKeepsItsLinesAndTheHostStartsAfresh) {
    Trace host;
    for (int i = 0; i < 5000; ++i) host.add("update").text("gauge", "G" + std::to_string(i)).num("id", i);
    TraceBatch batch;
    batch.clear();
    std::swap(batch.records, host);
    host.add("kill").text("gauge", "after");
    ASSERT_EQ(batch.size(), 5000u);
    EXPECT_EQ(batch.gauge(4999), "G4999");
    EXPECT_EQ(batch.line(0), "{\"op\":\"update\",\"gauge\":\"G0\",\"id\":0}");
    ASSERT_EQ(host.size(), 1u);
    EXPECT_EQ(host.gauge(0), "after");
}

TEST(TraceLines, ATraceWrittenOnTheWritersThreadIsEveryStretchInTheOrderSent) {
    SlowText text;
    std::ostream out(&text);
    Trace host, all;
    {
        TraceWriter writer(out);
        for (int stretch = 0; stretch < 60; ++stretch) {
            for (int i = 0; i < stretch * 7 % 50; ++i) {
                host.add("update").num("stretch", stretch).text("gauge", "G" + std::to_string(i));
                all.add("update").num("stretch", stretch).text("gauge", "G" + std::to_string(i));
            }
            TraceBatch& next = writer.next();
            next.clear();
            std::swap(next.records, host);
            writer.send();
        }
        writer.finish();
        EXPECT_EQ(text.str(), all.joined());
        host.add("last");
        all.add("last");
        std::swap(writer.next().records, host);
        writer.send();
    }  // the writer writes what was sent before it ends
    EXPECT_EQ(text.str(), all.joined());
}

TEST(TraceLines, ATraceSwitchedOffKeepsNothingUntilSwitchedOnAgain) {
    Trace trace;
    trace.set_enabled(false);
    trace.add("send_event").num("id", 65832).num("value", 0);
    EXPECT_EQ(trace.size(), 0u);
    trace.set_enabled(true);
    trace.add("send_event").num("id", 65833).num("value", 0);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(Json::parse(trace.line(0))["id"], 65833);
}

TEST(JsonText, ArraysAndObjectsNestWithTheirOwnSeparators) {
    std::string out;
    JsonWriter json(out);
    json.begin_object().key("gauges").begin_array(",\n");
    json.begin_object().text("name", "A").key("box").begin_array().num(1).num(2).end_array().end_object();
    json.begin_object().text("name", "B").key("points").begin_array().end_array().flag("handler", false).end_object();
    json.end_array().end_object();
    EXPECT_EQ(out, "{\"gauges\":[{\"name\":\"A\",\"box\":[1,2]},\n{\"name\":\"B\",\"points\":[],\"handler\":false}]}");
    const Json doc = Json::parse(out);
    EXPECT_EQ(doc["gauges"][0]["box"][1], 2);
    EXPECT_EQ(doc["gauges"][1]["handler"], false);
}

// A host made with the trace off runs gauges exactly as one with the trace on, and still
// reports faults.
TEST(TraceOff, AHostWithoutATraceRunsTheSameGaugesAndStillReportsFaults) {
    PanelHost quiet(HostOptions{.trace = false});
    PanelHost traced;
    std::vector<double> values[2];
    PanelHost* hosts[] = {&quiet, &traced};
    for (int h = 0; h < 2; ++h) {
        PanelHost& host = *hosts[h];
        Diagnostics error;
        ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
        const int com1 = host.place("Old_COM1", std::nullopt, error);
        ASSERT_GE(com1, 0) << error;
        host.click(com1, 20, 105);  // power on
        host.click(com1, 105, 75);  // one megahertz up
        host.frame_all();
        for (const ElementState& state : host.placement(com1)->elements) values[h].push_back(state.value);
    }
    EXPECT_EQ(values[0], values[1]);
    EXPECT_EQ(quiet.aircraft().vars().u32(23), traced.aircraft().vars().u32(23));
    EXPECT_EQ(quiet.trace().size(), 0u);
    EXPECT_GT(traced.trace().size(), 0u);
    quiet.service_unexpected(7);
    EXPECT_EQ(quiet.errors(), std::vector<std::string>{"unexpected service 7"});
    EXPECT_EQ(quiet.trace().size(), 0u);
}
