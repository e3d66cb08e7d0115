// The live page's requests as the routes answer them, without a socket: files by name,
// refusals that say why in one line of UTF-8, bounded bodies and fields, inputs that
// reach the panel, and a server that is stopping.
#include "host/serve/routes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "host/base/utf8.h"

namespace {

const std::string kPanel = TARVOLEN_SOURCE_DIR "/tests/serve/live_panel.cfg";

class RoutesTest : public ::testing::Test {
protected:
    void SetUp() override {
        LiveOptions options;
        options.panel_path = kPanel;
        options.module_path = TARVOLEN_MODULE_PATH;
        Diagnostics diagnostics;
        ASSERT_TRUE(panel.open(options, diagnostics)) << diagnostics;
        std::vector<PageMessage> first;
        panel.collect(first);  // as the server does before it listens
        routes = std::make_unique<PageRoutes>(
            panel,
            [this](const std::function<void()>& job) {
                if (stopping) return false;
                job();
                return true;
            },
            [this] { ++inputs_seen; });
    }
    PageResponse get(const std::string& path, const std::string& query = {}) {
        return routes->answer({"GET", path, query, "", -1});
    }
    PageResponse post(const std::string& path, const std::string& body) {
        return routes->answer({"POST", path, "", body, static_cast<long long>(body.size())});
    }
    // A refusal: its status, and a reason on one line of UTF-8.
    static void expect_refusal(const PageResponse& response, int status, const std::string& words) {
        EXPECT_EQ(response.status, status) << response.body;
        EXPECT_TRUE(response.body.starts_with(std::to_string(status) + " ")) << response.body;
        EXPECT_NE(response.body.find(words), std::string::npos) << response.body;
        EXPECT_EQ(response.body.find('\n'), response.body.size() - 1) << response.body;
        EXPECT_TRUE(valid_utf8(response.body)) << response.body;
    }

    LivePanel panel;
    std::unique_ptr<PageRoutes> routes;
    bool stopping = false;
    int inputs_seen = 0;
};

TEST_F(RoutesTest, ServesTheEmbeddedFilesByNameAndNothingElse) {
    const PageResponse page = get("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.type, "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("<html"), std::string::npos);
    EXPECT_EQ(get("/page.js").type, "text/javascript; charset=utf-8");
    EXPECT_EQ(get("/click.wav").type, "audio/wav");
    EXPECT_TRUE(get("/click.wav").body.starts_with("RIFF"));

    expect_refusal(get("/nothing.html"), 404, "no file \"nothing.html\"");
    for (const char* path : {"/../panel.cfg", "//etc/passwd", "/a\\b", "", "relative"})
        expect_refusal(get(path), 400, "its own files only");
    expect_refusal(routes->answer({"PUT", "/", "", "", -1}), 405, "GET and POST");
    expect_refusal(post("/index.html", ""), 405, "only /api/");
}

TEST_F(RoutesTest, IndexHtmlWithAnEncodedNulServedThePage) {
    // The path is decoded before it is matched: an encoded NUL, dot-dot or backslash is
    // refused, an encoded name is the file's.
    for (const char* path : {"/index.html%00.js", "/%2e%2e/etc/passwd", "/a%5cb", "/%2F%2Fetc"})
        expect_refusal(get(path), 400, "its own files only");
    EXPECT_EQ(get("/page%2ejs").status, 200);
}

TEST(UrlDecode, DecodesEscapesAndKeepsBrokenOnes) {
    EXPECT_EQ(url_decode("a%41%4a%4A+b", false), "aAJJ+b");
    EXPECT_EQ(url_decode("a+b%20c", true), "a b c");
    EXPECT_EQ(url_decode("%", true), "%");
    EXPECT_EQ(url_decode("%4", true), "%4");
    EXPECT_EQ(url_decode("%zz%4g", true), "%zz%4g");
    EXPECT_EQ(url_decode("%00", true), std::string(1, '\0'));
}

TEST_F(RoutesTest, FormFieldsAreFoundByWholeNameInBodyThenQuery) {
    // "xgauge" is not "gauge"; the body's field wins over the query's.
    const PageResponse click =
        routes->answer({"POST", "/api/click", "gauge=999&x=1&y=1", "xgauge=1&gauge=3&x=5&y=5", 24});
    EXPECT_EQ(click.status, 200) << click.body;
    expect_refusal(post("/api/click", "xgauge=3&x=5&y=5"), 400, "needs gauge");
}

TEST_F(RoutesTest, ATabsTextMessageIsAnInputOrATraceRequest) {
    // An input as the POST's form: done, nothing to answer; a refusal is answered.
    EXPECT_TRUE(routes->message(7, "night?on=1").empty());
    std::vector<PageMessage> shown;
    panel.snapshot(shown);
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                            [](const PageMessage& m) { return m.json.find("\"night\":true") != std::string::npos; }));
    const std::vector<PageMessage> refused = routes->message(7, "{\"type\":\"hello\"}");
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].json.find("\"type\":\"refused\""), std::string::npos) << refused[0].json;
    EXPECT_NE(refused[0].json.find("404"), std::string::npos) << refused[0].json;
    // The trace: the lines after the one given.
    const std::vector<PageMessage> trace = routes->message(7, "trace?after=0");
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_NE(trace[0].json.find("\"type\":\"trace-lines\""), std::string::npos);
}

