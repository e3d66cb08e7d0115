// What running panelhost.exe under Wine needs on this machine: wine itself, the Windows
// build of the host, and a private, headless Wine prefix (made on first use, reused):
//
//   folder          TARVOLEN_WINE_DIR, else wine/ beside the build folder of this
//                   panelhost (build/wine for build/native/panelhost: the tests' prefix)
//   prefix, home    FOLDER/prefix (WINEPREFIX), FOLDER/home (HOME, with an .asoundrc
//                   that sends sound to ALSA's null device so that DirectSound opens)
//   environment     WINEDEBUG=-all, WINEARCH=win32, no DISPLAY: the null graphics
//                   driver is set in the prefix, so windows can be made without X
//   panelhost.exe   TARVOLEN_PANELHOST_EXE, else the win32 build beside this panelhost's
//                   build folder (build/win32/host/panelhost.exe), else beside it
#pragma once

#include <sys/types.h>

#include <string>

#include "host/bridge/far_process.h"

struct WineSetup {
    std::string wine_dir;
    std::string panelhost_exe;
};

// Where the prefix and panelhost.exe are; false with error naming what is missing
// (wine not installed, no panelhost.exe where it was looked for).
bool find_wine_setup(WineSetup& setup, std::string& error);

// Makes the prefix when it is not there yet (with a lock, so that two commands do not
// make it at once; a bounded wait). False with error.
bool prepare_wine_prefix(const WineSetup& setup, std::string& error);

// The command that starts `panelhost.exe bridge` under Wine in the prefix.
FarCommand wine_bridge_command(const WineSetup& setup);

// Waits (bounded) for the prefix's wineserver to end after the last Wine process of
// ours, so that nothing is left running when the command returns.
void wait_for_wineserver(const WineSetup& setup);
// Ends the prefix's wineserver and the services Wine started in it, at once instead of
// after their linger (seconds), once the Wine process of ours has ended; where another
// command's Wine process still runs in the prefix, waits (bounded) for the server to end
// after it instead. The registry is not saved: the prefix is made once and only read.
void end_wineserver(const WineSetup& setup);
// The process id of the wineserver serving the prefix, or 0.
pid_t find_wineserver(const WineSetup& setup);
// After the prefix's wineserver has gone (killed, say), its Wine processes do not end by
// themselves: kills every process of this user running in the prefix. How many.
int end_prefix_processes(const WineSetup& setup);

// The Windows name of a Linux path under Wine (drive Z: is the root).
std::string windows_path(const std::string& path);
