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
#include "host/serve/page_files.h"
#include "host/trace/json_writer.h"

namespace {

// Worker threads: each open tab holds one for its WebSocket, the rest answer requests.
constexpr const char* kWorkerThreads = "40";
constexpr size_t kMaxField = 256;  // the longest value of one form field
constexpr size_t kTraceLimit = 200;

const char* mime_type(const std::string& name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    return "application/octet-stream";
}

const char* status_text(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 409: return "Conflict";
        case 413: return "Content Too Large";
        case 422: return "Unprocessable Content";
        case 503: return "Service Unavailable";
        default: return "Error";
    }
}

int respond(mg_connection* conn, int status, const char* type, const std::string& body) {
    mg_response_header_start(conn, status);
    mg_response_header_add(conn, "Content-Type", type, -1);
    mg_response_header_add(conn, "Content-Length", std::to_string(body.size()).c_str(), -1);
    mg_response_header_add(conn, "Cache-Control", "no-store", -1);
    mg_response_header_add(conn, "X-Content-Type-Options", "nosniff", -1);
    mg_response_header_send(conn);
    if (!body.empty()) mg_write(conn, body.data(), body.size());
    return status;
}

int refuse(mg_connection* conn, int status, const std::string& reason) {
    return respond(conn, status, "text/plain; charset=utf-8",
                   std::to_string(status) + " " + status_text(status) + ": " + reason + "\n");
}

// The request's form fields: the query string and, for a POST, its body (bounded).
struct Form {
    std::string query, body;
    bool has(const char* name) const { return get(name).has_value(); }
    std::optional<std::string> get(const char* name) const {
        char value[kMaxField + 1];
        for (const std::string* source : {&body, &query}) {
            const int n = mg_get_var(source->data(), source->size(), name, value, sizeof value);
            if (n >= 0) return std::string(value, static_cast<size_t>(n));
        }
        return std::nullopt;
    }
};

// Whether every field of a query or body holds at most kMaxField bytes once decoded.
bool fields_fit(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        const size_t length = end - start;  // the field's name and value, still encoded
        if (length > 3 * kMaxField + 1) return false;
        char decoded[kMaxField + 2];
        if (length > kMaxField && mg_url_decode(text.data() + start, static_cast<int>(length), decoded,
                                                static_cast<int>(sizeof decoded), 1) < 0)
            return false;
        start = end + 1;
    }
    return true;
}

// Reads the query and the body; 0, or the status of the refusal already sent.
int read_form(mg_connection* conn, Form& form) {
    const mg_request_info* info = mg_get_request_info(conn);
    if (info->query_string) form.query = info->query_string;
    if (info->content_length > SERVE_MAX_BODY)
        return refuse(conn, 413, "a body holds at most " + std::to_string(SERVE_MAX_BODY) + " bytes");
    char buffer[1024];
    for (;;) {
        const int n = mg_read(conn, buffer, sizeof buffer);
        if (n <= 0) break;
        form.body.append(buffer, static_cast<size_t>(n));
        if (form.body.size() > static_cast<size_t>(SERVE_MAX_BODY))
            return refuse(conn, 413, "a body holds at most " + std::to_string(SERVE_MAX_BODY) + " bytes");
    }
    if (!fields_fit(form.query) || !fields_fit(form.body))
        return refuse(conn, 400, "a field holds at most " + std::to_string(kMaxField) + " bytes");
    return 0;
}

// A whole-number field: the value, or the refusal in problem.
Parsed<long long> whole_field(const Form& form, const char* name, long long min, long long max) {
    const auto text = form.get(name);
    if (!text) return {0, std::string("needs ") + name};
    Parsed<long long> parsed = parse_whole(*text, min, max);
    if (!parsed.ok()) parsed.problem = std::string(name) + ": " + parsed.problem;
    return parsed;
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
    std::string click_sound;  // copied at start: served by the workers
    std::mutex jobs_mutex;    // jobs, stopping
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

    int handle(mg_connection* conn);
    int handle_input(mg_connection* conn, const std::string& what, const Form& form);
    int handle_trace(mg_connection* conn, const Form& form);
};

int PreviewServer::State::handle(mg_connection* conn) {
    const mg_request_info* info = mg_get_request_info(conn);
    const std::string method = info->request_method ? info->request_method : "";
    const char* raw = info->local_uri_raw ? info->local_uri_raw : info->request_uri;
    const std::string path = raw ? raw : "";
    // Only names of the embedded files and of the inputs: no file-system paths.
    if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos ||
        path.find("//") != std::string::npos || path.find('\\') != std::string::npos ||
        path.find('\0') != std::string::npos)
        return refuse(conn, 400, "the page serves its own files only, by name");
    Form form;
    if (method == "POST") {
        if (const int refused = read_form(conn, form)) return refused;
        if (path.starts_with("/api/")) return handle_input(conn, path.substr(5), form);
        return refuse(conn, 405, "only /api/ takes a POST");
    }
    if (method != "GET" && method != "HEAD") return refuse(conn, 405, "the page answers GET and POST");
    if (const int refused = read_form(conn, form)) return refused;
    if (path == "/api/trace") return handle_trace(conn, form);
    if (path == "/click.wav") {
        if (click_sound.empty()) return refuse(conn, 404, "the module has no click sound");
        return respond(conn, 200, "audio/wav", click_sound);
    }
    const std::string name = path == "/" ? "index.html" : path.substr(1);
    for (size_t i = 0; i < EMBEDDED_PAGE_FILE_COUNT; ++i)
        if (name == EMBEDDED_PAGE_FILES[i].name)
            return respond(conn, 200, mime_type(name), std::string(EMBEDDED_PAGE_FILES[i].bytes()));
    return refuse(conn, 404, "no file " + json_quote(name.substr(0, 80)) + " on this page");
}

