// The exported records. The gauge table lists, in the order the host numbers them,
// every gauge this module declares; a null pointer ends it.
#include "module/linkage.h"

#include "instruments/instruments.h"
#include "module/export.h"

namespace {

void TARVOLEN_CALLBACK module_init() {}

void TARVOLEN_CALLBACK module_deinit() {}

}  // namespace

extern "C" {

TARVOLEN_EXPORT constinit ModuleImports ImportTable = {PANEL_SERVICES_ID, nullptr, 0, nullptr};

TARVOLEN_EXPORT constinit ModuleLinkage Linkage = {
    MODULE_ID,
    module_init,
    module_deinit,
    {0, 0},
    MODULE_VERSION,
    {
        &airspeed_kts_gauge,      // 24
        &vor1_indicator_gauge,    // 25
        &adf_indicator_gauge,     // 26
        &magnetic_compass_gauge,  // 27
        nullptr,
    },
};
}
