// The portable platform's control: the call log and fault injection, the program name
// and windows the host sets, misuse reports and the sound observer.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/portable/backend_internal.h"

// A top-level window the host says it has.
struct PlatformWindow {
    std::string class_name;
};

namespace {

// Operation names for messages and tests, in PlatformOp order.
constexpr std::array<const char*, PLATFORM_OP_COUNT> OP_NAMES = {
    "program_file_name", "find_window",         "sound_create",         "sound_cooperate",   "sound_create_buffer",
    "buffer_lock",       "buffer_unlock",       "buffer_play",          "buffer_stop",       "buffer_status",
    "buffer_position",   "buffer_set_position", "buffer_volume",        "buffer_set_volume", "buffer_pan",
    "buffer_set_pan",    "buffer_frequency",    "buffer_set_frequency", "find_resource",     "load_resource",
    "lock_resource",     "resource_size",       "riff_open_memory",     "riff_open_file",    "riff_descend",
    "riff_read",         "riff_ascend",         "riff_close",           "memory_alloc",      "memory_lock",
};

struct BackendState {
    std::vector<PlatformOp> calls;  // the latest calls, at most LOG_LIMIT
    uint32_t call_count = 0;        // every call since the reset, for backend_fail_call
    std::vector<PlatformOp> failures;
    std::array<uint32_t, PLATFORM_OP_COUNT> op_calls{};
    std::array<std::vector<uint32_t>, PLATFORM_OP_COUNT> op_fail_at{};  // op call counts that fail
    std::array<bool, PLATFORM_OP_COUNT> op_always{};
    std::vector<uint32_t> call_fail_at;  // overall call counts that fail
    std::vector<std::unique_ptr<PlatformWindow>> windows;
    std::string program_name;
    bool program_name_set = false;
    std::vector<std::string> misuse;
    SoundObserver observer = nullptr;
    uint32_t next_id = 1;
};

BackendState& state() {
    static BackendState s;
    return s;
}

size_t index_of(PlatformOp op) { return static_cast<size_t>(op); }

bool take(std::vector<uint32_t>& fail_at, uint32_t count) {
    const auto it = std::find(fail_at.begin(), fail_at.end(), count);
    if (it == fail_at.end()) return false;
    fail_at.erase(it);
    return true;
}

}  // namespace

std::string backend_program_name() {
    BackendState& s = state();
    if (s.program_name_set) return s.program_name;
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

WindowHandle backend_find_window(const char* class_name) {
    for (const auto& w : state().windows)
        if (w->class_name == class_name) return w.get();
    return nullptr;
}
const char* platform_op_name(PlatformOp op) {
    return index_of(op) < PLATFORM_OP_COUNT ? OP_NAMES[index_of(op)] : "unknown";
}

bool backend_enter(PlatformOp op) {
    BackendState& s = state();
    const size_t i = index_of(op);
    keep_bounded(s.calls, op);
    ++s.call_count;
    ++s.op_calls[i];
    const bool by_op = take(s.op_fail_at[i], s.op_calls[i]);
    const bool by_call = take(s.call_fail_at, s.call_count);
    if (!(s.op_always[i] || by_op || by_call)) return true;
    keep_bounded(s.failures, op);
    return false;
}

void backend_report_misuse(const std::string& what) { keep_bounded(state().misuse, what); }

void backend_notify_sound(const char* call, uint32_t object, int64_t value, bool ok) {
    if (state().observer) state().observer(SoundCall{call, object, value, ok});
}

uint32_t backend_next_id() { return state().next_id++; }

bool backend_window_exists(WindowHandle window) {
    for (const auto& w : state().windows)
        if (w.get() == window) return true;
    return false;
}

void backend_reset() {
    BackendState& s = state();
    const SoundObserver observer = s.observer;
    s = BackendState{};
    s.observer = observer;
    sound_backend_reset();
    resource_backend_reset();
}

void backend_set_program_name(const std::string& full_name) {
    state().program_name = full_name;
    state().program_name_set = true;
}

WindowHandle backend_add_window(const std::string& class_name) {
    state().windows.push_back(std::make_unique<PlatformWindow>(PlatformWindow{class_name}));
    return state().windows.back().get();
}

bool backend_has_window(const std::string& class_name) {
    for (const auto& w : state().windows)
        if (w->class_name == class_name) return true;
    return false;
}

void backend_fail(PlatformOp op, uint32_t nth) {
    BackendState& s = state();
    s.op_fail_at[index_of(op)].push_back(s.op_calls[index_of(op)] + nth);
}

void backend_fail_always(PlatformOp op) { state().op_always[index_of(op)] = true; }

void backend_fail_call(uint32_t nth) {
    BackendState& s = state();
    s.call_fail_at.push_back(s.call_count + nth);
}

void backend_clear_faults() {
    BackendState& s = state();
    for (auto& list : s.op_fail_at) list.clear();
    s.op_always.fill(false);
    s.call_fail_at.clear();
}

const std::vector<PlatformOp>& backend_calls() { return state().calls; }
const std::vector<PlatformOp>& backend_failures() { return state().failures; }
const std::vector<std::string>& backend_misuse() { return state().misuse; }
void backend_set_sound_observer(SoundObserver observer) { state().observer = observer; }

LiveObjects backend_live_objects() {
    LiveObjects live;
    sound_backend_count(live);
    resource_backend_count(live);
    riff_backend_count(live);
    memory_backend_count(live);
    return live;
}

std::string to_string(const LiveObjects& live) {
    return "devices " + std::to_string(live.devices) + ", buffers " + std::to_string(live.buffers) +
           ", locked buffers " + std::to_string(live.locked_buffers) + ", loaded resources " +
           std::to_string(live.loaded_resources) + ", riff files " + std::to_string(live.riff_files) +
           ", memory blocks " + std::to_string(live.memory_blocks) + ", locked memory blocks " +
           std::to_string(live.locked_memory_blocks);
}
