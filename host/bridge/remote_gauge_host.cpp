// Requests to the far side and the copies of its placements.
#include "host/bridge/remote_gauge_host.h"

#include <cstdio>
#include <ostream>
#include <utility>

using bridge::Reader;
using bridge::Request;
using bridge::RequestFields;
using bridge::Status;
using bridge::Writer;

namespace {

constexpr int kQuitMs = 3000;   // a far side told to quit ends within this
constexpr int kBrokenMs = 100;  // one that crashed or hangs is not waited for
constexpr size_t kMostAdvancesHeld = 256;

// Requests that cannot change which windows are open or the clock.
bool keeps_windows_and_clock(Request request) {
    return request == Request::var || request == Request::vars || request == Request::declarations ||
           request == Request::windows_open || request == Request::clock || request == Request::quit;
}

std::string crash_text(uint8_t code_kind, uint32_t code) {
    char text[48];
    if (code_kind == 0)
        std::snprintf(text, sizeof text, "exception 0x%08X", code);
    else
        std::snprintf(text, sizeof text, "signal %u", code);
    return text;
}

// A play as the portable build's trace writes it.
std::string sound_play_line(const SoundPlay& play) {
    Trace line;
    line.add("sound").text("call", "play").num("object", play.buffer).num("value", play.flags).num("ok", play.ok);
    return line.line(0);
}

}  // namespace

std::unique_ptr<RemoteGaugeHost> RemoteGaugeHost::start(RemoteOptions options, Diagnostics& diagnostics) {
    std::unique_ptr<RemoteGaugeHost> host(new RemoteGaugeHost(std::move(options)));
    std::string error;
    if (!host->process_.start(host->options_.command, error)) {
        diagnostics.error(error);
        return nullptr;
    }
    Reply reply;
    RequestFields fields;
    fields.text = host->options_.module_path;
    fields.flag = host->options_.trace;
    if (!host->call(Request::load, fields, reply, host->options_.start_timeout_ms)) {
        diagnostics.error(host->broken_.empty() ? reply.refusal : host->broken_);
        return nullptr;
    }
    if (host->options_.after_start) host->options_.after_start();
    const uint32_t count = reply.payload->u32();
    for (uint32_t i = 0; i < count && reply.payload->ok(); ++i) host->names_.push_back(reply.payload->text());
    if (!reply.payload->ok()) {
        diagnostics.error(host->options_.command.description + " sent a malformed answer to load");
        return nullptr;
    }
    return host;
}

RemoteGaugeHost::~RemoteGaugeHost() {
    if (broken_.empty()) {
        Reply reply;
        call(Request::quit, reply, kQuitMs);
    }
    stop(kQuitMs);
}

void RemoteGaugeHost::stop(int grace_ms) {
    if (!process_.running()) return;
    process_.stop(grace_ms);
    if (options_.after_stop) options_.after_stop();
}

void RemoteGaugeHost::fail(const std::string& what) {
    if (!broken_.empty()) return;
    broken_ = what + "; it was stopped";
    stop(kBrokenMs);
}

bool RemoteGaugeHost::still_serving() {
    if (broken_.empty() && options_.check) {
        const std::string unable = options_.check();
        if (!unable.empty()) fail(unable);
    }
    return broken_.empty();
}

bool RemoteGaugeHost::send_advances() {
    if (advances_.empty()) return true;
    RequestFields fields;
    fields.advances.swap(advances_);
    Reply reply;
    return call(Request::advance, fields, reply);
}

bool RemoteGaugeHost::call(Request request, const RequestFields& fields, Reply& reply, int timeout_ms) {
    if (!broken_.empty()) return false;
    // Advances wait for the frame that comes with them; any other request runs after them.
    if (request != Request::frame && request != Request::advance && !send_advances()) return false;
    const bridge::RequestRow& row = *bridge::find_request(request);
    const auto during = [&row] { return std::string(" during ") + row.name; };
    if (options_.check) {
        const std::string unable = options_.check();
        if (!unable.empty()) return fail(unable + during()), false;
    }
    if (!keeps_windows_and_clock(request)) windows_known_ = clock_known_ = false;
    message_.clear();
    message_.u8(static_cast<uint8_t>(request));
    row.encode(message_, fields);
    std::string error;
    ++requests_;
    if (!process_.send(message_.framed(), error)) return fail(error + during()), false;
    if (!process_.receive(reply.bytes, timeout_ms > 0 ? timeout_ms : options_.request_timeout_ms, error))
        return fail(error + during()), false;
    reply.payload = std::make_unique<Reader>(reply.bytes);
    Reader& in = *reply.payload;
    const auto status = static_cast<Status>(in.u8());
    if (!read_entries(in)) {
        fail(options_.command.description + " sent a malformed reply" + during());
        return false;
    }
    const uint32_t faults = in.u32();
    for (uint32_t i = 0; i < faults && in.ok(); ++i) faults_.push_back(in.text());
    if (status == Status::crashed) {
        const std::string running = in.text();
        const uint8_t code_kind = in.u8();
        const uint32_t code = in.u32();
        fail("the module crashed " + options_.command.description + " during " + running + " (" +
             crash_text(code_kind, code) + ")");
        return false;
    }
    if (status == Status::refused) reply.refusal = in.text();
    if (!in.ok() || (status != Status::ok && status != Status::refused)) {
        fail(options_.command.description + " sent a malformed reply" + during());
        return false;
    }
    return status == Status::ok;
}

