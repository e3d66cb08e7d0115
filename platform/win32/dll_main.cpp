// The library's load and unload notification: it answers success for every reason
// and does nothing else. The module is linked without the C runtime's start files, so
// this is the whole of its entry code.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
