// The live page's HTTP requests apart from the server that carries them: what a request
// asks and how it is answered, so that the answers are the same whether the request
// came over a socket, from a test or from a fuzzer.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/serve/live_panel.h"
#include "host/serve/workbench.h"

// The most bytes of a request line with its headers, and of a request body.
inline constexpr int SERVE_MAX_REQUEST = 8192;
inline constexpr long long SERVE_MAX_BODY = 4096;
// The longest value of one form field, once decoded.
inline constexpr size_t SERVE_MAX_FIELD = 256;

struct PageRequest {
    std::string method;             // "GET", "POST", ...
    std::string path;               // as sent, not decoded (the routes decode it)
    std::string query;              // after '?', still encoded
    std::string body;               // what was read of the body (at most SERVE_MAX_BODY + 1 bytes)
    long long content_length = -1;  // as the request declares it; -1: not declared
};

struct PageResponse {
    int status = 200;
    std::string type;  // Content-Type
    std::string body;
};

// %XX decoded (a '%' without two hex digits kept as it is); with form, '+' is a space.
std::string url_decode(std::string_view text, bool form);

class PageRoutes {
public:
    // Runs a job with the panel to itself; false, without running it, once the server
    // is stopping.
    using RunWithPanel = std::function<bool(const std::function<void()>& job)>;

    // after_input runs (with the panel) after every input, refused or not: it sends the
    // tabs what changed.
    PageRoutes(LivePanel& panel, RunWithPanel run, std::function<void()> after_input);

    // The answer to a request: one of the page's embedded files, the click sound, the
    // trace, or an input's outcome; anything else is refused with a status and a reason
    // ("STATUS TEXT: reason").
    PageResponse answer(const PageRequest& request);

    // The panel.cfg editor behind POST /api/edit, /api/add, /api/remove, /api/undo and
    // /api/redo (without one they answer 404); after_edit runs after every edit that
    // wrote the file.
    void set_workbench(Workbench* workbench, std::function<void()> after_edit);

    // A text message a tab sent over its WebSocket (tab: the connection's number, the same
    // for as long as it stays open). Runs with the panel to itself, on the clock thread;
    // what it returns goes to that tab alone, then every tab gets what the message changed.
    std::vector<PageMessage> message(uint64_t tab, std::string_view text);

private:
    struct Form;
    PageResponse input(const std::string& what, const Form& form);
    PageResponse trace(const Form& form);
    PageResponse file_edit(const std::string& what, const Form& form);

    LivePanel& panel_;
    RunWithPanel run_;
    std::function<void()> after_input_;
    std::string click_sound_;  // copied at start: the page may ask for it at any time
    Workbench* workbench_ = nullptr;
    bool on_clock_ = false;  // an input from a tab's socket: already with the panel
    std::function<void()> after_edit_;
};
