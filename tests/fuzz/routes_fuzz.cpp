// Fuzzes the live page's request handling: any method, target and body, answered by
// the routes over one served panel (opened once, as a server would hold it for hours).
// The input is "METHOD TARGET [LENGTH]\n" and then the body; LENGTH is the length the
// request declares (the body's own size when absent). Every answer has a status the
// page knows; a refusal says "STATUS TEXT: reason" on one line of UTF-8; JSON answers
// parse; and the panel keeps answering.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "host/base/utf8.h"
#include "host/serve/live_panel.h"
#include "host/serve/routes.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "routes_fuzz: %s\n", what.c_str());
    std::abort();
}

// A refusal quotes at most a field (SERVE_MAX_FIELD bytes, each at most three once made
// UTF-8) beside its own words.
constexpr size_t kMostRefusal = 3 * SERVE_MAX_FIELD + 256;

LivePanel* panel = nullptr;
PageRoutes* routes = nullptr;

bool known_status(int status) {
    switch (status) {
        case 200:
        case 400:
        case 404:
        case 405:
        case 409:
        case 413:
        case 422: return true;
        default: return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    panel = new LivePanel;
    LiveOptions options;
    options.panel_path = TARVOLEN_SOURCE_DIR "/tests/serve/live_panel.cfg";
    options.module_path = TARVOLEN_MODULE_PATH;
    Diagnostics diagnostics;
    if (!panel->open(options, diagnostics)) fail("the panel does not open: " + diagnostics.errors().front());
    std::vector<PageMessage> first;
    panel->collect(first);
    routes = new PageRoutes(
        *panel,
        [](const std::function<void()>& job) {
            job();
            return true;
        },
        [] {
            std::vector<PageMessage> changes;
            panel->collect(changes);
        });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t newline = text.find('\n');
    const std::string head = text.substr(0, newline);
    PageRequest request;
    request.body = newline == std::string::npos ? "" : text.substr(newline + 1);
    const size_t space = head.find(' ');
    request.method = head.substr(0, space);
    std::string target = space == std::string::npos ? "" : head.substr(space + 1);
    request.content_length = static_cast<long long>(request.body.size());
    if (const size_t length_at = target.rfind(' '); length_at != std::string::npos) {
        request.content_length = std::strtoll(target.c_str() + length_at + 1, nullptr, 10);
        target.resize(length_at);
    }
    const size_t question = target.find('?');
    request.path = target.substr(0, question);
    if (question != std::string::npos) request.query = target.substr(question + 1);

    const PageResponse response = routes->answer(request);
    if (!known_status(response.status)) fail("status " + std::to_string(response.status));
    if (response.type.empty()) fail("an answer without a type");
    if (response.status >= 400) {
        const std::string start = std::to_string(response.status) + " ";
        if (!response.body.starts_with(start) || response.body.find(": ") == std::string::npos ||
            response.body.find('\n') != response.body.size() - 1)
            fail("a refusal that is not one line with its reason: " + response.body);
        if (response.body.size() > kMostRefusal)
            fail("a refusal of " + std::to_string(response.body.size()) + " bytes");
        if (!valid_utf8(response.body)) fail("a refusal that is not UTF-8: " + response.body);
    } else if (response.type == "application/json" && !nlohmann::json::accept(response.body)) {
        fail("an answer that does not parse as JSON: " + response.body.substr(0, 200));
    }
    return 0;
}
