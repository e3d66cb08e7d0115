// The host's main window on Windows: a hidden top-level window of class "FS98MAIN",
// made once, on which the module's sound devices set their cooperation level.
#include <windows.h>

#include "host/core/host_platform.h"

namespace {

constexpr const char* MAIN_WINDOW_CLASS = "FS98MAIN";

HWND make_main_window() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = MAIN_WINDOW_CLASS;
    RegisterClassA(&window_class);
    return CreateWindowA(MAIN_WINDOW_CLASS, "panelhost", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                         window_class.hInstance, nullptr);
}

}  // namespace

void prepare_host_platform() {
    static HWND main_window = nullptr;
    if (main_window == nullptr || !IsWindow(main_window)) main_window = make_main_window();
}
