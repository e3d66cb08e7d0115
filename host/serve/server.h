// `panelhost serve`: the live page over HTTP and WebSocket (Boost.Beast). The page's files
// are embedded in the binary and are all it serves; inputs are POSTs answered with a
// status and a short reason; what changed goes to every open tab over its WebSocket as
// one JSON array a batch, from the input that caused it or from the flight clock.
#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "host/base/diagnostics.h"
#include "host/serve/live_panel.h"
#include "host/serve/routes.h"

struct ServeOptions {
    LiveOptions live;
    std::string listen = "127.0.0.1";  // the address to listen on (loopback unless told)
    int port = 8018;                   // 0: any free port
    // Where the findings go, on start and after every reload ("FILE:LINE: what" a line),
    // from a thread of their own; std::cout is written through its descriptor and never
    // blocks serve (reports wait, then are dropped, while nobody reads). Null: nowhere.
    std::ostream* findings_out = nullptr;
    // The panelhost whose `check` finds what the checker finds; empty: the findings are
    // the reading's and drawing's notes only.
    std::string check_program;
};

class PreviewServer {
public:
    PreviewServer();
    ~PreviewServer();
    PreviewServer(const PreviewServer&) = delete;
    PreviewServer& operator=(const PreviewServer&) = delete;

    // Opens the panel and starts listening. False with errors.
    bool start(const ServeOptions& options, Diagnostics& diagnostics);
    // The page's address, http://ADDRESS:PORT/.
    std::string url() const;
    int port() const;
    // Watches the panel's files: a save reads the panel again. Checks the panel (in a
    // process of its own) and shows and prints the findings, now and after each save.
    void watch();
    // Runs the flight clock (18 real frames a second) until stop is set.
    void run(const std::atomic<bool>& stop);
    // Stops listening, closes every tab and kills every gauge. Returns how many were killed.
    int stop();
    // Why the module's host in another process was stopped while serving; empty if not.
    std::string host_stopped() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Serves until stop is set; on_listening gets the page's address once it listens.
// Returns the exit code (1 when the module's host was stopped while serving); what went wrong, and what was stopped,
// are in diagnostics.
int serve_panel(const ServeOptions& options, const std::atomic<bool>& stop,
                const std::function<void(const std::string& url)>& on_listening, Diagnostics& diagnostics);