TEST_F(RoutesTest, BodiesAndFieldsAreBounded) {
    expect_refusal(routes->answer({"POST", "/api/night", "", "on=1", SERVE_MAX_BODY + 1}), 413, "at most");
    expect_refusal(post("/api/night", "on=1&pad=" + std::string(SERVE_MAX_BODY, 'x')), 413, "at most");
    expect_refusal(post("/api/var", "name=" + std::string(SERVE_MAX_FIELD + 1, 'x') + "&value=1"), 400,
                   "a field holds at most");
    // Encoded, a field may take three times its decoded bytes.
    std::string encoded;
    for (size_t i = 0; i < SERVE_MAX_FIELD - 6; ++i) encoded += "%41";
    expect_refusal(post("/api/var", "name=" + encoded + "&value=1"), 404, "AAAA");
}

TEST_F(RoutesTest, RefusalQuotingBytesNotUtf8IsOneLineOfUtf8) {
    // Found by fuzzing: the reason quoted the field's raw bytes.
    expect_refusal(get("/api/trace", "after=%a1%a1tracl"), 400, "after:");
    expect_refusal(post("/api/window", "ident=%0a%0d%ff"), 400, "ident:");
    expect_refusal(post("/api/\xff\xfe", ""), 404, "no input");
}

TEST_F(RoutesTest, InputsReachThePanelAndRefusalsSayWhy) {
    const uint64_t before = panel.last_trace_seq();
    const PageResponse click = post("/api/click", "gauge=3&x=5&y=5");
    EXPECT_EQ(click.status, 200) << click.body;
    EXPECT_EQ(click.body, "{\"ok\":true}");
    EXPECT_GT(panel.last_trace_seq(), before);
    EXPECT_EQ(inputs_seen, 1);

    expect_refusal(post("/api/click", "gauge=3&x=5"), 400, "needs y");
    expect_refusal(post("/api/click", "gauge=3&x=5&y=1.5"), 400, "y:");
    expect_refusal(post("/api/flight", "action=play&speed=0"), 422, "0.25 to 16");
    expect_refusal(post("/api/launch", ""), 404, "no input \"launch\"");

    const PageResponse trace = get("/api/trace", "after=0");
    ASSERT_EQ(trace.status, 200);
    const auto lines = nlohmann::json::parse(trace.body);
    EXPECT_FALSE(lines["lines"].empty());
    EXPECT_EQ(lines["last"], panel.last_trace_seq());
}

TEST_F(RoutesTest, AStoppingServerTakesNoInput) {
    stopping = true;
    expect_refusal(post("/api/night", "on=1"), 503, "stopping");
    expect_refusal(get("/api/trace"), 503, "stopping");
    EXPECT_EQ(inputs_seen, 0);
    EXPECT_EQ(get("/").status, 200);  // the page's files need no panel
}

}  // namespace
