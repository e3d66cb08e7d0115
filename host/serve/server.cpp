// The live page's server (Boost.Beast over Asio). One network thread holds every
// connection without blocking; a few answer threads run the routes (an input waits for
// the clock thread); the clock thread runs the flight and is the one thread that touches
// the panel. No client can hold the others up: each connection has a deadline for its
// request, each address a bounded number of connections (the one waiting longest for its
// request gives way to a new one), and each tab a bounded queue of what it has not read.
#include "host/serve/server.h"

#include <sys/resource.h>

#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
#include <list>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "host/render/panel_bitmaps.h"
#include "host/serve/findings.h"
#include "host/serve/routes.h"
#include "host/serve/workbench.h"
#include "host/trace/json_writer.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using namespace std::chrono_literals;

namespace {

// A request's head and body must come whole within this of the connection's first byte
// (or of the answer before, for a kept-alive connection).
constexpr auto kRequestTimeout = 10s;
constexpr auto kWriteTimeout = 10s;
// A tab that neither reads nor answers the pings sent in the meantime is closed.
constexpr auto kTabIdleTimeout = 20s;
constexpr auto kTabHandshakeTimeout = 10s;
// How long stopping waits for tabs to take their closing frame.
constexpr auto kCloseGrace = 50ms;
// Connections at once, from one address and in all (lower if the descriptors run short).
constexpr size_t kMaxPerAddress = 256;
constexpr size_t kMaxConnections = 1024;
constexpr size_t kMaxTabsPerAddress = 32;
// What a tab may have waiting unsent; past either, it falls behind: what waits is
// dropped, and once it reads again it is sent everything whole.
constexpr size_t kTabQueueBatches = 36;  // two seconds of frames
constexpr size_t kTabQueueBytes = 16u << 20;
constexpr int kTabSendBuffer = 128 << 10;
// The longest message a tab may send.
constexpr size_t kMaxTabMessage = 64u << 10;
constexpr int kAnswerThreads = 4;
// A body up to this is read (and what is past SERVE_MAX_BODY dropped) even when it is
// refused, so the answer is not lost to a reset; a longer one closes the connection.
constexpr uint64_t kMostBodyRead = 64u << 10;
// After its last answer, how long a closing connection's remaining bytes are read and dropped.
constexpr auto kLinger = 1s;

using Batch = std::shared_ptr<const std::string>;

std::string json_batch(const std::vector<PageMessage>& messages) {
    std::string out = "[";
    for (size_t i = 0; i < messages.size(); ++i) out += (i ? "," : "") + messages[i].json;
    return out + "]";
}

// Connections this process can hold: kMaxConnections, or fewer if the descriptor limit is
// lower (keeping some for the panel, the module's host and the log).
size_t connection_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMaxConnections;
    const size_t spare = 64;
    return limit.rlim_cur <= spare * 2 ? spare : std::min<size_t>(kMaxConnections, limit.rlim_cur - spare);
}

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

class HttpSession;
class Tab;

namespace {

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

std::string file_version(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return cfg_text_version(text);
}

}  // namespace

struct PreviewServer::State {
    LivePanel panel;
    std::mutex mutex;  // the panel, tabs, trace_sent
    std::set<std::shared_ptr<Tab>> tabs;
    uint64_t trace_sent = 0;
    std::string address;
    int port = 0;
    bool started = false;
    bool stopped = false;
    std::mutex jobs_mutex;  // jobs, stopping
    std::condition_variable jobs_ready;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;

    // On the network thread only: the connections (oldest first) and tabs per address.
    std::list<HttpSession*> sessions;
    std::map<asio::ip::address, size_t> tabs_from;
    size_t max_connections = kMaxConnections;
    uint64_t next_tab = 1;
    bool closing = false;  // stopping: the network thread ends once the last tab has closed

    // The page's requests, once the panel is open: every job they run with the panel
    // runs on the clock thread.
    std::unique_ptr<PageRoutes> routes;

