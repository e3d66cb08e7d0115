// `panelhost check`: reads the panel, finds its background bitmaps and checks it
// against the module's gauges.
#include "host/cli/check_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "host/bridge/open_host.h"
#include "host/cli/commands.h"
#include "host/panel/check.h"
#include "host/panel/panel_config.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_bitmaps.h"

Diagnostics check_command(const CheckOptions& options) {
    Diagnostics read;
    const PanelConfig panel = read_panel_config(options.panel, read);
    Diagnostics failed;
    const std::unique_ptr<OpenedHost> opened =
        OpenedHost::open(options.module_path, HostOptions{.trace = false}, failed);
    if (!opened) return failed;
    GaugeHost& host = opened->host();
    const PanelBackgrounds backgrounds(panel, DESIGN_SCREEN_WIDTH, read);
    ModuleBitmaps faces(host);
    CheckSizes sizes;
    sizes.face = [&faces](const Placement& p) {
        const Bitmap* face = p.elements.empty() ? nullptr : faces.find(p.elements.front().element->bitmap_id);
        return face ? Size{face->width, face->height} : Size{};
    };
    sizes.background = [&backgrounds](const PanelWindow& window) {
        const Bitmap* bitmap = backgrounds.find(window.index);
        return bitmap ? Size{bitmap->width, bitmap->height} : Size{};
    };
    Diagnostics findings = check_panel(host, panel, read, sizes);
    // A module that faults (or a far side that ended) while placing is a finding too.
    report_module_faults(host, findings);
    return findings;
}

void add_check_command(CLI::App& app, CommandContext& context) {
    auto panel = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "check", "Check a panel.cfg against the module: gauge names, parameters, sizes, windows, bitmaps");
    command->footer(
        "Prints one finding a line, \"FILE:LINE: what\", and exits 1 when there is any; a clean\n"
        "panel prints nothing and exits 0.");
    command->add_option("PANEL", *panel, "the panel.cfg to check")->required();
    command->callback([panel, &context] {
        const Diagnostics findings = check_command({*panel, context.module_path});
        for (const Diagnostic& finding : findings.items()) context.out << finding.str() << '\n';
        if (!findings.items().empty()) context.exit_code = EXIT_FAILED;
    });
}