bool RemoteGaugeHost::read_entries(Reader& in) {
    const uint32_t entries = in.u32();
    for (uint32_t i = 0; i < entries && in.ok(); ++i) {
        const auto kind = static_cast<bridge::Entry>(in.u8());
        if (kind == bridge::Entry::trace_line) {
            const std::string_view gauge = in.view();
            const std::string_view line = in.view();
            if (in.ok()) trace_.add_line(line, gauge);
        } else if (kind == bridge::Entry::sound_play) {
            SoundPlay play;
            play.buffer = in.u32();
            play.flags = in.u32();
            play.ok = in.u8() != 0;
            plays_.push_back(play);
            if (options_.trace) trace_.add_line(sound_play_line(play), {});
        } else {
            return false;
        }
    }
    return in.ok();
}

void RemoteGaugeHost::read_snapshots(Reader& in, uint32_t count) {
    for (uint32_t i = 0; i < count && in.ok(); ++i) {
        const int32_t id = bridge::read_snapshot_id(in);
        Placement* p = placement(id);
        if (!p)
            return fail(options_.command.description + " sent the state of an unknown placement " + std::to_string(id));
        if (!bridge::read_snapshot(in, *p, records_[id])) break;
    }
    if (!in.ok()) fail(options_.command.description + " sent a malformed placement state");
}

std::string RemoteGaugeHost::declarations() {
    Reply reply;
    if (!call(Request::declarations, reply)) return {};
    return reply.payload->text();
}

int RemoteGaugeHost::place(const std::string& name, const std::optional<std::string>& parameters,
                           Diagnostics& diagnostics, int32_t window) {
    RequestFields fields;
    fields.text = name;
    fields.parameters = parameters;
    fields.id = window;
    Reply reply;
    if (!call(Request::place, fields, reply)) {
        diagnostics.error(broken_.empty() ? reply.refusal : broken_);
        return -1;
    }
    const int32_t id = bridge::read_snapshot_id(*reply.payload);
    auto p = std::make_unique<Placement>();
    p->id = id;
    p->name = name;
    p->window = window;
    p->installed = true;
    if (parameters) {
        p->parameters.emplace(parameters->begin(), parameters->end());
        p->parameters->push_back('\0');
    }
    bridge::PlacementRecords& records = records_[id];
    records.name = name;
    records.gauge.name = records.name.c_str();
    p->gauge = &records.gauge;
    placements_.push_back(std::move(p));
    if (!bridge::read_snapshot(*reply.payload, *placements_.back(), records) ||
        !bridge::read_mouse_rects(*reply.payload, records)) {
        fail(options_.command.description + " sent a malformed placement state");
        diagnostics.error(broken_);
        return -1;
    }
    return id;
}

void RemoteGaugeHost::remove(int id) {
    RequestFields fields;
    fields.id = id;
    Reply reply;
    call(Request::remove, fields, reply);
    for (auto it = placements_.begin(); it != placements_.end(); ++it) {
        if ((*it)->id != id) continue;
        placements_.erase(it);
        records_.erase(id);
        return;
    }
}

void RemoteGaugeHost::frame_all() {
    RequestFields fields;
    fields.advances.swap(advances_);
    fields.idents = window_idents_;
    Reply reply;
    if (!call(Request::frame, fields, reply)) return;
    Reader& in = *reply.payload;
    read_snapshots(in, in.u32());
    windows_open_.assign(window_idents_.size(), false);
    for (size_t i = 0; i < window_idents_.size(); ++i) windows_open_[i] = in.u8() != 0;
    clock_s_ = in.f64();
    if (!in.ok()) return fail(options_.command.description + " sent a malformed answer to frame");
    windows_known_ = clock_known_ = broken_.empty();
}

bool RemoteGaugeHost::click(int id, int x, int y) {
    RequestFields fields;
    fields.id = id;
    fields.x = x;
    fields.y = y;
    Reply reply;
    if (!call(Request::click, fields, reply)) return false;
    const bool hit = reply.payload->u8() != 0;
    read_snapshots(*reply.payload, reply.payload->u32());
    return hit;
}