    // The designer's side: the panel.cfg's editor and the watch on the panel's files,
    // and the findings.
    Workbench workbench;
    std::string panel_path, module_path, exe;
    std::ostream* findings_out = nullptr;
    std::string loaded_version;  // of the panel.cfg text the panel was last read from
    Diagnostics notes;           // of the last reading: the reader's and drawing's, and why it failed
    std::mutex check_mutex;      // one check at a time
    std::thread first_check;     // the findings on start
    // On the clock thread: reads the panel again when its file changed since it was read.
    void reload_panel(bool force);
    // The findings to the tabs (and printed), with the checker's when it has run.
    void show_findings(const Diagnostics* checked);
    // After a save (or at the start): the panel read again, its findings shown at once
    // and again with the checker's. From any thread but the clock's.
    void after_save(bool force);

    asio::io_context io{1};
    std::optional<tcp::acceptor> acceptor;
    std::optional<asio::thread_pool> answers;
    std::thread network;

    // The messages of what changed, to every tab. Holds the mutex.
    void push_changes();
    // Everything the page shows, as one batch, for a tab that has none of it. Holds the mutex.
    Batch snapshot() {
        push_changes();  // the other tabs first get what is new
        std::vector<PageMessage> all;
        panel.snapshot(all);
        all.push_back({"", "{\"type\":\"trace\",\"last\":" + std::to_string(panel.last_trace_seq()) + "}"});
        all.push_back({"", "{\"type\":\"hello\",\"input\":true}"});
        return std::make_shared<const std::string>(json_batch(all));
    }

    // Queues job for the clock thread, which runs it with the mutex held; false, without
    // queueing it, once the server is stopping.
    bool post_to_clock(std::function<void()> job) {
        {
            std::lock_guard lock(jobs_mutex);
            if (stopping) return false;
            jobs.push_back(std::move(job));
        }
        jobs_ready.notify_one();
        return true;
    }
    // Runs job on the clock thread and waits for it (from an answer thread only).
    bool on_clock(const std::function<void()>& job) {
        std::promise<void> done;
        if (!post_to_clock([&] {
                job();
                done.set_value();
            }))
            return false;
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

    void accept();
    void admit(tcp::socket socket);
    void close_tab(const std::shared_ptr<Tab>& tab);
};

// One open tab: its WebSocket, what waits to go to it, and what it sends.
class Tab : public std::enable_shared_from_this<Tab> {
public:
    Tab(PreviewServer::State& state, websocket::stream<beast::tcp_stream> ws, asio::ip::address from, uint64_t id)
        : state_(state), ws_(std::move(ws)), from_(from), id_(id) {}

    void accept(http::request<http::string_body> request) {
        websocket::stream_base::timeout timeout{};
        timeout.handshake_timeout = kTabHandshakeTimeout;
        timeout.idle_timeout = kTabIdleTimeout;
        timeout.keep_alive_pings = true;
        beast::get_lowest_layer(ws_).expires_never();  // the WebSocket keeps its own time
        // A fixed send buffer, so a tab that stops reading is seen behind in seconds, not
        // once the kernel's buffer has grown to megabytes.
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().set_option(asio::socket_base::send_buffer_size(kTabSendBuffer), ignored);
        ws_.set_option(timeout);
        ws_.read_message_max(kMaxTabMessage);
        ws_.auto_fragment(false);
        request_ = std::move(request);  // kept until the handshake is done
        ws_.async_accept(request_, [self = shared_from_this()](beast::error_code ec) {
            if (ec) return self->closed();
            // Joins the tabs, with everything the page shows, on the clock thread.
            if (!self->state_.post_to_clock([self] {
                    Batch all = self->state_.snapshot();  // what was new went to the others first
                    self->state_.tabs.insert(self);
                    asio::post(self->state_.io, [self, all = std::move(all)] { self->resynced(all); });
                }))
                return self->closed();
            self->read();
        });
    }

