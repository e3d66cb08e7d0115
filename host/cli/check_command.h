// `panelhost check PANEL.cfg`: the checker for panel authors, as a library function
// that returns its findings (the command line prints them).
#pragma once

#include <string>
#include <vector>

#include "host/base/diagnostics.h"

struct CheckOptions {
    std::string panel;                       // the panel.cfg
    std::string module_path;                 // the module build to check the gauge lines against
    std::vector<std::string> gauge_folders;  // --gauges: where other modules are looked for
};

// The findings, each an error "FILE:LINE: what", ordered by line; none when the panel
// is clean. A module that cannot be loaded is one error without a line.
Diagnostics check_command(const CheckOptions& options);
