// The COM and NAV radios' tuning and ident events, carried out on whole kHz.
#include "host/sim/radios.h"

namespace {

constexpr SimRadios::Band kComBand = {118, 136, 25};
constexpr SimRadios::Band kNavBand = {108, 117, 50};

// Two decimal digits of 0..99 as one BCD byte, and back.
uint32_t to_bcd(uint32_t n) { return (n / 10 % 10) << 4 | n % 10; }
uint32_t from_bcd(uint32_t byte) { return 10 * (byte >> 4 & 0xFu) + (byte & 0xFu); }

// The word the gauges read: the four digits after the leading 1.
uint32_t frequency_word(uint32_t freq_khz) {
    const uint32_t mhz = freq_khz / 1000, khz = freq_khz % 1000;
    return to_bcd(mhz % 100) << 8 | to_bcd(khz / 10);
}

uint32_t last_channel_khz(const SimRadios::Band& band) { return 1000 - band.spacing_khz; }

// The frequency a word stands for: its megahertz, and the first channel whose first
// two decimals are at least the word's.
uint32_t adopt_word(uint32_t word, const SimRadios::Band& band) {
    const uint32_t mhz = 100 + from_bcd(word >> 8 & 0xFFu);
    const uint32_t tens_of_khz = from_bcd(word & 0xFFu);
    uint32_t khz = (tens_of_khz * 10 + band.spacing_khz - 1) / band.spacing_khz * band.spacing_khz;
    if (khz > last_channel_khz(band)) khz = last_channel_khz(band);
    return mhz * 1000 + khz;
}

uint32_t step_mhz(uint32_t freq_khz, const SimRadios::Band& band, bool up) {
    uint32_t mhz = freq_khz / 1000;
    if (up)
        mhz = mhz >= band.highest_mhz ? band.lowest_mhz : mhz + 1;
    else
        mhz = mhz <= band.lowest_mhz ? band.highest_mhz : mhz - 1;
    return mhz * 1000 + freq_khz % 1000;
}

uint32_t step_fraction(uint32_t freq_khz, const SimRadios::Band& band, bool up) {
    const uint32_t khz = freq_khz % 1000;
    const uint32_t stepped = up ? (khz + band.spacing_khz) % 1000 : (khz + 1000 - band.spacing_khz) % 1000;
    return freq_khz - khz + stepped;
}

}  // namespace

SimRadios::SimRadios(Variables& vars)
    : radios_{
          // clang-format off
          // token                   band       MHz up             MHz down             .xx up                  .xx down                  start           last word
          {TOKEN_COM1_FREQUENCY_BCD, &kComBand, EVENT_COM1_MHZ_UP, EVENT_COM1_MHZ_DOWN, EVENT_COM1_FRACTION_UP, EVENT_COM1_FRACTION_DOWN, COM1_START_KHZ, 0},
          {TOKEN_COM2_FREQUENCY_BCD, &kComBand, EVENT_COM2_MHZ_UP, EVENT_COM2_MHZ_DOWN, EVENT_COM2_FRACTION_UP, EVENT_COM2_FRACTION_DOWN, COM2_START_KHZ, 0},
          {TOKEN_NAV1_FREQUENCY_BCD, &kNavBand, EVENT_NAV1_MHZ_UP, EVENT_NAV1_MHZ_DOWN, EVENT_NAV1_FRACTION_UP, EVENT_NAV1_FRACTION_DOWN, NAV1_START_KHZ, 0},
          {TOKEN_NAV2_FREQUENCY_BCD, &kNavBand, EVENT_NAV2_MHZ_UP, EVENT_NAV2_MHZ_DOWN, EVENT_NAV2_FRACTION_UP, EVENT_NAV2_FRACTION_DOWN, NAV2_START_KHZ, 0},
          // clang-format on
      } {
    for (Radio& radio : radios_) tune(radio, radio.freq_khz, vars);
}

uint32_t SimRadios::current_khz(const Radio& radio, const Variables& vars) const {
    const uint32_t word = vars.u32(radio.token);
    return word == radio.published_word ? radio.freq_khz : adopt_word(word, *radio.band);
}

void SimRadios::tune(Radio& radio, uint32_t freq_khz, Variables& vars) {
    radio.freq_khz = freq_khz;
    radio.published_word = frequency_word(freq_khz);
    vars.set_u32(radio.token, radio.published_word);
}

void SimRadios::set_ident_audio(int nav, bool on, Aircraft& aircraft) {
    bool& audio = nav == 1 ? nav1_ident_audio_on_ : nav2_ident_audio_on_;
    if (audio == on) return;
    audio = on;
    aircraft.note("nav_ident").num("radio", nav).num("on", on ? 1 : 0);
}

bool SimRadios::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    (void)value;
    switch (event_id) {
        case EVENT_NAV1_IDENT_OFF: set_ident_audio(1, false, aircraft); return true;
        case EVENT_NAV1_IDENT_ON: set_ident_audio(1, true, aircraft); return true;
        case EVENT_NAV2_IDENT_OFF: set_ident_audio(2, false, aircraft); return true;
        case EVENT_NAV2_IDENT_ON: set_ident_audio(2, true, aircraft); return true;
        default: break;
    }
    Variables& vars = aircraft.vars();
    for (Radio& radio : radios_) {
        const uint32_t khz = current_khz(radio, vars);
        const Band& band = *radio.band;
        if (event_id == radio.mhz_up_event)
            tune(radio, step_mhz(khz, band, true), vars);
        else if (event_id == radio.mhz_down_event)
            tune(radio, step_mhz(khz, band, false), vars);
        else if (event_id == radio.fraction_up_event)
            tune(radio, step_fraction(khz, band, true), vars);
        else if (event_id == radio.fraction_down_event)
            tune(radio, step_fraction(khz, band, false), vars);
        else
            continue;
        return true;
    }
    return false;
}
