// The parameter command language: keyword search, number reading, lookups in the
// window and help name tables of sdk/ids.h, and the command runners. No state of its
// own; the look commands write into the records the gauge header leads to.
#include "commands/param_commands.h"

#include <cstdlib>
#include <cstring>

#include "sdk/host_services.h"

namespace {

// Everything from the first of these on is a comment.
constexpr char kCommentMarks[] = {'/', '#', '\''};

bool has_text(const char* text) { return text && text[0] != '\0'; }

// The parameter string of the gauge when it has a non-empty one, else null.
const char* gauge_text(const GaugeHeader* gauge) {
    return gauge && has_text(gauge->parameters) ? gauge->parameters : nullptr;
}

// Whether text begins with prefix.
bool starts_with(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (*text != *prefix) return false;
    return true;
}

// The first row of a name table whose name text begins with, or null.
template <class Row, size_t N>
const Row* lookup_prefix(const Row (&table)[N], const char* text) {
    for (const Row& row : table)
        if (starts_with(text, row.name)) return &row;
    return nullptr;
}

// The white space that atoi skips.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Sends event with the window id read behind every occurrence of letter that stands
// before the first comment mark, in the order of the text. Each search runs on the rest
// behind the previous hit, which still holds every comment mark that follows it.
void run_window_scan(const char* text, const char* letter, uint32_t event) {
    const char* rest = text;
    for (const char* hit = find_param_keyword(rest, letter); hit; hit = find_param_keyword(rest, letter)) {
        rest = hit + 1;
        const int32_t window = panel_id_from_text(rest);
        if (window >= 0) send_event(event, static_cast<uint32_t>(window));
    }
}

// The first `p`: n > 0 sends EVENT_P_FORWARD n times, n < 0 EVENT_P_BACK -n times, 0
// sends EVENT_P_ZERO once; at most P_COUNT_LIMIT events either way.
void run_p_command(const char* text) {
    const char* hit = find_param_keyword(text, "p");
    if (!hit) return;
    const int32_t n = read_param_int(hit + 1);
    if (n == 0) {
        send_event(EVENT_P_ZERO, 0);
        return;
    }
    const uint32_t event = n > 0 ? EVENT_P_FORWARD : EVENT_P_BACK;
    const int32_t wanted = n > 0 ? n : (n < -P_COUNT_LIMIT ? P_COUNT_LIMIT : -n);
    const int32_t count = wanted < P_COUNT_LIMIT ? wanted : P_COUNT_LIMIT;
    for (int32_t i = 0; i < count; ++i) send_event(event, 0);
}

// `b`: the root element's bitmap, when the id is one of the toggle pictures. Returns
// false when the command was given and rejected (the caller then skips `h`).
bool apply_bitmap_command(GaugeHeader* gauge, const char* text) {
    const char* hit = find_param_keyword(text, "b");
    if (!hit) return true;
    const int32_t id = read_param_int(hit + 1);
    ElementHeader* root = gauge->elements ? *gauge->elements : nullptr;
    if (!root) return false;
    if (id % LOOK_BITMAP_STEP != 0 || id < LOOK_BITMAP_FIRST || id > LOOK_BITMAP_LAST) return false;
    root->bitmap_id = static_cast<uint32_t>(id);
    return true;
}

// `h`: the tooltip of the gauge's first mouse rectangle; written even when it is 0.
void apply_help_command(GaugeHeader* gauge, const char* text) {
    const char* hit = find_param_keyword(text, "h");
    if (!hit || !gauge->mouse_rects) return;
    gauge->mouse_rects[0].help_id = help_id_from_text(hit + 1);
}

}  // namespace

const char* find_param_keyword(const char* text, const char* keyword) {
    if (!text || !keyword) return nullptr;
    const char* found = strstr(text, keyword);
    if (!found) return nullptr;
    for (char mark : kCommentMarks) {
        const char* at = strchr(text, mark);
        if (at && at < found) return nullptr;
    }
    return found;
}

int32_t read_param_int(const char* text) {
    constexpr int64_t kBeyond = int64_t{INT32_MAX} + 2;  // past either limit
    if (!text) return 0;
    while (is_space(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > kBeyond) magnitude = kBeyond;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void read_param_number(const GaugeHeader* gauge, const char* keyword, double* out) {
    const char* text = gauge_text(gauge);
    if (!text || !out || !keyword) return;
    const char* hit = find_param_keyword(text, keyword);
    if (hit) *out = atof(hit + strlen(keyword));
}

int32_t has_param_keyword(const GaugeHeader* gauge, const char* keyword) {
    return find_param_keyword(gauge_text(gauge), keyword) ? 1 : 0;
}

int32_t run_param_commands(const GaugeHeader* gauge) { return gauge ? run_window_commands(gauge->parameters) : 0; }

int32_t run_window_commands(const char* text) {
    if (!has_text(text)) return 0;
    run_window_scan(text, "o", EVENT_PANEL_WINDOW_OPEN);
    run_window_scan(text, "c", EVENT_PANEL_WINDOW_CLOSE);
    run_window_scan(text, "t", EVENT_PANEL_WINDOW_TOGGLE);
    run_p_command(text);
    return 1;
}

int32_t panel_id_from_text(const char* text) {
    if (!has_text(text)) return -1;
    const PanelWindowName* row = lookup_prefix(PANEL_WINDOW_NAMES, text);
    return row ? row->window : read_param_int(text);
}

uint32_t help_id_from_text(const char* text) {
    if (!has_text(text)) return 0;
    if (const HelpName* row = lookup_prefix(HELP_NAMES, text)) return row->help_id;
    const int32_t n = read_param_int(text);
    return n >= HELP_ID_NUMBERS_FROM ? static_cast<uint32_t>(n) : 0;
}

void run_start_command(const GaugeHeader* gauge) {
    const char* hit = find_param_keyword(gauge_text(gauge), "a");
    if (!hit) return;
    const int32_t window = panel_id_from_text(hit + 1);
    if (window >= 0) send_event(EVENT_PANEL_WINDOW_CLOSE, static_cast<uint32_t>(window));
}

void apply_look_commands(GaugeHeader* gauge) {
    const char* text = gauge_text(gauge);
    if (!text) return;
    if (apply_bitmap_command(gauge, text)) apply_help_command(gauge, text);
}