int PreviewServer::State::handle_input(mg_connection* conn, const std::string& what, const Form& form) {
    std::function<Reply()> act;  // the input, run on the clock thread
    if (what == "click") {
        const bool at_panel = form.has("px");
        const auto x = whole_field(form, at_panel ? "px" : "x", -1000000, 1000000);
        const auto y = whole_field(form, at_panel ? "py" : "y", -1000000, 1000000);
        const auto gauge = at_panel ? Parsed<long long>{} : whole_field(form, "gauge", 0, 1000000);
        for (const auto* field : {&x, &y, &gauge})
            if (!field->ok()) return refuse(conn, 400, field->problem);
        const int px = static_cast<int>(x.value), py = static_cast<int>(y.value), id = static_cast<int>(gauge.value);
        act = [this, at_panel, px, py, id] { return at_panel ? panel.click_at(px, py) : panel.click(id, px, py); };
    } else if (what == "var") {
        const auto name = form.get("name"), value = form.get("value");
        if (!name || !value) return refuse(conn, 400, "needs name and value");
        act = [this, name = *name, value = *value] { return panel.set_variable(name, value); };
    } else if (what == "window") {
        const auto ident = whole_field(form, "ident", INT32_MIN, INT32_MAX);
        if (!ident.ok()) return refuse(conn, 400, ident.problem);
        act = [this, ident = static_cast<int32_t>(ident.value), action = form.get("action").value_or("toggle")] {
            return panel.window(ident, action);
        };
    } else if (what == "night") {
        const auto on = whole_field(form, "on", 0, 1);
        if (!on.ok()) return refuse(conn, 400, on.problem);
        act = [this, night = on.value == 1] { return panel.set_night(night); };
    } else if (what == "flight") {
        double speed = 0.0;
        if (const auto text = form.get("speed")) {
            const Parsed<double> parsed = parse_number(*text);
            if (!parsed.ok()) return refuse(conn, 400, "speed: " + parsed.problem);
            speed = parsed.value;
            if (speed == 0.0) return refuse(conn, 422, "the speed goes from 0.25 to 16");
        }
        act = [this, speed, action = form.get("action").value_or("")] { return panel.flight(action, speed); };
    } else {
        return refuse(conn, 404, "no input " + json_quote(what.substr(0, 40)));
    }
    Reply reply;
    const bool ran = on_clock([&] {
        reply = act();
        push_changes();  // a refused click may still have traced calls
    });
    if (!ran) return refuse(conn, 503, "the server is stopping");
    if (!reply.ok()) return refuse(conn, reply.status, reply.reason);
    return respond(conn, 200, "application/json", "{\"ok\":true}");
}

int PreviewServer::State::handle_trace(mg_connection* conn, const Form& form) {
    const auto after = form.has("after") ? whole_field(form, "after", 0, INT64_MAX) : Parsed<long long>{};
    if (!after.ok()) return refuse(conn, 400, after.problem);
    const std::string gauge = form.get("gauge").value_or("");
    std::string json = "{\"lines\":[";
    const bool ran = on_clock([&] {
        const auto lines = panel.trace_after(static_cast<uint64_t>(after.value), gauge, kTraceLimit);
        for (size_t i = 0; i < lines.size(); ++i)
            json += std::string(i ? "," : "") + "{\"seq\":" + std::to_string(lines[i].seq) +
                    ",\"gauge\":" + json_quote(lines[i].gauge) + ",\"call\":" + lines[i].json + "}";
        json += "],\"last\":" + std::to_string(panel.last_trace_seq()) + "}";
    });
    if (!ran) return refuse(conn, 503, "the server is stopping");
    return respond(conn, 200, "application/json", json);
}

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
    state_->click_sound = state_->panel.click_sound();
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
    mg_stop(state_->context);  // closes every tab and joins the workers  // closes every tab and joins the workers
    state_->context = nullptr;
    mg_exit_library();
    return state_->panel.close();
}

int serve_panel(const ServeOptions& options, const std::atomic<bool>& stop,
                const std::function<void(const std::string& url)>& on_listening, Diagnostics& diagnostics) {
    PreviewServer server;
    if (!server.start(options, diagnostics)) return 1;
    on_listening(server.url());
    server.run(stop);
    const int killed = server.stop();
    diagnostics.note("stopped: " + std::to_string(killed) + (killed == 1 ? " gauge" : " gauges") + " killed");
    return 0;
}
