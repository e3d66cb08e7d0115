// The host's side of the portable platform: its main window, and the sound observer
// that writes sound operations into the active host's trace and reports plays.
#include <cstring>
#include <map>

#include "host/core/host_platform.h"
#include "host/core/panel_host.h"
#include "host/core/services.h"
#include "platform/portable/backend.h"

namespace {

constexpr const char* MAIN_WINDOW_CLASS = "FS98MAIN";

SoundPlayWatcher play_watcher = nullptr;
std::map<uint32_t, uint32_t> played_buffers;  // the back end's buffer id -> its number

void watch_play(const SoundCall& call) {
    const auto at = played_buffers.try_emplace(call.object, static_cast<uint32_t>(played_buffers.size() + 1)).first;
    play_watcher({at->second, static_cast<uint32_t>(call.value), call.ok});
}

void trace_sound(const SoundCall& call) {
    if (play_watcher && std::strcmp(call.call, "play") == 0) watch_play(call);
    PanelHost* host = ActiveHost::get();
    if (host == nullptr) return;
    host->trace()
        .add("sound")
        .text("call", call.call)
        .num("object", call.object)
        .num("value", call.value)
        .num("ok", call.ok ? 1 : 0);
}

}  // namespace

void prepare_host_platform() {
    backend_set_sound_observer(trace_sound);
    if (!backend_has_window(MAIN_WINDOW_CLASS)) backend_add_window(MAIN_WINDOW_CLASS);
}

bool watch_sound_plays(SoundPlayWatcher watcher) {
    backend_set_sound_observer(trace_sound);
    play_watcher = watcher;
    return true;
}
