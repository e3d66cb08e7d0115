// The live page's server: civetweb's worker threads answer requests and hold the tabs'
// WebSockets; the clock thread runs the flight. One mutex guards the panel and the list
// of tabs, so the model sees one caller at a time and every tab gets the batches in the
// order they were made.
#include "host/serve/server.h"

#include <civetweb.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "host/base/numbers.h"
#include "host/serve/routes.h"
#include "host/trace/json_writer.h"

namespace {

// Worker threads: each open tab holds one for its WebSocket, the rest answer requests.
constexpr const char* kWorkerThreads = "40";

int respond(mg_connection* conn, const PageResponse& response) {
    mg_response_header_start(conn, response.status);
    mg_response_header_add(conn, "Content-Type", response.type.c_str(), -1);
    mg_response_header_add(conn, "Content-Length", std::to_string(response.body.size()).c_str(), -1);
    mg_response_header_add(conn, "Cache-Control", "no-store", -1);
    mg_response_header_add(conn, "X-Content-Type-Options", "nosniff", -1);
    mg_response_header_send(conn);
    if (!response.body.empty()) mg_write(conn, response.body.data(), response.body.size());
    return response.status;
}

// The request as the routes take it: its body read up to one byte past the most taken
// (the routes refuse a longer one), and not at all when the declared length is too long.
PageRequest read_request(mg_connection* conn) {
    const mg_request_info* info = mg_get_request_info(conn);
    PageRequest request;
    request.method = info->request_method ? info->request_method : "";
    const char* raw = info->local_uri_raw ? info->local_uri_raw : info->request_uri;
    request.path = raw ? raw : "";
    if (info->query_string) request.query = info->query_string;
    request.content_length = info->content_length;
    if (request.content_length > SERVE_MAX_BODY) return request;
    char buffer[1024];
    while (request.body.size() <= static_cast<size_t>(SERVE_MAX_BODY)) {
        const int n = mg_read(conn, buffer, sizeof buffer);
        if (n <= 0) break;
        request.body.append(buffer, static_cast<size_t>(n));
    }
    return request;
}

std::string json_batch(const std::vector<PageMessage>& messages) {
    std::string out = "[";
    for (size_t i = 0; i < messages.size(); ++i) out += (i ? "," : "") + messages[i].json;
    return out + "]";
}

}  // namespace

struct PreviewServer::State {
    LivePanel panel;
    std::mutex mutex;  // the panel, the tabs, trace_sent
    std::set<mg_connection*> tabs;
    uint64_t trace_sent = 0;
    mg_context* context = nullptr;
    std::string address;
    int port = 0;
    bool stopped = false;
    std::mutex jobs_mutex;  // jobs, stopping
    std::condition_variable jobs_ready;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;

    // The messages of what changed, to every tab. Holds the mutex.
    void push_changes() {
        std::vector<PageMessage> changes;
        panel.collect(changes);
        if (panel.last_trace_seq() != trace_sent) {
            trace_sent = panel.last_trace_seq();
            changes.push_back({"", "{\"type\":\"trace\",\"last\":" + std::to_string(trace_sent) + "}"});
        }
        if (changes.empty()) return;
        const std::string batch = json_batch(changes);
        for (mg_connection* tab : tabs) mg_websocket_write(tab, MG_WEBSOCKET_OPCODE_TEXT, batch.data(), batch.size());
    }

