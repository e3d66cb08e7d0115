// `panelhost check`: reads the panel, finds its background bitmaps and checks it
// against the module's gauges.
#include "host/cli/check_command.h"

#include "host/core/panel_host.h"
#include "host/panel/check.h"
#include "host/panel/panel_config.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_bitmaps.h"

Diagnostics check_command(const CheckOptions& options) {
    Diagnostics read;
    const PanelConfig panel = read_panel_config(options.panel, read);
    PanelHost host;
    std::string error;
    if (!host.load_module(options.module_path, error)) {
        Diagnostics failed;
        failed.error(error);
        return failed;
    }
    const PanelBackgrounds backgrounds(panel, DESIGN_SCREEN_WIDTH, read);
    ModuleBitmaps faces(host.module()->instance());
    CheckSizes sizes;
    sizes.face = [&faces](const Placement& p) {
        const Bitmap* face = p.elements.empty() ? nullptr : faces.find(p.elements.front().element->bitmap_id);
        return face ? Size{face->width, face->height} : Size{};
    };
    sizes.background = [&backgrounds](const PanelWindow& window) {
        const Bitmap* bitmap = backgrounds.find(window.index);
        return bitmap ? Size{bitmap->width, bitmap->height} : Size{};
    };
    return check_panel(host, panel, read, sizes);
}
