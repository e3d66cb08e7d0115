// One HTTP connection to the live page: its requests one at a time, each checked and
// answered before the next is read, or its upgrade to a tab. Runs on the network thread.
#pragma once

#include <array>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "host/serve/server_state.h"

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
    void give_way();
    // Reads the next request.
    void read();

private:
    void on_head(beast::error_code ec);
    void refuse_broken(beast::error_code ec);
    void upgrade();
    void dispatch();
    void refuse(int status, const std::string& reason);
    void answer_allow();
    void respond(const PageResponse& page);
    void send(const std::shared_ptr<http::response<http::string_body>>& response);
    void close();
    void drain();

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
