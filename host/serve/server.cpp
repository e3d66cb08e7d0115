// The live page's server object: opens the panel, starts listening and the threads, runs
// the flight clock, and stops them all (listener.cpp, http_session.cpp and tab.cpp do the rest).
//
// One network thread holds every connection without blocking; a few answer threads run the
// routes (an input waits for the clock thread); the clock thread runs the flight and is the
// one thread that touches the panel. No client can hold the others up: each connection has a
// deadline for its request, each address a bounded number of connections (the one waiting
// longest for its request gives way to a new one), and each tab a bounded queue of what it
// has not read.
#include "host/serve/server.h"

#include <signal.h>

#include <algorithm>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <vector>

#include "host/serve/server_state.h"
#include "host/serve/tab.h"

using namespace std::chrono_literals;

PreviewServer::PreviewServer() : state_(std::make_unique<State>()) {}
PreviewServer::~PreviewServer() { stop(); }

bool PreviewServer::start(const ServeOptions& options, Diagnostics& diagnostics) {
    Diagnostics opening;
    const bool opened = state_->panel.open(options.live, opening);
    diagnostics.merge(opening);
    if (!opened) return false;
    State& state = *state_;
    state.routes = std::make_unique<PageRoutes>(
        state.panel, [&state](const std::function<void()>& job) { return state.on_clock(job); },
        [&state] { state.push_changes(); });
    state.open_workbench(options, opening);
    std::vector<PageMessage> first;
    state.panel.collect(first);  // every picture drawn once, before any tab asks
    const bool v6 = options.listen.find(':') != std::string::npos;
    const std::string where = (v6 ? "[" + options.listen + "]" : options.listen) + ":" + std::to_string(options.port);
    beast::error_code ec;
    const auto address = asio::ip::make_address(options.listen, ec);
    if (ec) {
        diagnostics.error("cannot listen on " + where + ": not an IP address");
        state.panel.close();
        return false;
    }
    tcp::acceptor acceptor(state.io);
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(options.port));
    if (!acceptor.open(endpoint.protocol(), ec) && !acceptor.set_option(tcp::acceptor::reuse_address(true), ec) &&
        !acceptor.bind(endpoint, ec))
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        diagnostics.error("cannot listen on " + where + ": " + ec.message());
        state.panel.close();
        return false;
    }
    state.port = acceptor.local_endpoint(ec).port();
    state.address = v6 ? "[" + options.listen + "]" : options.listen;
    state.acceptor.emplace(std::move(acceptor));
    state.max_connections = connection_limit();
    state.answers.emplace(kAnswerThreads);
    state.accept();
    state.network = std::thread([&state] { state.io.run(); });
    state.started = true;
    return true;
}

std::string PreviewServer::url() const {
    return "http://" + state_->address + ":" + std::to_string(state_->port) + "/";
}

int PreviewServer::port() const { return state_->port; }

void PreviewServer::run(const std::atomic<bool>& stop) {
    using Clock = std::chrono::steady_clock;
    const auto frame = std::chrono::microseconds(1000000 / LIVE_FRAMES_PER_SECOND);
    // Waits in short steps, so that a stop (set from a signal handler, which cannot wake
    // this thread) is seen within one.
    const auto poll = 20ms;
    auto next = Clock::now() + frame;
    while (!stop.load()) {
        {
            std::unique_lock lock(state_->jobs_mutex);
            state_->jobs_ready.wait_until(lock, std::min(next, Clock::now() + poll),
                                          [this] { return !state_->jobs.empty(); });
        }
        state_->run_jobs();
        const auto now = Clock::now();
        if (now < next) continue;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->panel.tick() > 0) state_->push_changes();
        }
        next += frame;
        if (next < now) next = now + frame;  // a slow frame is not made up for by a burst
    }
}

int PreviewServer::stop() {
    State& state = *state_;
    if (state.stopped || !state.started) return 0;
    state.stopped = true;
    {
        std::lock_guard lock(state.jobs_mutex);
        state.stopping = true;
    }
    state.run_jobs();  // the inputs that came before the stop
    state.stop_checks();
    state.workbench.stop();
    if (state.findings_printer) state.findings_printer->stop();
    // No more connections; every tab is told the server is going away, and given a
    // moment to take it before everything still open is dropped.
    std::vector<std::shared_ptr<Tab>> tabs;
    {
        std::lock_guard lock(state.mutex);
        tabs.assign(state.tabs.begin(), state.tabs.end());
    }
    asio::post(state.io, [&state, tabs] {
        beast::error_code ignored;
        state.acceptor->close(ignored);
        if (tabs.empty()) return state.io.stop();
        state.closing = true;
        for (const auto& tab : tabs) tab->go_away();
        auto timer = std::make_shared<asio::steady_timer>(state.io, kCloseGrace);
        timer->async_wait([&state, timer](beast::error_code) { state.io.stop(); });
    });
    tabs.clear();
    state.network.join();
    state.answers->join();
    {
        std::lock_guard lock(state.mutex);
        state.tabs.clear();
    }
    return state.panel.close();
}

std::string PreviewServer::host_stopped() const {
    std::lock_guard lock(state_->mutex);
    return state_->panel.host_stopped();
}

int serve_panel(const ServeOptions& options, const std::atomic<bool>& stop,
                const std::function<void(const std::string& url)>& on_listening, Diagnostics& diagnostics) {
    PreviewServer server;
    if (!server.start(options, diagnostics)) return 1;
    on_listening(server.url());
    server.watch();
    server.run(stop);
    const std::string reason = server.host_stopped();  // asked before stopping forgets the host
    const int killed = server.stop();
    diagnostics.note("stopped: " + std::to_string(killed) + (killed == 1 ? " gauge" : " gauges") + " killed");
    if (!reason.empty()) {
        diagnostics.error("the module's host stopped while serving: " + reason);
        return 1;
    }
    return 0;
}
