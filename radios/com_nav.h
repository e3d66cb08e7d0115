// The COM/NAV radio family: six gauges (Old_COM, Old_COM1, Old_COM2, Old_NAV, Old_NAV1,
// Old_NAV2) over four radio sets, all served by one implementation in com_nav.cpp.
#pragma once

#include <cstdint>

#include "radios/radio_common.h"
#include "radios/radio_state.h"
#include "sdk/records.h"

// What a version of the radio (COM or NAV) fixes for every gauge built on it: how the
// frequency word is decoded, the tuning bounds of the whole-megahertz knob, and the
// artwork and calibration of its face.
struct RadioVersion {
    double (*read_mhz)(uint32_t token);
    double (*read_fraction)(uint32_t token);
    double lowest_mhz;   // MHz down is sent only above this
    double highest_mhz;  // MHz up is sent only below this
    int32_t has_ident;   // NAV: a VOR ident switch with its two click areas

    uint32_t hundredths_bitmap;
    uint32_t digit_bitmap;  // tenths and units drums
    uint32_t tens_bitmap;
    double tens_max;  // y range of the tens drum: 0..tens_max
    uint32_t leading_one_bitmap;
    uint32_t khz_knob_bitmap;
    uint32_t mhz_knob_bitmap;
    double mhz_at_top;             // MHz knob calibration: the value at twelve o'clock
    double mhz_at_bottom;          // and at six o'clock
    uint32_t right_switch_bitmap;  // VOL (COM) or VOR ident (NAV)
    uint32_t power_switch_bitmap;
    uint32_t lamp_bitmap;
};

// The one constant record per gauge: which set it tunes, with which events, on which
// face, and what its power-off area does besides switching the set off.
struct RadioGaugeConfig {
    GaugeHeader* gauge;
    const RadioVersion* version;
    RadioUnit* unit;
    RadioClick* click;
    uint32_t frequency_token;
    uint32_t face_bitmap;
    uint32_t mhz_up_event;
    uint32_t mhz_down_event;
    uint32_t fraction_up_event;
    uint32_t fraction_down_event;
    uint32_t ident_off_event;  // NAV only; 0 for COM
    uint32_t ident_on_event;   // NAV only; 0 for COM
    uint32_t gauge_help_id;
    uint32_t readout_help_id;
    uint32_t knob_help_id;
    uint32_t failure_key;  // the second failure entry's key (action 0)
    // Power-off area, after switching off and clicking: clear the ident switch (when
    // set), then send power_off_event (when not 0).
    int32_t power_off_clears_ident;
    uint32_t power_off_event;
};

// Decoding of the frequency words. COM: the four BCD digits after the leading 1 of
// 118..136 MHz; NAV: the same of 108..117 MHz. *_read_mhz gives whole megahertz,
// *_read_fraction the two decimals as 0..99.
double com_read_mhz(uint32_t token);
double com_read_fraction(uint32_t token);
double nav_read_mhz(uint32_t token);
double nav_read_fraction(uint32_t token);

extern GaugeHeader old_com_gauge;
extern GaugeHeader old_com1_gauge;
extern GaugeHeader old_com2_gauge;
extern GaugeHeader old_nav_gauge;
extern GaugeHeader old_nav1_gauge;
extern GaugeHeader old_nav2_gauge;
