// The live page's answers: files by name, inputs by POST, the trace by GET.
#include "host/serve/routes.h"

#include <algorithm>
#include <boost/beast/http/status.hpp>
#include <cctype>
#include <optional>

#include "host/base/numbers.h"
#include "host/base/utf8.h"
#include "host/serve/page_files.h"
#include "host/trace/json_writer.h"

namespace {

namespace http = boost::beast::http;

constexpr size_t kTraceLimit = 200;

const char* mime_type(const std::string& name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    return "application/octet-stream";
}

// The reason may quote what the request sent, in any bytes: it goes out as UTF-8 on one
// line, as the type says.
PageResponse refuse(int status, const std::string& reason) {
    return {status, "text/plain; charset=utf-8",
            std::to_string(status) + " " +
                std::string(http::obsolete_reason(http::int_to_status(static_cast<unsigned>(status)))) + ": " +
                utf8_text(reason) + "\n"};
}

const std::string kBodyTooLarge = "a body holds at most " + std::to_string(SERVE_MAX_BODY) + " bytes";

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Whether every field of a query or body holds at most SERVE_MAX_FIELD bytes once decoded
// (its name, '=' and value: one byte more than a value may hold).
bool fields_fit(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        const size_t length = end - start;  // the field's name and value, still encoded
        if (length > 3 * SERVE_MAX_FIELD + 1) return false;
        if (length > SERVE_MAX_FIELD &&
            url_decode(std::string_view(text).substr(start, length), true).size() > SERVE_MAX_FIELD + 1)
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string url_decode(std::string_view text, bool form) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
        const int low = high >= 0 ? hex_digit(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += form && text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

// The request's form fields: the query string and, for a POST, its body.
struct PageRoutes::Form {
    std::string query, body;
    bool has(const char* name) const { return get(name).has_value(); }
    std::optional<std::string> get(const char* name) const {
        const std::string_view wanted(name);
        for (const std::string* source : {&body, &query}) {
            size_t start = 0;
            while (start <= source->size()) {
                size_t end = source->find('&', start);
                if (end == std::string::npos) end = source->size();
                const std::string_view field = std::string_view(*source).substr(start, end - start);
                if (field.size() > wanted.size() && field[wanted.size()] == '=' &&
                    std::equal(wanted.begin(), wanted.end(), field.begin(),
                               [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); }))
                    return url_decode(field.substr(wanted.size() + 1), true);
                start = end + 1;
            }
        }
        return std::nullopt;
    }
    // A whole-number field: the value, or the refusal in problem.
    Parsed<long long> whole(const char* name, long long min, long long max) const {
        const auto text = get(name);
        if (!text) return {0, std::string("needs ") + name};
        Parsed<long long> parsed = parse_whole(*text, min, max);
        if (!parsed.ok()) parsed.problem = std::string(name) + ": " + parsed.problem;
        return parsed;
    }
};

PageRoutes::PageRoutes(LivePanel& panel, RunWithPanel run, std::function<void()> after_input)
    : panel_(panel), run_(std::move(run)), after_input_(std::move(after_input)), click_sound_(panel.click_sound()) {}

PageResponse PageRoutes::answer(const PageRequest& request) {
    const std::string path = url_decode(request.path, false);
    // Only names of the embedded files and of the inputs: no file-system paths.
    if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos ||
        path.find("//") != std::string::npos || path.find('\\') != std::string::npos ||
        path.find('\0') != std::string::npos)
        return refuse(400, "the page serves its own files only, by name");
    const bool post = request.method == "POST";
    if (!post && request.method != "GET" && request.method != "HEAD")
        return refuse(405, "the page answers GET and POST");
    if (request.content_length > SERVE_MAX_BODY || request.body.size() > static_cast<size_t>(SERVE_MAX_BODY))
        return refuse(413, kBodyTooLarge);
    const Form form{request.query, request.body};
    if (!fields_fit(form.query) || !fields_fit(form.body))
        return refuse(400, "a field holds at most " + std::to_string(SERVE_MAX_FIELD) + " bytes");
    if (post) {
        if (path.starts_with("/api/")) return input(path.substr(5), form);
        return refuse(405, "only /api/ takes a POST");
    }
    if (path == "/api/trace") return trace(form);
    if (path == "/click.wav") {
        if (click_sound_.empty()) return refuse(404, "the module has no click sound");
        return {200, "audio/wav", click_sound_};
    }
    const std::string name = path == "/" ? "index.html" : path.substr(1);
    for (size_t i = 0; i < EMBEDDED_PAGE_FILE_COUNT; ++i)
        if (name == EMBEDDED_PAGE_FILES[i].name)
            return {200, mime_type(name), std::string(EMBEDDED_PAGE_FILES[i].bytes())};
    return refuse(404, "no file " + json_quote(name.substr(0, 80)) + " on this page");
}

void PageRoutes::set_workbench(Workbench* workbench, std::function<void()> after_edit) {
    workbench_ = workbench;
    after_edit_ = std::move(after_edit);
}

namespace {

// The edits' rows: the name after /api/ and whether it takes the section, key, gauge
// and numbers.
struct EditRoute {
    const char* name;
    bool section, key, gauge, numbers;
};
constexpr EditRoute kEditRoutes[] = {
    // name     section key    gauge  numbers
    {"edit", true, true, false, true},     // x, y, w, h of one line
    {"add", true, false, true, true},      // a gauge as the window's next gaugeNN
    {"remove", true, true, false, false},  // one gauge's line
    {"undo", false, false, false, false}, {"redo", false, false, false, false},
};

}  // namespace

PageResponse PageRoutes::file_edit(const std::string& what, const Form& form) {
    const EditRoute* route = nullptr;
    for (const EditRoute& row : kEditRoutes)
        if (what == row.name) route = &row;
    if (!workbench_) return refuse(404, "this serve edits no panel.cfg");
    CfgValues values;
    if (route->numbers) {
        std::optional<double>* slots[] = {&values.x, &values.y, &values.w, &values.h};
        const char* names[] = {"x", "y", "w", "h"};
        for (size_t i = 0; i < 4; ++i) {
            const auto text = form.get(names[i]);
            if (!text) continue;
            const Parsed<double> parsed = parse_number(*text);
            if (!parsed.ok()) return refuse(400, std::string(names[i]) + ": " + parsed.problem);
            *slots[i] = parsed.value;
        }
        if (what == "edit" && !values.x && !values.y && !values.w && !values.h)
            return refuse(400, "needs one of x, y, w, h");
    }
    const std::string section = form.get("section").value_or(""), key = form.get("key").value_or("");
    const std::string gauge = form.get("gauge").value_or(""), version = form.get("version").value_or("");
    if (route->section && section.empty()) return refuse(400, "needs section");
    if (route->key && key.empty()) return refuse(400, "needs key");
    if (route->gauge && gauge.empty()) return refuse(400, "needs gauge");
    CfgEditResult result;
    if (what == "edit") result = workbench_->edit(section, key, values, version);
    if (what == "add") result = workbench_->add(section, gauge, values, version);
    if (what == "remove") result = workbench_->remove(section, key, version);
    if (what == "undo") result = workbench_->undo(version);
    if (what == "redo") result = workbench_->redo(version);
    if (!result.ok())
        return refuse(result.status, result.message + (result.version.empty() ? ""
                                                                              : " (the file is "
                                                                                "at version " +
                                                                                    result.version + ")"));
    if (after_edit_) after_edit_();
    return {200, "application/json", edit_result_json(result)};
}

// The page's inputs come over its socket as "click?gauge=3&x=10&y=20" (the form of the
// POST), its trace as "trace?after=N&gauge=NAME" answered with the lines; edits stay
// POSTs. Already on the clock thread: the input runs at once.
std::vector<PageMessage> PageRoutes::message(uint64_t, std::string_view text) {
    const auto mark = text.find('?');
    const std::string what(text.substr(0, mark));
    const Form form{mark == std::string_view::npos ? std::string() : std::string(text.substr(mark + 1)), {}};
    std::string json;
    JsonWriter writer(json);
    if (what == "trace") {
        const auto after = form.has("after") ? form.whole("after", 0, INT64_MAX) : Parsed<long long>{};
        const auto lines = panel_.trace_after(after.ok() ? static_cast<uint64_t>(after.value) : 0,
                                              form.get("gauge").value_or(""), 200);
        writer.begin_object().text("type", "trace-lines").key("lines").begin_array();
        for (const TraceLine& line : lines)
            writer.begin_object()
                .num("seq", static_cast<int64_t>(line.seq))
                .text("gauge", line.gauge)
                .key("call")
                .raw(line.json)
                .end_object();
        writer.end_array().num("last", static_cast<int64_t>(panel_.last_trace_seq())).end_object();
        return {{"", json}};
    }
    for (const EditRoute& row : kEditRoutes)
        if (what == row.name) return {{"", "{\"type\":\"refused\",\"text\":\"edits are POSTs\"}"}};
    on_clock_ = true;
    const PageResponse answer = input(what, form);
    on_clock_ = false;
    if (answer.status < 400) return {};
    const std::string reason = answer.body.substr(0, answer.body.find_last_not_of('\n') + 1);
    writer.begin_object().text("type", "refused").utf8("text", reason).end_object();
    return {{"", json}};
}

PageResponse PageRoutes::input(const std::string& what, const Form& form) {
    for (const EditRoute& row : kEditRoutes)
        if (what == row.name) return file_edit(what, form);
    std::function<Reply()> act;  // the input, run with the panel
    if (what == "click") {
        const bool at_panel = form.has("px");
        const auto x = form.whole(at_panel ? "px" : "x", -1000000, 1000000);
        const auto y = form.whole(at_panel ? "py" : "y", -1000000, 1000000);
        const auto gauge = at_panel ? Parsed<long long>{} : form.whole("gauge", 0, INT32_MAX);
        for (const auto* field : {&x, &y, &gauge})
            if (!field->ok()) return refuse(400, field->problem);
        // An XML gauge's area may also take the pointer moved while held, and the release.
        const std::string kind = form.get("kind").value_or("press");
        if (kind != "press" && kind != "drag" && kind != "release")
            return refuse(400, "kind is press, drag or release");
        const XmlMouse mouse = kind == "drag"      ? XmlMouse::drag
                               : kind == "release" ? XmlMouse::release
                                                   : XmlMouse::press;
        const int px = static_cast<int>(x.value), py = static_cast<int>(y.value), id = static_cast<int>(gauge.value);
        act = [this, at_panel, px, py, id, mouse] {
            return at_panel ? panel_.click_at(px, py) : panel_.click(id, px, py, mouse);
        };
    } else if (what == "var") {
        const auto name = form.get("name"), value = form.get("value");
        if (!name || !value) return refuse(400, "needs name and value");
        act = [this, name = *name, value = *value] { return panel_.set_variable(name, value); };
    } else if (what == "window") {
        const auto ident = form.whole("ident", INT32_MIN, INT32_MAX);
        if (!ident.ok()) return refuse(400, ident.problem);
        act = [this, ident = static_cast<int32_t>(ident.value), action = form.get("action").value_or("toggle")] {
            return panel_.window(ident, action);
        };
    } else if (what == "night") {
        const auto on = form.whole("on", 0, 1);
        if (!on.ok()) return refuse(400, on.problem);
        act = [this, night = on.value == 1] { return panel_.set_night(night); };
    } else if (what == "layout") {
        act = [this, kind = form.get("kind").value_or("")] { return panel_.set_layout(kind); };
    } else if (what == "flight") {
        double speed = 0.0;
        if (const auto text = form.get("speed")) {
            const Parsed<double> parsed = parse_number(*text);
            if (!parsed.ok()) return refuse(400, "speed: " + parsed.problem);
            speed = parsed.value;
            if (speed == 0.0) return refuse(422, "the speed goes from 0.25 to 16");
        }
        act = [this, speed, action = form.get("action").value_or("")] { return panel_.flight(action, speed); };
    } else {
        return refuse(404, "no input " + json_quote(what.substr(0, 40)));
    }
    Reply reply;
    const bool ran = on_clock_ ? (reply = act(), true) : run_([&] {
        reply = act();
        after_input_();  // a refused click may still have traced calls
    });
    if (!ran) return refuse(503, "the server is stopping");
    if (!reply.ok()) return refuse(reply.status, reply.reason);
    return {200, "application/json", "{\"ok\":true}"};
}

PageResponse PageRoutes::trace(const Form& form) {
    const auto after = form.has("after") ? form.whole("after", 0, INT64_MAX) : Parsed<long long>{};
    if (!after.ok()) return refuse(400, after.problem);
    const std::string gauge = form.get("gauge").value_or("");
    std::string json = "{\"lines\":[";
    const bool ran = run_([&] {
        const auto lines = panel_.trace_after(static_cast<uint64_t>(after.value), gauge, kTraceLimit);
        for (size_t i = 0; i < lines.size(); ++i)
            json += std::string(i ? "," : "") + "{\"seq\":" + std::to_string(lines[i].seq) +
                    ",\"gauge\":" + json_quote(lines[i].gauge) + ",\"call\":" + lines[i].json + "}";
        json += "],\"last\":" + std::to_string(panel_.last_trace_seq()) + "}";
    });
    if (!ran) return refuse(503, "the server is stopping");
    return {200, "application/json", json};
}
