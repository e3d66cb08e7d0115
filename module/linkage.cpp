// The exported records. The gauge table lists, in the order the host numbers them,
// every gauge this module declares; a null pointer ends it.
#include "module/linkage.h"

#include "commands/toggle_gauges.h"
#include "instruments/instruments.h"
#include "module/export.h"
#include "radios/adf_xpdr.h"
#include "radios/com_nav.h"

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
        &map_toggle_gauge,              //  1
        &kneeboard_toggle_gauge,        //  2
        &atc_toggle_gauge,              //  3
        &invisible_toggle_gauge,        //  4
        &radios_toggle_gauge,           //  5
        &gps_toggle_gauge,              //  6
        &throttle_toggle_gauge,         //  7
        &compass_toggle_gauge,          //  8
        &close_subpanel_gauge,          //  9
        &left_taxi_toggle_gauge,        // 10
        &right_taxi_toggle_gauge,       // 11
        &nav_instruments_toggle_gauge,  // 12
        &seat_up_toggle_gauge,          // 13
        &seat_down_toggle_gauge,        // 14
        &registration_gauge,            // 15
        &old_adf_gauge,                 // 16
        &old_com_gauge,                 // 17
        &old_com1_gauge,                // 18
        &old_com2_gauge,                // 19
        &old_nav_gauge,                 // 20
        &old_nav1_gauge,                // 21
        &old_nav2_gauge,                // 22
        &old_xpdr_gauge,                // 23
        &airspeed_kts_gauge,            // 24
        &vor1_indicator_gauge,          // 25
        &adf_indicator_gauge,           // 26
        &magnetic_compass_gauge,        // 27
        nullptr,
    },
};
}
