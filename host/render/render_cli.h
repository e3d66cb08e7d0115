// The renderer's part of the command line: `panelhost render` and the drawing behind a
// scenario's render lines.
#pragma once

#include <string>
#include <vector>

#include "host/scenario.h"

// panelhost render PANEL.cfg [--set TOKEN=VALUE]... [--click GAUGE@X,Y]... [--frames N]
//                  [--night] -o OUT.png
// args: the words after "render". Returns the process exit code.
int render_command(const std::vector<std::string>& args, const std::string& module_path);

// Scenario hooks whose render lines draw PNG files into out_dir.
ScenarioHooks renderer_hooks(const std::string& out_dir);
