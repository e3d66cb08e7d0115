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
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "host/base/numbers.h"
#include "host/render/panel_bitmaps.h"
#include "host/serve/findings.h"
#include "host/serve/routes.h"
#include "host/serve/workbench.h"
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

// The files a panel is made from, for the watch: the panel.cfg, its windows' background
// bitmaps (where they would be, when they are missing), the module.
std::vector<std::string> panel_files(const PanelConfig& panel, const std::string& module_path) {
    std::vector<std::string> files = {panel.source};
    const std::filesystem::path folder = std::filesystem::path(panel.source).parent_path();
    for (const PanelWindow& window : panel.windows)
        for (const auto* name : {&window.file, &window.file_1024}) {
            if (!*name) continue;
            const std::string found = find_beside(panel.source, (*name)->name);
            files.push_back(found.empty() ? (folder / (*name)->name).string() : found);
        }
    if (!module_path.empty()) files.push_back(module_path);
    return files;
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
        push_trace();
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

    // The designer's side: the panel.cfg's editor and the watch on the panel's files,
    // the findings, and the tabs that take the trace over their socket.
    Workbench workbench;
    std::string panel_path, module_path, exe;
    std::ostream* findings_out = nullptr;
    std::string loaded_version;  // of the panel.cfg text the panel was last read from
    Diagnostics notes;           // of the last reading: the reader's and drawing's, and why it failed
    std::mutex check_mutex;      // one check at a time
    struct TraceTab {
        std::string gauge;
        uint64_t shown = 0;
        bool on = true;
    };
    std::map<mg_connection*, TraceTab> trace_tabs;
    std::thread first_check;  // the findings on start

    // On the clock thread: reads the panel again when its file changed since it was read.
    void reload_panel(bool force);
    // The findings to the tabs (and printed), with the checker's when it has run.
    void show_findings(const Diagnostics* checked);
    // After a save (or at the start): the panel read again, its findings shown at once
    // and again with the checker's. From any thread but the clock's.
    void after_save(bool force);
    // The new trace lines to the tabs that take them over their socket. Holds the mutex.
    void push_trace();
    // A text message from a tab: an input ("click?gauge=3&x=10&y=20") or the trace it
    // wants ("trace?gauge=NAME&on=1&after=N").
    void tab_message(mg_connection* conn, const std::string& text);
};

namespace {

std::string file_version(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return cfg_text_version(text);
}

}  // namespace

void PreviewServer::State::reload_panel(bool force) {
    panel.set_message("file", workbench.file_json());
    const std::string version = file_version(panel_path);
    if (!force && version == loaded_version) return;
    Diagnostics read;
    const bool ok = panel.reload(read);
    std::string text;
    if (ok) {
        loaded_version = version;
        notes = read;
        text = "read " + panel_path + " again";
        workbench.watch(panel_files(panel.panel(), module_path), {});
    } else {
        notes = read;
        text = panel_path + " does not read: the last good panel stays";
    }
    std::string json;
    JsonWriter(json).begin_object().text("type", "reload").flag("ok", ok).utf8("text", text).end_object();
    panel.set_message("reload", json);
}

void PreviewServer::State::show_findings(const Diagnostics* checked) {
    Diagnostics designer;
    designer_notes(panel.panel(), designer);
    std::vector<const Diagnostics*> lists;
    if (checked) lists.push_back(checked);
    lists.push_back(&notes);
    lists.push_back(&designer);
    const std::vector<Finding> findings = gather_findings(panel.panel(), lists);
    std::string json = findings_json(findings);
    json.insert(1, "\"type\":\"findings\",\"checked\":" + std::string(checked ? "true" : "false") + ",");
    panel.set_message("findings", json);
    if (!checked || !findings_out) return;
    *findings_out << "panelhost: " << findings.size() << (findings.size() == 1 ? " finding" : " findings") << " in "
                  << panel_path << (findings.empty() ? "" : ":") << "\n";
    for (const Finding& finding : findings) *findings_out << "  " << finding.item.str() << "\n";
    findings_out->flush();
}

void PreviewServer::State::after_save(bool force) {
    const bool ran = on_clock([&] {
        reload_panel(force);
        show_findings(nullptr);
        push_changes();
    });
    if (!ran) return;
    if (exe.empty()) return;
    std::lock_guard one(check_mutex);
    Diagnostics checked;
    std::string error;
    if (!run_check_process(exe, module_path, panel_path, checked, error)) checked.note(error);
    on_clock([&] {
        show_findings(&checked);
        push_changes();
    });
}