Placement* RemoteGaugeHost::placement(int id) {
    for (auto& p : placements_)
        if (p->id == id) return p.get();
    return nullptr;
}

void RemoteGaugeHost::advance(double dt_s) {
    if (!broken_.empty()) return;
    windows_known_ = clock_known_ = false;
    advances_.push_back(dt_s);
    if (advances_.size() >= kMostAdvancesHeld) send_advances();
}

bool RemoteGaugeHost::set_var(uint32_t token, double value) {
    RequestFields fields;
    fields.token = token;
    fields.value = value;
    Reply reply;
    return call(Request::set_var, fields, reply) && reply.payload->u8() != 0;
}

double RemoteGaugeHost::var_number(uint32_t token) {
    RequestFields fields;
    fields.token = token;
    Reply reply;
    return call(Request::var, fields, reply) ? reply.payload->f64() : 0.0;
}

bool RemoteGaugeHost::host_event(uint32_t event_id, uint32_t value) {
    RequestFields fields;
    fields.token = event_id;
    fields.word = value;
    Reply reply;
    return call(Request::event, fields, reply) && reply.payload->u8() != 0;
}

void RemoteGaugeHost::declare_window(int32_t ident, bool open) {
    RequestFields fields;
    fields.id = ident;
    fields.flag = open;
    Reply reply;
    call(Request::declare_window, fields, reply);
}

bool RemoteGaugeHost::window_open(int32_t ident) {
    if (windows_known_ && advances_.empty() && still_serving())
        for (size_t i = 0; i < window_idents_.size(); ++i)
            if (window_idents_[i] == ident) return windows_open_[i];
    RequestFields fields;
    fields.id = ident;
    Reply reply;
    return call(Request::window_open, fields, reply) && reply.payload->u8() != 0;
}

double RemoteGaugeHost::time_s() {
    if (clock_known_ && advances_.empty() && still_serving()) return clock_s_;
    Reply reply;
    if (!call(Request::clock, reply)) return 0.0;
    clock_s_ = reply.payload->f64();
    clock_known_ = reply.payload->ok();
    return clock_s_;
}

std::vector<double> RemoteGaugeHost::var_numbers(const std::vector<uint32_t>& tokens) {
    if (tokens.size() > bridge::MAX_QUERY_ITEMS) return GaugeHost::var_numbers(tokens);
    std::vector<double> values(tokens.size(), 0.0);
    RequestFields fields;
    fields.tokens = tokens;
    Reply reply;
    if (!call(Request::vars, fields, reply)) return values;
    if (reply.payload->u32() != tokens.size()) {
        fail(options_.command.description + " sent a malformed answer to vars");
        return values;
    }
    for (double& value : values) value = reply.payload->f64();
    if (!reply.payload->ok()) fail(options_.command.description + " sent a malformed answer to vars");
    return values;
}

std::vector<bool> RemoteGaugeHost::windows_open(const std::vector<int32_t>& idents) {
    if (idents.size() > bridge::MAX_QUERY_ITEMS) return GaugeHost::windows_open(idents);
    if (windows_known_ && advances_.empty() && idents == window_idents_ && still_serving()) return windows_open_;
    std::vector<bool> open(idents.size(), false);
    RequestFields fields;
    fields.idents = idents;
    Reply reply;
    if (!call(Request::windows_open, fields, reply)) return open;
    if (reply.payload->u32() != idents.size()) {
        fail(options_.command.description + " sent a malformed answer to windows_open");
        return open;
    }
    for (size_t i = 0; i < open.size(); ++i) open[i] = reply.payload->u8() != 0;
    if (!reply.payload->ok()) {
        fail(options_.command.description + " sent a malformed answer to windows_open");
        return open;
    }
    // The next frames bring these windows' flags with them.
    window_idents_ = idents;
    windows_open_ = open;
    windows_known_ = true;
    return open;
}

bool RemoteGaugeHost::resource(uint16_t id, const char* type, std::vector<uint8_t>& bytes) {
    return options_.resources && options_.resources(id, type, bytes);
}

std::vector<std::string> RemoteGaugeHost::errors() {
    std::vector<std::string> out = faults_;
    if (!broken_.empty()) out.push_back(broken_);
    return out;
}

std::string RemoteGaugeHost::trace_text() { return trace_.joined(); }

void RemoteGaugeHost::clear_trace() { trace_.clear(); }

void RemoteGaugeHost::take_trace(TraceBatch& batch) {
    batch.clear();
    std::swap(batch.records, trace_);
}
