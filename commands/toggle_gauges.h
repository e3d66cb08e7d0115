// The fourteen panel toggle gauges: click spots that open, close or toggle panel
// windows or send host events. Three are declarations only (the host sends their
// event); eleven run the commands of their parameter string.
#pragma once

#include "sdk/records.h"

// How many seat events one default click of a seat gauge sends.
inline constexpr int SEAT_EVENT_REPEAT = 3;

// Install: look commands at every install, the start command at the first one only
// (user_word is the start flag). Every other service code is ignored.
void TARVOLEN_CALLBACK toggle_gauge_callback(GaugeHeader* gauge, uint32_t service, uintptr_t extra);
// Click: runs the parameter commands; without a parameter string closes the window
// that holds the gauge. Always returns 0.
int32_t TARVOLEN_CALLBACK toggle_click(ClickRecord* click, uint32_t mouse_flags);
// As toggle_click; the default click then sends the seat event three times.
int32_t TARVOLEN_CALLBACK seat_up_click(ClickRecord* click, uint32_t mouse_flags);
int32_t TARVOLEN_CALLBACK seat_down_click(ClickRecord* click, uint32_t mouse_flags);

extern GaugeHeader map_toggle_gauge;
extern GaugeHeader kneeboard_toggle_gauge;
extern GaugeHeader atc_toggle_gauge;
extern GaugeHeader invisible_toggle_gauge;
extern GaugeHeader radios_toggle_gauge;
extern GaugeHeader gps_toggle_gauge;
extern GaugeHeader throttle_toggle_gauge;
extern GaugeHeader compass_toggle_gauge;
extern GaugeHeader close_subpanel_gauge;
extern GaugeHeader left_taxi_toggle_gauge;
extern GaugeHeader right_taxi_toggle_gauge;
extern GaugeHeader nav_instruments_toggle_gauge;
extern GaugeHeader seat_up_toggle_gauge;
extern GaugeHeader seat_down_toggle_gauge;
