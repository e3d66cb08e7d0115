// Requests to the far side and the copies of its placements.
#include "host/bridge/remote_gauge_host.h"

#include <cstdio>
#include <utility>

using bridge::Reader;
using bridge::Request;
using bridge::Status;
using bridge::Writer;

namespace {

constexpr int kQuitMs = 3000;   // a far side told to quit ends within this
constexpr int kBrokenMs = 100;  // one that crashed or hangs is not waited for

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
    Writer fields;
    fields.text(host->options_.module_path).u8(host->options_.trace ? 1 : 0);
    if (!host->call(Request::load, fields, reply, host->options_.start_timeout_ms)) {
        diagnostics.error(host->broken_.empty() ? reply.refusal : host->broken_);
        return nullptr;
    }
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
        call(Request::quit, Writer(), reply, kQuitMs);
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

bool RemoteGaugeHost::call(Request request, const Writer& fields, Reply& reply, int timeout_ms) {
    if (!broken_.empty()) return false;
    const std::string during = std::string(" during ") + bridge::request_name(request);
    Writer message;
    message.u8(static_cast<uint8_t>(request)).append(fields);
    std::string error;
    if (!process_.send(message.frame(), error)) return fail(error + during), false;
    if (!process_.receive(reply.bytes, timeout_ms > 0 ? timeout_ms : options_.request_timeout_ms, error))
        return fail(error + during), false;
    reply.payload = std::make_unique<Reader>(reply.bytes);
    Reader& in = *reply.payload;
    const auto status = static_cast<Status>(in.u8());
    if (!read_entries(in)) {
        fail(options_.command.description + " sent a malformed reply" + during);
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
        fail(options_.command.description + " sent a malformed reply" + during);
        return false;
    }
    return status == Status::ok;
}

bool RemoteGaugeHost::read_entries(Reader& in) {
    const uint32_t entries = in.u32();
    for (uint32_t i = 0; i < entries && in.ok(); ++i) {
        const auto kind = static_cast<bridge::Entry>(in.u8());
        if (kind == bridge::Entry::trace_line) {
            trace_gauges_.push_back(in.text());
            trace_.push_back(in.text());
        } else if (kind == bridge::Entry::sound_play) {
            SoundPlay play;
            play.buffer = in.u32();
            play.flags = in.u32();
            play.ok = in.u8() != 0;
            plays_.push_back(play);
            if (options_.trace) {
                trace_gauges_.emplace_back();
                trace_.push_back(sound_play_line(play));
            }
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
    if (!call(Request::declarations, Writer(), reply)) return {};
    return reply.payload->text();
}

int RemoteGaugeHost::place(const std::string& name, const std::optional<std::string>& parameters,
                           Diagnostics& diagnostics, int32_t window) {
    Writer fields;
    fields.text(name).optional_text(parameters).i32(window);
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
    Writer fields;
    fields.i32(id);
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
    Reply reply;
    if (call(Request::frame, Writer(), reply)) read_snapshots(*reply.payload, reply.payload->u32());
}

bool RemoteGaugeHost::click(int id, int x, int y) {
    Writer fields;
    fields.i32(id).i32(x).i32(y);
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
    Writer fields;
    fields.f64(dt_s);
    Reply reply;
    call(Request::advance, fields, reply);
}

bool RemoteGaugeHost::set_var(uint32_t token, double value) {
    Writer fields;
    fields.u32(token).f64(value);
    Reply reply;
    return call(Request::set_var, fields, reply) && reply.payload->u8() != 0;
}

double RemoteGaugeHost::var_number(uint32_t token) {
    Writer fields;
    fields.u32(token);
    Reply reply;
    return call(Request::var, fields, reply) ? reply.payload->f64() : 0.0;
}

bool RemoteGaugeHost::host_event(uint32_t event_id, uint32_t value) {
    Writer fields;
    fields.u32(event_id).u32(value);
    Reply reply;
    return call(Request::event, fields, reply) && reply.payload->u8() != 0;
}

void RemoteGaugeHost::declare_window(int32_t ident, bool open) {
    Writer fields;
    fields.i32(ident).u8(open ? 1 : 0);
    Reply reply;
    call(Request::declare_window, fields, reply);
}

bool RemoteGaugeHost::window_open(int32_t ident) {
    Writer fields;
    fields.i32(ident);
    Reply reply;
    return call(Request::window_open, fields, reply) && reply.payload->u8() != 0;
}

double RemoteGaugeHost::time_s() {
    Reply reply;
    return call(Request::clock, Writer(), reply) ? reply.payload->f64() : 0.0;
}

std::vector<double> RemoteGaugeHost::var_numbers(const std::vector<uint32_t>& tokens) {
    if (tokens.size() > bridge::MAX_QUERY_ITEMS) return GaugeHost::var_numbers(tokens);
    std::vector<double> values(tokens.size(), 0.0);
    Writer fields;
    fields.u32(static_cast<uint32_t>(tokens.size()));
    for (uint32_t token : tokens) fields.u32(token);
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
    std::vector<bool> open(idents.size(), false);
    Writer fields;
    fields.u32(static_cast<uint32_t>(idents.size()));
    for (int32_t ident : idents) fields.i32(ident);
    Reply reply;
    if (!call(Request::windows_open, fields, reply)) return open;
    if (reply.payload->u32() != idents.size()) {
        fail(options_.command.description + " sent a malformed answer to windows_open");
        return open;
    }
    for (size_t i = 0; i < open.size(); ++i) open[i] = reply.payload->u8() != 0;
    if (!reply.payload->ok()) fail(options_.command.description + " sent a malformed answer to windows_open");
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

std::string RemoteGaugeHost::trace_text() {
    std::string out;
    for (const auto& line : trace_) out += line + "\n";
    return out;
}

void RemoteGaugeHost::clear_trace() {
    trace_.clear();
    trace_gauges_.clear();
}

void RemoteGaugeHost::take_trace(TraceBatch& batch) {
    batch.clear();
    std::swap(batch.lines, trace_);
    std::swap(batch.line_gauges, trace_gauges_);
}
