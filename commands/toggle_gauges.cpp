// The panel toggle gauges: one face picture and one clickable box each, declared from
// one table, and the callbacks the eleven configurable ones share.
//
// To add a toggle gauge:
//   1. add a row to the TOGGLE_GAUGE table below (ident, name, bitmap, tooltip, host
//      event or handler, gauge callback), naming its event and help id from sdk/ids.h;
//   2. declare `extern GaugeHeader <ident>_gauge;` in commands/toggle_gauges.h;
//   3. list `&<ident>_gauge` in the gauge table of module/linkage.cpp at its place;
//   4. add its bitmap to resources/ and to the expectations in tests/unit/toggles_test.cpp;
//   5. if its click sends an event new to sdk/ids.h, name it there once and give it a
//      row in host/sim/cockpit.cpp's event table.
#include "commands/toggle_gauges.h"

#include "commands/param_commands.h"
#include "sdk/declare.h"
#include "sdk/host_services.h"
#include "sdk/ids.h"

void TARVOLEN_CALLBACK toggle_gauge_callback(GaugeHeader* gauge, uint32_t service, uintptr_t extra) {
    (void)extra;
    if (service != SERVICE_INSTALL) return;
    apply_look_commands(gauge);
    if (gauge && gauge->user_word == 0) {
        run_start_command(gauge);
        gauge->user_word = 1;
    }
}

namespace {

// Runs the clicked gauge's commands; true when it had none and the default click ran
// (the window holding the gauge closes).
bool click_commands(const ClickRecord* click) {
    const GaugeHeader* gauge = click ? click->gauge : nullptr;
    if (run_param_commands(gauge) != 0) return false;
    close_panel_window(0);
    return true;
}

void send_seat_events(uint32_t event) {
    for (int i = 0; i < SEAT_EVENT_REPEAT; ++i) send_event(event, 0);
}

}  // namespace

int32_t TARVOLEN_CALLBACK toggle_click(ClickRecord* click, uint32_t mouse_flags) {
    (void)mouse_flags;
    click_commands(click);
    return 0;
}

int32_t TARVOLEN_CALLBACK seat_up_click(ClickRecord* click, uint32_t mouse_flags) {
    (void)mouse_flags;
    if (click_commands(click)) send_seat_events(EVENT_SEAT_UP);
    return 0;
}

int32_t TARVOLEN_CALLBACK seat_down_click(ClickRecord* click, uint32_t mouse_flags) {
    (void)mouse_flags;
    if (click_commands(click)) send_seat_events(EVENT_SEAT_DOWN);
    return 0;
}

namespace {

using namespace declare;

inline constexpr uint32_t TOGGLE_WIDTH_MM = 19;

// The one push-button box: an event the host sends itself, or a handler.
constexpr MouseRect toggle_button(uint32_t event_id, MouseHandler handler) {
    return mouse_child(3, 3, 13, 13, CURSOR_BUTTON, MOUSE_LEFT_CLICK, event_id, handler);
}

}  // namespace

// One gauge's records, leaf first: the face (root and only element), the cell that
// leads to it, the mouse list, the header.
#define TOGGLE_GAUGE(ident, name, bitmap_id, help_id, event_id, handler, callback)                                     \
    static constinit StaticImage ident##_face = static_image(bitmap_id, &ident##_gauge);                               \
    static constinit ElementHeader* ident##_root[] = {&ident##_face.header};                                           \
    static constinit MouseRect ident##_mouse[] = {mouse_parent(0, 0, 0, 0, help_id), toggle_button(event_id, handler), \
                                                  mouse_parent_end(), mouse_end()};                                    \
    constinit GaugeHeader ident##_gauge = gauge_header(name, ident##_root, TOGGLE_WIDTH_MM, ident##_mouse, callback);

// clang-format off
//           ident                   name                      bitmap tooltip                      host event               handler          callback
TOGGLE_GAUGE(map_toggle,             "Map_Toggle",             60,    43919,                       EVENT_MAP_TOGGLE,        nullptr,         nullptr)
TOGGLE_GAUGE(kneeboard_toggle,       "Kneeboard_Toggle",       50,    43923,                       EVENT_KNEEBOARD_TOGGLE,  nullptr,         nullptr)
TOGGLE_GAUGE(atc_toggle,             "ATC_Toggle",             70,    43924,                       EVENT_ATC_WINDOW_TOGGLE, nullptr,         nullptr)
TOGGLE_GAUGE(invisible_toggle,       "Invisible_Toggle",       190,   0,                           0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(radios_toggle,          "Radios_Toggle",          110,   HELP_TOGGLE_RADIO_WINDOW,    0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(gps_toggle,             "GPS_Toggle",             120,   HELP_TOGGLE_GPS_WINDOW,      0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(throttle_toggle,        "Throttle_Toggle",        130,   HELP_TOGGLE_THROTTLE_WINDOW, 0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(compass_toggle,         "Compass_Toggle",         140,   HELP_TOGGLE_COMPASS_WINDOW,  0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(close_subpanel,         "Close_Subpanel",         150,   0,                           0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(left_taxi_toggle,       "Left_Taxi_Toggle",       160,   0,                           0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(right_taxi_toggle,      "Right_Taxi_Toggle",      170,   0,                           0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(nav_instruments_toggle, "Nav_Instruments_Toggle", 180,   0,                           0,                       toggle_click,    toggle_gauge_callback)
TOGGLE_GAUGE(seat_up_toggle,         "Seat_Up_Toggle",         90,    0,                           0,                       seat_up_click,   toggle_gauge_callback)
TOGGLE_GAUGE(seat_down_toggle,       "Seat_Down_Toggle",       100,   0,                           0,                       seat_down_click, toggle_gauge_callback)
// clang-format on

#undef TOGGLE_GAUGE
