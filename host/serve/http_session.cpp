// The live page's HTTP connections: each request's head checked (one Host, one message
// length, the target's form), its body read within bounds, the routes' answer or a refusal.
#include "host/serve/http_session.h"

#include <algorithm>
#include <boost/asio/post.hpp>
#include <cctype>
#include <cstdint>
#include <string_view>

#include "host/serve/tab.h"

namespace {

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

void HttpSession::give_way() {
    waiting_ = false;
    state_.sessions.erase(where_);
    listed_ = false;
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
}

void HttpSession::read() {
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

void HttpSession::on_head(beast::error_code ec) {
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
        page_request_.content_length =
            static_cast<long long>(std::min<uint64_t>(*parser_->content_length(), static_cast<uint64_t>(INT64_MAX)));
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
void HttpSession::refuse_broken(beast::error_code ec) {
    if (ec == http::error::header_limit)
        return refuse(431, "a request's line and headers hold at most " + std::to_string(SERVE_MAX_REQUEST) + " bytes");
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

void HttpSession::upgrade() {
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
void HttpSession::dispatch() {
    waiting_ = false;
    stream_.expires_never();
    asio::post(*state_.answers, [self = shared_from_this()]() mutable {
        PageResponse response = self->state_.routes->answer(self->page_request_);
        auto& io = self->state_.io;
        asio::post(io, [self = std::move(self), response = std::move(response)] { self->respond(response); });
    });
}

void HttpSession::refuse(int status, const std::string& reason) {
    keep_alive_ = false;
    respond(
        {status, "text/plain; charset=utf-8",
         std::to_string(status) + " " +
             std::string(status == 413 ? "Content Too Large"  // its name since RFC 9110
                                       : http::obsolete_reason(http::int_to_status(static_cast<unsigned>(status)))) +
             ": " + reason + "\n"});
}

void HttpSession::answer_allow() {
    auto response = std::make_shared<http::response<http::string_body>>(http::status::no_content, 11);
    response->set(http::field::allow, "GET, HEAD, POST");
    response->keep_alive(keep_alive_);
    send(response);
}

void HttpSession::respond(const PageResponse& page) {
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

void HttpSession::send(const std::shared_ptr<http::response<http::string_body>>& response) {
    stream_.expires_after(kWriteTimeout);
    http::async_write(stream_, *response, [self = shared_from_this(), response](beast::error_code ec, size_t) {
        if (ec || !self->keep_alive_) return self->close();
        self->read();
    });
}

// Ends the connection after its last answer: what the client still sends is read and
// dropped for a moment, so that closing with it unread does not reset the connection
// before the client has read the answer.
void HttpSession::close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    waiting_ = true;  // may give way
    stream_.expires_after(kLinger);
    drain();
}
void HttpSession::drain() {
    stream_.async_read_some(asio::buffer(drain_), [self = shared_from_this()](beast::error_code ec, size_t) {
        if (ec) return self->stream_.close();
        self->drain();
    });
}
