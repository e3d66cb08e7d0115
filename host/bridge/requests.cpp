// The table of the bridge's requests, and the far side's handlers.
#include "host/bridge/requests.h"

#include <algorithm>

#include "host/core/panel_host.h"

namespace bridge {
namespace {

// A refusal's text: the errors, one after another.
std::string joined_errors(const Diagnostics& diagnostics) {
    std::string text;
    for (const std::string& error : diagnostics.errors()) text += (text.empty() ? "" : "; ") + error;
    return text;
}

// Lists: a count, then the items. A count above MAX_QUERY_ITEMS is not read further (the
// handler refuses the request), so a stray count allocates nothing.
template <class T, class Put>
void write_list(Writer& out, const std::vector<T>& items, Put put) {
    out.u32(static_cast<uint32_t>(items.size()));
    for (const T& item : items) put(out, item);
}
template <class T, class Take>
void read_list(Reader& in, std::vector<T>& items, bool& too_many, Take take) {
    const uint32_t count = in.u32();
    if (count > MAX_QUERY_ITEMS) {
        too_many = true;
        return;
    }
    items.resize(count);
    for (T& item : items) item = take(in);
}

void put_f64(Writer& out, double v) { out.f64(v); }
void put_i32(Writer& out, int32_t v) { out.i32(v); }
void put_u32(Writer& out, uint32_t v) { out.u32(v); }
double take_f64(Reader& in) { return in.f64(); }
int32_t take_i32(Reader& in) { return in.i32(); }
uint32_t take_u32(Reader& in) { return in.u32(); }

void no_fields(Writer&, const RequestFields&) {}
void read_no_fields(Reader&, RequestFields&) {}

std::string too_many(const char* what) {
    return "more than " + std::to_string(MAX_QUERY_ITEMS) + " " + what + " asked for at once";
}

// The snapshots of the placements whose records or states changed since they were
// last sent: a count, then each.
void write_changed_snapshots(FarSide& far, Writer& answer) {
    const size_t count_at = answer.size();
    answer.u32(0);
    uint32_t count = 0;
    for (const auto& placement : far.host->placements()) {
        far.snapshot.clear();
        write_snapshot(far.snapshot, *placement);
        const std::span<const uint8_t> now = far.snapshot.bytes();
        std::vector<uint8_t>& last = far.sent[placement->id];
        if (std::equal(now.begin(), now.end(), last.begin(), last.end())) continue;
        last.assign(now.begin(), now.end());
        answer.put(now);
        ++count;
    }
    answer.set_u32(count_at, count);
}

void run_advances(FarSide& far, const RequestFields& fields) {
    for (double seconds : fields.advances) far.host->aircraft().advance(seconds);
}

void handle_load(FarSide& far, const RequestFields& fields, Writer& answer, std::string& refusal) {
    far.host = std::make_unique<PanelHost>(HostOptions{.trace = fields.flag});
    far.sent.clear();
    Diagnostics loading;
    if (!far.host->load_module(fields.text, loading)) {
        refusal = joined_errors(loading);
        far.host.reset();
        return;
    }
    const std::vector<GaugeHeader*> gauges = far.host->gauges();
    answer.u32(static_cast<uint32_t>(gauges.size()));
    for (const GaugeHeader* gauge : gauges) answer.text(gauge->name ? gauge->name : "");
}

void handle_place(FarSide& far, const RequestFields& fields, Writer& answer, std::string& refusal) {
    Diagnostics placing;
    const int id = far.host->place(fields.text, fields.parameters, placing, fields.id);
    refusal = joined_errors(placing);
    if (id < 0) return;
    const Placement& placed = *far.host->placement(id);
    far.snapshot.clear();
    write_snapshot(far.snapshot, placed);
    const std::span<const uint8_t> snapshot = far.snapshot.bytes();
    far.sent[id].assign(snapshot.begin(), snapshot.end());
    answer.put(snapshot);
    write_mouse_rects(answer, *placed.gauge);
}

void handle_remove(FarSide& far, const RequestFields& fields, Writer&, std::string&) {
    far.host->remove(fields.id);
    far.sent.erase(fields.id);
}

void handle_frame(FarSide& far, const RequestFields& fields, Writer& answer, std::string& refusal) {
    if (fields.too_many) return static_cast<void>(refusal = too_many("windows"));
    run_advances(far, fields);
    far.host->frame_all();
    write_changed_snapshots(far, answer);
    for (int32_t ident : fields.idents) answer.u8(far.host->aircraft().window_open(ident) ? 1 : 0);
    answer.f64(far.host->aircraft().time_s());
}

void handle_click(FarSide& far, const RequestFields& fields, Writer& answer, std::string&) {
    answer.u8(far.host->click(fields.id, fields.x, fields.y) ? 1 : 0);
    write_changed_snapshots(far, answer);
}

void handle_advance(FarSide& far, const RequestFields& fields, Writer&, std::string& refusal) {
    if (fields.too_many) return static_cast<void>(refusal = too_many("advances"));
    run_advances(far, fields);
}

void handle_vars(FarSide& far, const RequestFields& fields, Writer& answer, std::string& refusal) {
    if (fields.too_many) return static_cast<void>(refusal = too_many("variables"));
    answer.u32(static_cast<uint32_t>(fields.tokens.size()));
    for (uint32_t token : fields.tokens) answer.f64(far.host->aircraft().vars().number(token));
}

void handle_windows_open(FarSide& far, const RequestFields& fields, Writer& answer, std::string& refusal) {
    if (fields.too_many) return static_cast<void>(refusal = too_many("windows"));
    answer.u32(static_cast<uint32_t>(fields.idents.size()));
    for (int32_t ident : fields.idents) answer.u8(far.host->aircraft().window_open(ident) ? 1 : 0);
}

// clang-format off
//  id, name,
//  encoder (Linux side: the fields), decoder (far side: the same fields), handler (far side)
const RequestRow kRequests[] = {
    {Request::load, "load",
     [](Writer& out, const RequestFields& f) { out.text(f.text).u8(f.flag ? 1 : 0); },
     [](Reader& in, RequestFields& f) { f.text = in.text(); f.flag = in.u8() != 0; },
     handle_load},
    {Request::place, "place",
     [](Writer& out, const RequestFields& f) { out.text(f.text).optional_text(f.parameters).i32(f.id); },
     [](Reader& in, RequestFields& f) { f.text = in.text(); f.parameters = in.optional_text(); f.id = in.i32(); },
     handle_place},
    {Request::remove, "remove",
     [](Writer& out, const RequestFields& f) { out.i32(f.id); },
     [](Reader& in, RequestFields& f) { f.id = in.i32(); },
     handle_remove},
    {Request::frame, "frame",
     [](Writer& out, const RequestFields& f) { write_list(out, f.advances, put_f64); write_list(out, f.idents, put_i32); },
     [](Reader& in, RequestFields& f) {
         read_list(in, f.advances, f.too_many, take_f64);
         if (!f.too_many) read_list(in, f.idents, f.too_many, take_i32);
     },
     handle_frame},
    {Request::click, "click",
     [](Writer& out, const RequestFields& f) { out.i32(f.id).i32(f.x).i32(f.y); },
     [](Reader& in, RequestFields& f) { f.id = in.i32(); f.x = in.i32(); f.y = in.i32(); },
     handle_click},
    {Request::advance, "advance",
     [](Writer& out, const RequestFields& f) { write_list(out, f.advances, put_f64); },
     [](Reader& in, RequestFields& f) { read_list(in, f.advances, f.too_many, take_f64); },
     handle_advance},
    {Request::set_var, "set",
     [](Writer& out, const RequestFields& f) { out.u32(f.token).f64(f.value); },
     [](Reader& in, RequestFields& f) { f.token = in.u32(); f.value = in.f64(); },
     [](FarSide& far, const RequestFields& f, Writer& answer, std::string&) {
         answer.u8(far.host->aircraft().vars().set(f.token, f.value) ? 1 : 0);
     }},
    {Request::var, "var",
     [](Writer& out, const RequestFields& f) { out.u32(f.token); },
     [](Reader& in, RequestFields& f) { f.token = in.u32(); },
     [](FarSide& far, const RequestFields& f, Writer& answer, std::string&) {
         answer.f64(far.host->aircraft().vars().number(f.token));
     }},
    {Request::event, "event",
     [](Writer& out, const RequestFields& f) { out.u32(f.token).u32(f.word); },
     [](Reader& in, RequestFields& f) { f.token = in.u32(); f.word = in.u32(); },
     [](FarSide& far, const RequestFields& f, Writer& answer, std::string&) {
         answer.u8(far.host->host_event(f.token, f.word) ? 1 : 0);
     }},
    {Request::declare_window, "declare_window",
     [](Writer& out, const RequestFields& f) { out.i32(f.id).u8(f.flag ? 1 : 0); },
     [](Reader& in, RequestFields& f) { f.id = in.i32(); f.flag = in.u8() != 0; },
     [](FarSide& far, const RequestFields& f, Writer&, std::string&) {
         far.host->aircraft().declare_window(f.id, f.flag);
     }},
    {Request::window_open, "window_open",
     [](Writer& out, const RequestFields& f) { out.i32(f.id); },
     [](Reader& in, RequestFields& f) { f.id = in.i32(); },
     [](FarSide& far, const RequestFields& f, Writer& answer, std::string&) {
         answer.u8(far.host->aircraft().window_open(f.id) ? 1 : 0);
     }},
    {Request::declarations, "declarations", no_fields, read_no_fields,
     [](FarSide& far, const RequestFields&, Writer& answer, std::string&) {
         answer.text(far.declarations(*far.host));
     }},
    {Request::quit, "quit", no_fields, read_no_fields,
     [](FarSide& far, const RequestFields&, Writer&, std::string&) { far.quit = true; }},
    {Request::vars, "vars",
     [](Writer& out, const RequestFields& f) { write_list(out, f.tokens, put_u32); },
     [](Reader& in, RequestFields& f) { read_list(in, f.tokens, f.too_many, take_u32); },
     handle_vars},
    {Request::windows_open, "windows_open",
     [](Writer& out, const RequestFields& f) { write_list(out, f.idents, put_i32); },
     [](Reader& in, RequestFields& f) { read_list(in, f.idents, f.too_many, take_i32); },
     handle_windows_open},
    {Request::clock, "clock", no_fields, read_no_fields,
     [](FarSide& far, const RequestFields&, Writer& answer, std::string&) {
         answer.f64(far.host->aircraft().time_s());
     }},
};
// clang-format on

}  // namespace

const RequestRow* find_request(Request id) {
    for (const RequestRow& row : kRequests)
        if (row.id == id) return &row;
    return nullptr;
}

const char* request_name(Request id) {
    const RequestRow* row = find_request(id);
    return row ? row->name : "unknown request";
}

}  // namespace bridge
