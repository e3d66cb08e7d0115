// Module-wide state of the radio sets, shared by the radio gauges and the instruments
// that depend on a set's power switch.
#pragma once

#include <cstdint>

// One radio set's switches and the frequency last read from the host.
struct RadioUnit {
    int32_t power_on;
    int32_t ident_on;
    double mhz;       // whole megahertz
    double fraction;  // the two decimal places as 0..99
};

extern RadioUnit com1_unit;
extern RadioUnit com2_unit;
extern RadioUnit nav1_unit;
extern RadioUnit nav2_unit;

// The ADF receiver's switches and its last frequency in whole kHz.
extern int32_t adf_power_on;
extern int32_t adf_tone_on;
extern double adf_frequency;

// The transponder's power switch and its last code.
extern int32_t xpdr_power_on;
extern double xpdr_code;