    // On the network thread: one more batch for this tab.
    void send(const Batch& batch) {
        if (done_ || behind_) return;
        if (queue_.size() >= kTabQueueBatches || queued_bytes_ + batch->size() > kTabQueueBytes) {
            // Fallen behind: what waits is stale; it gets everything whole once its
            // current write goes through.
            queue_.clear();
            queued_bytes_ = 0;
            behind_ = true;
            if (!writing_) catch_up();
            return;
        }
        queue_.push_back(batch);
        queued_bytes_ += batch->size();
        if (!writing_) write();
    }

    // On the network thread: everything the page shows, after which batches are sent again.
    void resynced(const Batch& all) {
        if (done_ || closing_) return;
        queue_.clear();
        queued_bytes_ = 0;
        behind_ = false;
        resync_asked_ = false;
        send(all);
    }

    // On the network thread: tells the tab the server is going away.
    void go_away() { close_with({websocket::close_code::going_away, "the server is stopping"}); }

    uint64_t id() const { return id_; }

private:
    void write() {
        writing_ = true;
        current_ = queue_.front();
        queue_.pop_front();
        queued_bytes_ -= current_->size();
        ws_.text(true);
        ws_.async_write(asio::buffer(*current_), [self = shared_from_this()](beast::error_code ec, size_t) {
            self->writing_ = false;
            self->current_.reset();
            if (ec) return self->closed();
            if (self->behind_) return self->catch_up();
            if (!self->queue_.empty()) self->write();
        });
    }

    // Asks the clock thread for everything whole, once.
    void catch_up() {
        if (resync_asked_ || done_) return;
        resync_asked_ = true;
        state_.post_to_clock([self = shared_from_this()] {
            Batch all = self->state_.snapshot();
            asio::post(self->state_.io, [self, all = std::move(all)] { self->resynced(all); });
        });
    }

    void read() {
        ws_.async_read(in_, [self = shared_from_this()](beast::error_code ec, size_t) {
            if (ec) return self->closed();
            if (!self->ws_.got_text())
                return self->close_with({websocket::close_code::unknown_data, "the page sends text only"});
            std::string text = beast::buffers_to_string(self->in_.data());
            self->in_.consume(self->in_.size());
            // The next message is read once this one has been taken, so a tab that sends
            // faster than the panel takes them waits, rather than filling memory.
            const bool queued = self->state_.post_to_clock([self, text = std::move(text)] {
                std::vector<PageMessage> replies = self->state_.routes->message(self->id_, text);
                if (!replies.empty()) {
                    Batch reply = std::make_shared<const std::string>(json_batch(replies));
                    asio::post(self->state_.io, [self, reply] { self->send(reply); });
                }
                self->state_.push_changes();
                asio::post(self->state_.io, [self] { self->read(); });
            });
            if (!queued) self->closed();
        });
    }

    // Sends the closing frame (once: the WebSocket takes one), nothing after it.
    void close_with(const websocket::close_reason& reason) {
        if (done_ || closing_ || !ws_.is_open()) return;
        closing_ = true;
        queue_.clear();
        queued_bytes_ = 0;
        behind_ = true;
        ws_.async_close(reason, [self = shared_from_this()](beast::error_code) { self->closed(); });
    }

    void closed() {
        if (done_) return;
        done_ = true;
        queue_.clear();
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().close(ignored);
        state_.close_tab(shared_from_this());
        if (--state_.tabs_from[from_] == 0) state_.tabs_from.erase(from_);
    }