    // Runs job on the clock thread, the one thread that touches the panel (civetweb's
    // workers have small stacks, too small for fontconfig's first font lookup), with the
    // mutex held; false, without running it, once the server is stopping.
    bool on_clock(const std::function<void()>& job) {
        std::promise<void> done;
        {
            std::lock_guard lock(jobs_mutex);
            if (stopping) return false;
            jobs.push_back([&] {
                job();
                done.set_value();
            });
        }
        jobs_ready.notify_one();
        done.get_future().wait();
        return true;
    }
    // On the clock thread: the jobs waiting.
    void run_jobs() {
        for (;;) {
            std::function<void()> job;
            {
                std::lock_guard lock(jobs_mutex);
                if (jobs.empty()) return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            std::lock_guard lock(mutex);
            job();
        }
    }

    // The page's requests, once the panel is open: every job they run with the panel
    // runs on the clock thread.
    std::unique_ptr<PageRoutes> routes;

    int handle(mg_connection* conn);
};

int PreviewServer::State::handle(mg_connection* conn) { return respond(conn, routes->answer(read_request(conn))); }

namespace {

PreviewServer::State* state_of(const mg_connection* conn) {
    return static_cast<PreviewServer::State*>(mg_get_user_data(mg_get_context(conn)));
}

int on_request(mg_connection* conn, void*) { return state_of(conn)->handle(conn); }

int on_ws_connect(const mg_connection*, void*) { return 0; }

void on_ws_ready(mg_connection* conn, void*) {
    PreviewServer::State& state = *state_of(conn);
    state.on_clock([&] {
        state.push_changes();  // the other tabs first get what is new
        std::vector<PageMessage> all;
        state.panel.snapshot(all);
        all.push_back({"", "{\"type\":\"trace\",\"last\":" + std::to_string(state.panel.last_trace_seq()) + "}"});
        const std::string batch = json_batch(all);
        mg_websocket_write(conn, MG_WEBSOCKET_OPCODE_TEXT, batch.data(), batch.size());
        state.tabs.insert(conn);
    });
}

// The page sends nothing over its socket but pings; inputs are POSTs.
int on_ws_data(mg_connection*, int, char*, size_t, void*) { return 1; }

void on_ws_close(const mg_connection* conn, void*) {
    PreviewServer::State& state = *state_of(conn);
    std::lock_guard lock(state.mutex);
    state.tabs.erase(const_cast<mg_connection*>(conn));
}

int quiet_log(const mg_connection*, const char*) { return 1; }

}  // namespace

PreviewServer::PreviewServer() : state_(std::make_unique<State>()) {}
PreviewServer::~PreviewServer() { stop(); }

bool PreviewServer::start(const ServeOptions& options, Diagnostics& diagnostics) {
    if (!mg_check_feature(16)) {
        diagnostics.error("this civetweb has no WebSocket support");
        return false;
    }
    if (!state_->panel.open(options.live, diagnostics)) return false;
    State& state = *state_;
    state.routes = std::make_unique<PageRoutes>(
        state.panel, [&state](const std::function<void()>& job) { return state.on_clock(job); },
        [&state] { state.push_changes(); });
    std::vector<PageMessage> first;
    state_->panel.collect(first);  // every picture drawn once, before any tab asks
    mg_init_library(0);
    const bool v6 = options.listen.find(':') != std::string::npos;
    const std::string ports = (v6 ? "[" + options.listen + "]" : options.listen) + ":" + std::to_string(options.port);
    const std::string request_size = std::to_string(SERVE_MAX_REQUEST);
    const char* config[] = {"listening_ports",
                            ports.c_str(),
                            "num_threads",
                            kWorkerThreads,
                            "max_request_size",
                            request_size.c_str(),
                            "request_timeout_ms",
                            "30000",
                            "enable_keep_alive",
                            "yes",
                            nullptr};
    mg_callbacks callbacks{};
    callbacks.log_message = quiet_log;
    char error_text[256] = "";
    unsigned error_code = 0;
    mg_error_data error{&error_code, error_text, sizeof error_text};
    mg_init_data init{&callbacks, state_.get(), config};
    state_->context = mg_start2(&init, &error);
    if (!state_->context) {
        diagnostics.error("cannot listen on " + ports + (error_text[0] ? std::string(": ") + error_text : ""));
        state_->panel.close();
        mg_exit_library();
        return false;
    }
    mg_set_request_handler(state_->context, "/", on_request, nullptr);
    mg_set_websocket_handler(state_->context, "/ws", on_ws_connect, on_ws_ready, on_ws_data, on_ws_close, nullptr);
    mg_server_port bound[4];
    const int count = mg_get_server_ports(state_->context, 4, bound);
    state_->port = count > 0 ? bound[0].port : options.port;
    state_->address = v6 ? "[" + options.listen + "]" : options.listen;
    return true;
}

std::string PreviewServer::url() const {
    return "http://" + state_->address + ":" + std::to_string(state_->port) + "/";
}

int PreviewServer::port() const { return state_->port; }

void PreviewServer::run(const std::atomic<bool>& stop) {
    using Clock = std::chrono::steady_clock;
    const auto frame = std::chrono::microseconds(1000000 / LIVE_FRAMES_PER_SECOND);
    auto next = Clock::now() + frame;
    while (!stop.load()) {
        {
            std::unique_lock lock(state_->jobs_mutex);
            state_->jobs_ready.wait_until(lock, next, [this] { return !state_->jobs.empty(); });
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
    if (state_->stopped || !state_->context) return 0;
    state_->stopped = true;
    {
        std::lock_guard lock(state_->jobs_mutex);
        state_->stopping = true;
    }
    state_->run_jobs();        // the inputs that came before the stop
    mg_stop(state_->context);  // closes every tab and joins the workers
    state_->context = nullptr;
    mg_exit_library();
    return state_->panel.close();
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
