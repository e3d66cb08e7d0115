// The simulated ADF receiver and transponder: they carry out the digit events of the
// radio heads on the aircraft's frequency and code words, and keep the ADF's
// identifier audio switch.
#pragma once

#include "host/sim/aircraft.h"
#include "sdk/ids.h"

// What the aircraft starts with.
inline constexpr uint32_t ADF_START_KHZ = 350;       // words 0x0350 and 0
inline constexpr uint32_t XPDR_START_CODE = 0x1200;  // squawk 1200

// The ADF tunes 100 to 1799 kHz. The hundreds event steps the hundreds of kHz over
// 1..17 with wrap (so 999 goes to 1099); the tens and units events turn their own
// digit 0..9 with wrap and never carry.
class SimAdf : public SimSystem {
public:
    explicit SimAdf(Variables& vars) { set_frequency_khz(vars, ADF_START_KHZ); }
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;

    // The frequency the aircraft's two words hold, in kHz.
    static uint32_t frequency_khz(const Variables& vars);
    // Writes a frequency of 0..1999 kHz into the two words.
    static void set_frequency_khz(Variables& vars, uint32_t khz);
    bool ident_audio_on() const { return ident_audio_on_; }

private:
    void set_ident_audio(bool on, Aircraft& aircraft);
    bool ident_audio_on_ = false;
};

// The transponder's code word: each digit event turns one digit 0..7 with wrap.
class SimTransponder : public SimSystem {
public:
    explicit SimTransponder(Variables& vars) { vars.set_u32(TOKEN_XPDR_CODE_BCD, XPDR_START_CODE); }
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;
};
