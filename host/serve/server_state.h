// What the live page server's parts share: its limits, and PreviewServer::State (the panel
// and its lock, the clock thread's jobs, the tabs and connections, the network's io_context).
#pragma once

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/serve/findings.h"
#include "host/serve/live_panel.h"
#include "host/serve/routes.h"
#include "host/serve/server.h"
#include "host/serve/workbench.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

// A request's head and body must come whole within this of the connection's first byte
// (or of the answer before, for a kept-alive connection).
constexpr std::chrono::seconds kRequestTimeout{10};
constexpr std::chrono::seconds kWriteTimeout{10};
// A tab that neither reads nor answers the pings sent in the meantime is closed.
constexpr std::chrono::seconds kTabIdleTimeout{20};
constexpr std::chrono::seconds kTabHandshakeTimeout{10};
// How long stopping waits for tabs to take their closing frame.
constexpr std::chrono::milliseconds kCloseGrace{50};
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
constexpr std::chrono::seconds kLinger{1};

using Batch = std::shared_ptr<const std::string>;

inline std::string json_batch(const std::vector<PageMessage>& messages) {
    std::string out = "[";
    for (size_t i = 0; i < messages.size(); ++i) out += (i ? "," : "") + messages[i].json;
    return out + "]";
}

// Connections this process can hold: kMaxConnections, or fewer if the descriptor limit is
// lower (keeping some for the panel, the module's host and the log).
size_t connection_limit();

class HttpSession;
class Tab;

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
    // and the findings (server_workbench.cpp).
    Workbench workbench;
    std::string panel_path, module_path, exe;
    std::vector<std::string> gauge_folders;           // --gauges, for the check
    std::unique_ptr<ReportPrinter> findings_printer;  // the findings, printed; null: not printed
    std::string loaded_version;                       // of the panel.cfg text the panel was last read from
    Diagnostics notes;  // of the last reading: the reader's and drawing's, and why it failed
    // The checker runs on a thread of its own, one check at a time, the newest save's:
    // a save is read again at once even while the check of the one before still runs
    // (seconds with a .gau, whose check starts Wine).
    std::mutex check_mutex;  // check_due, check_stopping
    std::condition_variable check_ready;
    bool check_due = false;
    bool check_stopping = false;
    std::atomic<int> check_pid{0};  // the check's process while it runs: stopping ends it
    std::thread checker;
    void run_checks();
    // Ends a check still running and the checker.
    void stop_checks();
    // On the clock thread: reads the panel again when its file changed since it was read.
    void reload_panel(bool force);
    // The findings to the tabs (and printed), with the checker's when it has run.
    void show_findings(const Diagnostics* checked);
    // After a save (or at the start): the panel read again, its findings shown at once
    // and again with the checker's once it has run. From any thread but the clock's.
    void after_save(bool force);
    // The first reading's version and notes, the editor opened on the panel.cfg, and the
    // findings shown. On the clock thread's side, before it runs.
    void open_workbench(const ServeOptions& options, const Diagnostics& opening);

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