    PreviewServer::State& state_;
    websocket::stream<beast::tcp_stream> ws_;
    asio::ip::address from_;
    uint64_t id_;
    http::request<http::string_body> request_;
    beast::flat_buffer in_;
    std::deque<Batch> queue_;
    size_t queued_bytes_ = 0;
    Batch current_;
    bool writing_ = false;
    bool behind_ = false;
    bool resync_asked_ = false;
    bool closing_ = false;
    bool done_ = false;
};

void PreviewServer::State::reload_panel(bool force) {
    panel.set_message("file", workbench.file_json());
    const std::string version = file_version(panel_path);
    if (!force && version == loaded_version) return;
    Diagnostics read;
    const bool ok = panel.reload(read);
    notes = read;
    std::string text = panel_path + " does not read: the last good panel stays";
    if (ok) {
        loaded_version = version;
        text = "read " + panel_path + " again";
        workbench.watch(panel_files(panel.panel(), module_path), {});
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
    if (!ran || exe.empty()) return;
    std::lock_guard one(check_mutex);
    Diagnostics checked;
    std::string error;
    if (!run_check_process(exe, module_path, panel_path, checked, error)) checked.note(error);
    on_clock([&] {
        show_findings(&checked);
        push_changes();
    });
}

void PreviewServer::State::push_changes() {
    std::vector<PageMessage> changes;
    panel.collect(changes);
    if (panel.last_trace_seq() != trace_sent) {
        trace_sent = panel.last_trace_seq();
        changes.push_back({"", "{\"type\":\"trace\",\"last\":" + std::to_string(trace_sent) + "}"});
    }
    if (changes.empty() || tabs.empty()) return;
    asio::post(io, [batch = std::make_shared<const std::string>(json_batch(changes)), tabs = tabs] {
        for (const auto& tab : tabs) tab->send(batch);
    });
}

void PreviewServer::State::close_tab(const std::shared_ptr<Tab>& tab) {
    bool last;
    {
        std::lock_guard lock(mutex);
        tabs.erase(tab);
        last = tabs.empty();
    }
    if (closing && last) io.stop();
}

// One HTTP connection: its requests one at a time, each answered before the next is read.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(PreviewServer::State& state, tcp::socket socket, asio::ip::address from)
        : state_(state), stream_(std::move(socket)), from_(from) {
        where_ = state_.sessions.insert(state_.sessions.end(), this);
    }
    ~HttpSession() {
        if (listed_) state_.sessions.erase(where_);
    }
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    const asio::ip::address& from() const { return from_; }
    // Waiting for (the rest of) a request, rather than answering one or holding a tab.
    bool waiting() const { return waiting_; }
    // Closes the connection, to make room for another.
    void give_way() {
        waiting_ = false;
        state_.sessions.erase(where_);
        listed_ = false;
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

    void read() {
        // Listed last: the connection that waits longest for its request is first to give way.
        if (listed_) state_.sessions.splice(state_.sessions.end(), state_.sessions, where_);
        waiting_ = true;
        page_request_ = PageRequest{};
        parser_.emplace();
        parser_->header_limit(SERVE_MAX_REQUEST);
        parser_->body_limit(kMostBodyRead);
        stream_.expires_after(kRequestTimeout);
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = shared_from_this()](beast::error_code ec, size_t) { self->on_head(ec); });
    }

private:
    void on_head(beast::error_code ec) {
        if (ec) return refuse_broken(ec);
        const auto& request = parser_->get();
        keep_alive_ = request.keep_alive();
        // One Host for HTTP/1.1; one message length, and only one kind.
        size_t hosts = 0, lengths = 0, encodings = 0;
        for (const auto& field : request) {
            hosts += field.name() == http::field::host;
            lengths += field.name() == http::field::content_length;
            encodings += field.name() == http::field::transfer_encoding;
        }
        if ((request.version() >= 11 && hosts != 1) || hosts > 1) return refuse(400, "a request names one Host");
        if (lengths > 1) return refuse(400, "a request gives its Content-Length once");
        if (encodings > 0 && !parser_->chunked()) return refuse(501, "a body is sent as it is, or chunked");
        std::string target(request.target());
        if (target == "*") {
            if (request.method() != http::verb::options) return refuse(400, "* is a target for OPTIONS only");
            return answer_allow();
        }
        // An absolute target (as a proxy is sent) is its path here.
        if (const size_t scheme = target.find("://");
            scheme != std::string::npos && target[0] != '/' &&
            (iequal(target.substr(0, scheme), "http") || iequal(target.substr(0, scheme), "https"))) {
            const size_t path = target.find('/', scheme + 3);
            target = path == std::string::npos ? "/" : target.substr(path);
        }
        const size_t question = target.find('?');
        page_request_.method = std::string(request.method_string());
        page_request_.path = target.substr(0, question);
        if (question != std::string::npos) page_request_.query = target.substr(question + 1);
        if (page_request_.path == "/ws" && websocket::is_upgrade(request)) return upgrade();
        if (parser_->content_length())
            page_request_.content_length = static_cast<long long>(
                std::min<uint64_t>(*parser_->content_length(), static_cast<uint64_t>(INT64_MAX)));
        if (page_request_.content_length > static_cast<long long>(kMostBodyRead)) {
            keep_alive_ = false;  // the body stays unread
            return dispatch();
        }
        if (parser_->is_done()) return dispatch();
        http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, size_t) {
            if (error == http::error::body_limit) {
                self->keep_alive_ = false;
                self->page_request_.content_length = SERVE_MAX_BODY + 1;  // a chunked body too long
                return self->dispatch();
            }
            if (error) return self->refuse_broken(error);
            self->page_request_.body = std::move(self->parser_->get().body());
            if (self->page_request_.body.size() > static_cast<size_t>(SERVE_MAX_BODY))
                self->page_request_.body.resize(static_cast<size_t>(SERVE_MAX_BODY) + 1);
            self->dispatch();
        });
    }

    // A request that could not be read: answered if there is something to say, else closed.
    void refuse_broken(beast::error_code ec) {
        if (ec == http::error::header_limit)
            return refuse(431,
                          "a request's line and headers hold at most " + std::to_string(SERVE_MAX_REQUEST) + " bytes");
        if (ec == http::error::body_limit)
            return refuse(413, "a body holds at most " + std::to_string(SERVE_MAX_BODY) + " bytes");
        // Closed, timed out, given way: nothing to answer.
        const bool http_error = ec.category() == http::make_error_code(http::error::bad_method).category();
        if (!http_error || ec == http::error::end_of_stream || ec == http::error::partial_message) {
            stream_.close();
            return;
        }
        refuse(400, "a request that does not read as HTTP/1.1: " + ec.message());
    }

    void upgrade() {
        auto& tabs = state_.tabs_from[from_];
        if (tabs >= kMaxTabsPerAddress) return refuse(503, "too many tabs open from " + from_.to_string());
        ++tabs;
        waiting_ = false;
        state_.sessions.erase(where_);
        listed_ = false;
        stream_.expires_never();
        websocket::stream<beast::tcp_stream> ws(std::move(stream_));
        const auto tab = std::make_shared<Tab>(state_, std::move(ws), from_, state_.next_tab++);
        tab->accept(parser_->release());
    }

    // On an answer thread: the routes' answer; then back on the network thread to send it.
    void dispatch() {
        waiting_ = false;
        stream_.expires_never();
        asio::post(*state_.answers, [self = shared_from_this()]() mutable {
            PageResponse response = self->state_.routes->answer(self->page_request_);
            auto& io = self->state_.io;
            asio::post(io, [self = std::move(self), response = std::move(response)] { self->respond(response); });
        });
    }

    void refuse(int status, const std::string& reason) {
        keep_alive_ = false;
        respond({status, "text/plain; charset=utf-8",
                 std::to_string(status) + " " +
                     std::string(status == 413
                                     ? "Content Too Large"  // its name since RFC 9110
                                     : http::obsolete_reason(http::int_to_status(static_cast<unsigned>(status)))) +
                     ": " + reason + "\n"});
    }

    void answer_allow() {
        auto response = std::make_shared<http::response<http::string_body>>(http::status::no_content, 11);
        response->set(http::field::allow, "GET, HEAD, POST");
        response->keep_alive(keep_alive_);
        send(response);
    }

    void respond(const PageResponse& page) {
        auto response = std::make_shared<http::response<http::string_body>>(http::status::ok, 11, page.body);
        response->result(static_cast<unsigned>(page.status));
        response->set(http::field::content_type, page.type);
        response->set(http::field::cache_control, "no-store");
        response->set("X-Content-Type-Options", "nosniff");
        response->keep_alive(keep_alive_);
        response->prepare_payload();
        if (page_request_.method == "HEAD") response->body().clear();  // the length stays the body's
        send(response);
    }

    void send(const std::shared_ptr<http::response<http::string_body>>& response) {
        stream_.expires_after(kWriteTimeout);
        http::async_write(stream_, *response, [self = shared_from_this(), response](beast::error_code ec, size_t) {
            if (ec || !self->keep_alive_) return self->close();
            self->read();
        });
    }

    // Ends the connection after its last answer: what the client still sends is read and
    // dropped for a moment, so that closing with it unread does not reset the connection
    // before the client has read the answer.
    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        waiting_ = true;  // may give way
        stream_.expires_after(kLinger);
        drain();
    }
    void drain() {
        stream_.async_read_some(asio::buffer(drain_), [self = shared_from_this()](beast::error_code ec, size_t) {
            if (ec) return self->stream_.close();
            self->drain();
        });
    }

    PreviewServer::State& state_;
    beast::tcp_stream stream_;
    asio::ip::address from_;
    std::list<HttpSession*>::iterator where_;
    bool listed_ = true;
    bool waiting_ = false;
    bool keep_alive_ = true;
    beast::flat_buffer buffer_;
    std::array<char, 4096> drain_{};
    std::optional<http::request_parser<http::string_body>> parser_;
    PageRequest page_request_;
};

