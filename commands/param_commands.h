// The parameter command language: how the gauges read the parameter string a panel
// configuration gives them (single lower-case command letters, each followed at once by
// its argument; '/', '#' and '\'' end the readable part), lookups in the two name tables
// of sdk/ids.h, and the runners that turn commands into host events or into changes of
// the gauge's records.
#pragma once

#include <cstdint>

#include "sdk/ids.h"
#include "sdk/records.h"

// The host events the commands send (sdk/ids.h): t EVENT_PANEL_WINDOW_TOGGLE, o
// EVENT_PANEL_WINDOW_OPEN, c and a EVENT_PANEL_WINDOW_CLOSE; p EVENT_P_FORWARD (a count
// above 0), EVENT_P_BACK (below 0) or EVENT_P_ZERO (0).

// The root bitmaps a `b` command may choose: the pictures of the toggle gauges that
// have callbacks.
inline constexpr int32_t LOOK_BITMAP_FIRST = 90;
inline constexpr int32_t LOOK_BITMAP_LAST = 190;
inline constexpr int32_t LOOK_BITMAP_STEP = 10;
// A number given to `h` is a help id only from here up.
inline constexpr int32_t HELP_ID_NUMBERS_FROM = 40960;  // 0xA000
// The most events one `p` command sends: a count beyond it would hold the host's panel
// thread for as long as it takes to send billions of events.
inline constexpr int32_t P_COUNT_LIMIT = 1000;

// The first occurrence of keyword in text, or null when there is none or when any
// comment mark occurs before it. Null text or keyword finds nothing.
const char* find_param_keyword(const char* text, const char* keyword);

// Reads an integer the way the C library's atoi does (leading white space, an optional
// sign, then digits up to the first non-digit; no digits gives 0). A value beyond the
// 32-bit range gives the nearest limit, where atoi itself would be undefined.
int32_t read_param_int(const char* text);

// Stores into *out the decimal number (atof) right behind the keyword, if the gauge has
// a non-empty parameter string holding the keyword; otherwise leaves *out alone.
void read_param_number(const GaugeHeader* gauge, const char* keyword, double* out);
// 1 if the gauge has a non-empty parameter string holding the keyword, else 0.
int32_t has_param_keyword(const GaugeHeader* gauge, const char* keyword);

// Executes the o, c, t and p commands of the gauge's parameter string; 0 if the gauge
// is absent, else the result of run_window_commands.
int32_t run_param_commands(const GaugeHeader* gauge);
// Executes every o (open), then every c (close), then every t (toggle) command standing
// before the first comment mark, then the first p command. 0 for an absent or empty
// text, 1 otherwise (even when the text holds no command).
int32_t run_window_commands(const char* text);

// The panel window a command argument names (text starts right behind the letter): a
// window name of the table (prefix test), else an atoi number; -1 for no text.
int32_t panel_id_from_text(const char* text);
// The help id an `h` argument names: a help name (prefix test), else an atoi number of
// at least 40960; 0 otherwise.
uint32_t help_id_from_text(const char* text);

// Executes the `a` command: closes the window it names.
void run_start_command(const GaugeHeader* gauge);
// Executes `b` (root element's bitmap) and then `h` (first mouse rectangle's tooltip);
// a rejected `b` skips the `h`.
void apply_look_commands(GaugeHeader* gauge);
