// The simulated COM1, COM2, NAV1 and NAV2 radios: they carry out the tuning events of
// the radio heads on a frequency kept in whole kHz, publish it as the BCD word the
// gauges read, and keep the NAV sets' station ident audio switches.
#pragma once

#include <cstdint>

#include "host/sim/aircraft.h"
#include "sdk/ids.h"

// Frequencies the aircraft starts with, in kHz.
inline constexpr uint32_t COM1_START_KHZ = 118300;  // word 0x1830
inline constexpr uint32_t COM2_START_KHZ = 128500;  // word 0x2850
inline constexpr uint32_t NAV1_START_KHZ = 110500;  // word 0x1050
inline constexpr uint32_t NAV2_START_KHZ = 113900;  // word 0x1390

// Whole megahertz step over the band with wrap (COM 118..136, NAV 108..117); the
// fraction steps by the channel spacing (COM 25 kHz, NAV 50 kHz) over .000 to .975 or
// .950 with wrap and never carries into the megahertz. The word holds the two decimals
// the channel starts with (118.025 reads .02, 118.075 reads .07).
//
// A word written from outside (a scenario's `set`) is taken over at the next event:
// its megahertz as written, its decimals as the first channel that reads at least that
// much (.02 is 118.025, .03 is 118.050), at most the band's last channel.
class SimRadios : public SimSystem {
public:
    explicit SimRadios(Variables& vars);
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;

    bool nav1_ident_audio_on() const { return nav1_ident_audio_on_; }
    bool nav2_ident_audio_on() const { return nav2_ident_audio_on_; }

    struct Band {
        uint32_t lowest_mhz;
        uint32_t highest_mhz;
        uint32_t spacing_khz;
    };
    struct Radio {
        uint32_t token;
        const Band* band;
        uint32_t mhz_up_event;
        uint32_t mhz_down_event;
        uint32_t fraction_up_event;
        uint32_t fraction_down_event;
        uint32_t freq_khz;        // the frequency last tuned here
        uint32_t published_word;  // the word written for it
    };

private:
    uint32_t current_khz(const Radio& radio, const Variables& vars) const;
    void tune(Radio& radio, uint32_t freq_khz, Variables& vars);
    void set_ident_audio(int nav, bool on, Aircraft& aircraft);

    Radio radios_[4];
    bool nav1_ident_audio_on_ = false;
    bool nav2_ident_audio_on_ = false;
};
