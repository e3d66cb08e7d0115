// What the host provides to the module's platform layer as the simulator would: its
// main window (class "FS98MAIN", the class a program named "panelhost" is looked up
// by), and, on the portable build, a trace line {"op":"sound",...} for every sound
// operation (the Windows build has no such lines; comparisons leave op "sound" out).
#pragma once

// Makes sure the host's main window exists and sound operations reach the trace of the
// host whose callback is running. Cheap; called before every install.
void prepare_host_platform();
