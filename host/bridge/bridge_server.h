// The far side of the bridge: `panelhost bridge` runs the host core beside the module
// (under Wine: panelhost.exe beside the real .gau) and answers the Linux host's
// requests, one frame at a time, until it is told to quit or its input ends.
#pragma once

#include <string>

class PanelHost;

// Writes the module's declarations as JSON (dump_declarations).
using DeclarationsWriter = std::string (*)(const PanelHost& host);

// Moves standard output out of the way of the frames: returns a descriptor of the old
// standard output for the replies and points standard output at standard error, so
// that nothing the module or the runtime prints can land among the frames. Both
// descriptors are switched to binary. -1 when that fails.
int take_reply_channel();

// Answers requests read from in_fd on out_fd. Returns 0 when told to quit or when the
// input ends, 1 when the input is not the bridge's frames.
//
// A module that crashes the process is answered for: a crash reply names the request
// that was running and the exception (Windows) or signal (Linux), then the process
// ends. TARVOLEN_BRIDGE_FAULT=crash, =hang or =exit (end without answering) makes
// the first frame request do just that, so the Linux side's containment can be tested
// against the real process.
int serve_bridge(int in_fd, int out_fd, DeclarationsWriter declarations);
