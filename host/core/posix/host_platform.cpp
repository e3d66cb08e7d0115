// The host's side of the portable platform: its main window, and the sound observer
// that writes sound operations into the active host's trace.
#include "host/core/host_platform.h"
#include "host/core/panel_host.h"
#include "host/core/services.h"
#include "platform/portable/backend.h"

namespace {

constexpr const char* MAIN_WINDOW_CLASS = "FS98MAIN";

void trace_sound(const SoundCall& call) {
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
