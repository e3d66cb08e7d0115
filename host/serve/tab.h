// One open tab of the live page: its WebSocket, the bounded queue of what waits to go to
// it, and what it sends. Every member runs on the network thread.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "host/serve/server_state.h"

class Tab : public std::enable_shared_from_this<Tab> {
public:
    Tab(PreviewServer::State& state, websocket::stream<beast::tcp_stream> ws, asio::ip::address from, uint64_t id)
        : state_(state), ws_(std::move(ws)), from_(from), id_(id) {}

    // Takes the upgrade request and, once the handshake is done, joins the tabs.
    void accept(http::request<http::string_body> request);
    // One more batch for this tab.
    void send(const Batch& batch);
    // Everything the page shows, after which batches are sent again.
    void resynced(const Batch& all);
    // Tells the tab the server is going away.
    void go_away() { close_with({websocket::close_code::going_away, "the server is stopping"}); }

    uint64_t id() const { return id_; }

private:
    void write();
    // Asks the clock thread for everything whole, once.
    void catch_up();
    void read();
    // Sends the closing frame (once: the WebSocket takes one), nothing after it.
    void close_with(const websocket::close_reason& reason);
    void closed();

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
