// The live page's tabs: each one's WebSocket and bounded queue (a tab that falls behind is
// sent everything whole once it reads again), and the fan-out of what changed to them all.
#include "host/serve/tab.h"

#include <boost/asio/post.hpp>
#include <string>
#include <vector>

void Tab::accept(http::request<http::string_body> request) {
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

void Tab::send(const Batch& batch) {
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

void Tab::resynced(const Batch& all) {
    if (done_ || closing_) return;
    queue_.clear();
    queued_bytes_ = 0;
    behind_ = false;
    resync_asked_ = false;
    send(all);
}

void Tab::write() {
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

void Tab::catch_up() {
    if (resync_asked_ || done_) return;
    resync_asked_ = true;
    state_.post_to_clock([self = shared_from_this()] {
        Batch all = self->state_.snapshot();
        asio::post(self->state_.io, [self, all = std::move(all)] { self->resynced(all); });
    });
}

void Tab::read() {
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

void Tab::close_with(const websocket::close_reason& reason) {
    if (done_ || closing_ || !ws_.is_open()) return;
    closing_ = true;
    queue_.clear();
    queued_bytes_ = 0;
    behind_ = true;
    ws_.async_close(reason, [self = shared_from_this()](beast::error_code) { self->closed(); });
}

void Tab::closed() {
    if (done_) return;
    done_ = true;
    queue_.clear();
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
    state_.close_tab(shared_from_this());
    if (--state_.tabs_from[from_] == 0) state_.tabs_from.erase(from_);
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
