// What the panel designer is told about a served panel, as one list: the checker's
// findings (run as `panelhost check` in a process of its own, so that the served host
// and its module's state are not touched) and the notes of drawing it (missing
// bitmaps, placeholders and where their modules were looked for, hidden windows,
// windows sharing one ident), each with its FILE:LINE and, where the line is one, the
// window and gauge it belongs to, so the page can highlight them.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/panel/panel_config.h"

struct Finding {
    Diagnostic item;
    int window = -1;  // index of the [WindowNN] the line belongs to; -1: none
    int gauge = -1;   // NN of its gaugeNN; -1: the line is no gauge's
};

// The designer's notes that neither the reader nor the checker gives. placed tells the
// lines of other modules that are drawn (XML gauges: no placeholder note).
void designer_notes(const PanelConfig& panel, Diagnostics& out,
                    const std::function<bool(int window, int gauge)>& placed = {});

// The items of every list, ordered by file line (whole-file items first), without the
// same text twice, each tied to its window and gauge.
std::vector<Finding> gather_findings(const PanelConfig& panel, const std::vector<const Diagnostics*>& lists);

// {"findings":[{"level","file","line","what","text","window","gauge"}...]}; text is the printed form.
std::string findings_json(const std::vector<Finding>& findings);

// Runs `EXE check [--module MODULE] PANEL [--gauges DIR]...` and reads its findings back
// ("FILE:LINE: what" a line). False with a reason when it could not run. While it runs,
// its process id is in running (else 0), so that a server stopping can end it rather
// than wait for it.
bool run_check_process(const std::string& exe, const std::string& module_path, const std::string& panel_path,
                       Diagnostics& out, std::string& error, std::atomic<int>* running = nullptr,
                       const std::vector<std::string>& gauge_folders = {});
