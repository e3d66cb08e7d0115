// What the host provides to the module's platform layer as the simulator would: its
// main window (class "FS98MAIN", the class a program named "panelhost" is looked up
// by), and, on the portable build, a trace line {"op":"sound",...} for every sound
// operation (the Windows build has no such lines; comparisons leave op "sound" out).
// On both builds the plays of the module's sound buffers can be watched, which is how
// the bridge's far side reports them.
#pragma once

#include <cstdint>

// Makes sure the host's main window exists and sound operations reach the trace of the
// host whose callback is running. Cheap; called before every install.
void prepare_host_platform();

// One play of a sound buffer of the module: the buffer (numbered from 1 in the order
// buffers are first played), the play flags, and whether it played.
struct SoundPlay {
    uint32_t buffer = 0;
    uint32_t flags = 0;
    bool ok = false;
};
using SoundPlayWatcher = void (*)(const SoundPlay& play);

// Calls watcher for every play from now on (null: no more). On Windows the plays are
// those of DirectSound's secondary buffers in this process, the module's included.
// False when plays cannot be watched here (Windows without a working sound device:
// the module then has no sound either).
bool watch_sound_plays(SoundPlayWatcher watcher);
