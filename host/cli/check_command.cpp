// `panelhost check`: reads the panel, finds its background bitmaps and checks it
// against the module's gauges.
#include "host/cli/check_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <set>

#include "host/bridge/open_host.h"
#include "host/cli/commands.h"
#include "host/panel/check.h"
#include "host/panel/panel_config.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_bitmaps.h"
#include "host/xml/xml_panel.h"

namespace {

// Other authors' XML gauges: what keeps them from being drawn as meant (a module not
// found, a file not well formed, an image missing, a script the calculator refuses, an
// element the reader passes over), and every name their scripts use that the host does
// not simulate, at the file and line that uses it first.
void check_xml_gauges(GaugeHost& host, const PanelConfig& panel, const CheckOptions& options, Diagnostics& findings) {
    XmlPanel xml(host);
    Diagnostics reading;
    xml.place(panel, options.panel, options.gauge_folders, reading);
    std::set<std::string> said;  // a file placed in several windows is read and compiled for each
    for (const Diagnostic& d : reading.items())
        if (said.insert(d.str()).second) findings.error(d.file, d.line, d.what);
    for (const XmlPanel::Unsimulated& u : xml.unsimulated())
        findings.error(u.file, u.line,
                       u.name + (u.name[0] == 'K' ? " is not simulated by the host: the event is refused"
                                 : u.text         ? " is not simulated by the host: it reads as empty text"
                                                  : " is not simulated by the host: it reads 0"));
}

}  // namespace

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
    check_xml_gauges(host, panel, options, findings);
    // A module that faults (or a far side that ended) while placing is a finding too.
    report_module_faults(host, findings);
    return findings;
}

void add_check_command(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check", "Check a panel.cfg against the module: gauge names, parameters, sizes, windows, bitmaps");
    command->footer(
        "Prints one finding a line, \"FILE:LINE: what\", and exits 1 when there is any; a clean\n"
        "panel prints nothing and exits 0.");
    command->add_option("PANEL", options->panel, "the panel.cfg to check")->required();
    command
        ->add_option("--gauges", options->gauge_folders,
                     "a folder to look for other modules' gauges in, after the panel.cfg's (many may be given)")
        ->type_name("DIR")
        ->allow_extra_args(false);
    command->callback([options, &context] {
        options->module_path = context.module_path;
        const Diagnostics findings = check_command(*options);
        for (const Diagnostic& finding : findings.items()) context.out << finding.str() << '\n';
        if (!findings.items().empty()) context.exit_code = EXIT_FAILED;
    });
}