void PreviewServer::State::push_trace() {
    for (auto& [tab, want] : trace_tabs) {
        if (!want.on || want.shown >= panel.last_trace_seq()) continue;
        const auto lines = panel.trace_after(want.shown, want.gauge, 200);
        std::string json;
        JsonWriter writer(json);
        writer.begin_array().begin_object().text("type", "trace-lines").key("lines").begin_array();
        for (const TraceLine& line : lines)
            writer.begin_object()
                .num("seq", static_cast<int64_t>(line.seq))
                .text("gauge", line.gauge)
                .key("call")
                .raw(line.json)
                .end_object();
        writer.end_array().num("last", static_cast<int64_t>(panel.last_trace_seq())).end_object().end_array();
        want.shown = panel.last_trace_seq();
        mg_websocket_write(tab, MG_WEBSOCKET_OPCODE_TEXT, json.data(), json.size());
    }
}

void PreviewServer::State::tab_message(mg_connection* conn, const std::string& text) {
    const auto mark = text.find('?');
    const std::string what = text.substr(0, mark), query = mark == std::string::npos ? "" : text.substr(mark + 1);
    if (what == "trace") {
        char gauge[SERVE_MAX_FIELD + 1] = "", on[4] = "1", after[24] = "0";
        mg_get_var(query.data(), query.size(), "gauge", gauge, sizeof gauge);
        mg_get_var(query.data(), query.size(), "on", on, sizeof on);
        mg_get_var(query.data(), query.size(), "after", after, sizeof after);
        const Parsed<long long> seq = parse_whole(after, 0, INT64_MAX);
        on_clock([&] {
            trace_tabs[conn] = {gauge, seq.ok() ? static_cast<uint64_t>(seq.value) : 0, std::string(on) != "0"};
            push_trace();
        });
        return;
    }
    const PageResponse answer = routes->answer({"POST", "/api/" + what, query, "", -1});
    if (answer.status < 400) return;
    std::string json;
    JsonWriter(json)
        .begin_array()
        .begin_object()
        .text("type", "refused")
        .utf8("text", answer.body)
        .end_object()
        .end_array();
    std::lock_guard lock(mutex);
    if (tabs.count(conn)) mg_websocket_write(conn, MG_WEBSOCKET_OPCODE_TEXT, json.data(), json.size());
}

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
        all.push_back({"", "{\"type\":\"hello\",\"input\":true}"});
        const std::string batch = json_batch(all);
        mg_websocket_write(conn, MG_WEBSOCKET_OPCODE_TEXT, batch.data(), batch.size());
        state.tabs.insert(conn);
    });
}

// The page's inputs and its trace filter come as text messages; a close ends the tab.
int on_ws_data(mg_connection* conn, int bits, char* data, size_t length, void*) {
    const int opcode = bits & 0x0F;
    if (opcode == MG_WEBSOCKET_OPCODE_CONNECTION_CLOSE) return 0;
    if (opcode != MG_WEBSOCKET_OPCODE_TEXT || length > static_cast<size_t>(SERVE_MAX_BODY)) return 1;
    state_of(conn)->tab_message(conn, std::string(data, length));
    return 1;
}

void on_ws_close(const mg_connection* conn, void*) {
    PreviewServer::State& state = *state_of(conn);
    std::lock_guard lock(state.mutex);
    state.tabs.erase(const_cast<mg_connection*>(conn));
    state.trace_tabs.erase(const_cast<mg_connection*>(conn));
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
    Diagnostics opening;
    const bool opened = state_->panel.open(options.live, opening);
    diagnostics.merge(opening);
    if (!opened) return false;
    State& state = *state_;
    state.routes = std::make_unique<PageRoutes>(
        state.panel, [&state](const std::function<void()>& job) { return state.on_clock(job); },
        [&state] { state.push_changes(); });
    state.panel_path = options.live.panel_path;
    state.module_path = options.live.module_path;
    state.findings_out = options.findings_out;
    state.notes = opening;
    state.loaded_version = file_version(state.panel_path);
    state.exe = options.check_program;
    std::string unedited;
    if (state.workbench.open(state.panel_path, unedited)) {
        // An edit reads the panel again at once; the watch then sees the save as well,
        // and checks it.
        state.routes->set_workbench(&state.workbench, [&state] {
            state.on_clock([&state] {
                state.reload_panel(false);
                state.show_findings(nullptr);
                state.push_changes();
            });
        });
        state.panel.set_message("file", state.workbench.file_json());
    }
    state.show_findings(nullptr);
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
                            "tcp_nodelay",
                            "1",
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

void PreviewServer::watch() {
    State& state = *state_;
    state.workbench.watch(panel_files(state.panel.panel(), state.module_path),
                          [&state](const std::vector<std::string>&) { state.after_save(false); });
    state.first_check = std::thread([&state] { state.after_save(false); });
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
    state_->run_jobs();  // the inputs that came before the stop
    state_->workbench.stop();
    if (state_->first_check.joinable()) state_->first_check.join();
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
