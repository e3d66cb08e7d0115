// Start values of the radio sets' state: every set powered when the module loads (the
// gauges switch their set off at install).
#include "radios/radio_state.h"

constinit RadioUnit com1_unit = {1, 0, 0.0, 0.0};
constinit RadioUnit com2_unit = {1, 0, 0.0, 0.0};
constinit RadioUnit nav1_unit = {1, 0, 0.0, 0.0};
constinit RadioUnit nav2_unit = {1, 0, 0.0, 0.0};

constinit int32_t adf_power_on = 1;
constinit int32_t adf_tone_on = 1;
constinit double adf_frequency = 0.0;

constinit int32_t xpdr_power_on = 1;
constinit double xpdr_code = 0.0;