void PreviewServer::State::accept() {
    acceptor->async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (ec) {
            // Out of descriptors, say: tries again shortly rather than spinning.
            auto timer = std::make_shared<asio::steady_timer>(io, 50ms);
            timer->async_wait([this, timer](beast::error_code) {
                if (acceptor && acceptor->is_open()) accept();
            });
            return;
        }
        admit(std::move(socket));
        accept();
    });
}

void PreviewServer::State::admit(tcp::socket socket) {
    beast::error_code ec;
    const auto from = socket.remote_endpoint(ec).address();
    if (ec) return;
    socket.set_option(tcp::no_delay(true), ec);  // an answer goes at once, not after a delayed ACK
    // Room for it: the connection from the same address (or from any, past the limit in
    // all) that has waited longest for its request gives way.
    size_t same = 0;
    HttpSession* oldest_same = nullptr;
    HttpSession* oldest = nullptr;
    for (HttpSession* session : sessions) {
        if (session->from() == from) {
            ++same;
            if (!oldest_same && session->waiting()) oldest_same = session;
        }
        if (!oldest && session->waiting()) oldest = session;
    }
    if (same >= kMaxPerAddress || sessions.size() >= max_connections) {
        HttpSession* victim = same >= kMaxPerAddress ? oldest_same : oldest;
        if (!victim) return;  // every connection busy: this one is closed
        victim->give_way();
    }
    std::make_shared<HttpSession>(*this, std::move(socket), from)->read();
}

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
    state.panel_path = options.live.panel_path;
    state.module_path = options.live.module_path;
    state.findings_out = options.findings_out;
    state.exe = options.check_program;
    state.notes = opening;
    state.loaded_version = file_version(state.panel_path);
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
    state.workbench.stop();
    if (state.first_check.joinable()) state.first_check.join();
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
