// The live page's listener: accepts connections and keeps their count bounded per address
// and in all, the one waiting longest for its request giving way to a new one.
#include <sys/resource.h>

#include <algorithm>
#include <boost/asio/steady_timer.hpp>
#include <memory>

#include "host/serve/http_session.h"

using namespace std::chrono_literals;

size_t connection_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMaxConnections;
    const size_t spare = 64;
    return limit.rlim_cur <= spare * 2 ? spare : std::min<size_t>(kMaxConnections, limit.rlim_cur - spare);
}

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
