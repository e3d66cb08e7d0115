// The six COM/NAV radio gauges: their declarations and the one set of callbacks they
// share. A callback finds its gauge's RadioGaugeConfig from the record it is handed.
//
// To add a gauge to the family:
//   1. a RadioClick of its own (the radio clicks below; never shared);
//   2. a RadioGaugeConfig naming its set, token, events, face, help ids, failure key and
//      power-off variant, and its entry in kRadioConfigs; the token and events by their
//      names in sdk/ids.h (a new set's token and events are named there once);
//   3. its RadioRecords, MouseList and GaugeHeader (three lines, leaf first), the header
//      declared extern in com_nav.h;
//   4. the header in the gauge table of module/linkage.cpp at its place;
//   5. for a new set only: its row in host/sim/tokens.cpp and in SimRadios' radio table
//      (host/sim/radios.cpp), both by the sdk/ids.h names.
#include "radios/com_nav.h"

#include <cmath>
#include <cstddef>

#include "sdk/declare.h"
#include "sdk/host_services.h"
#include "sdk/ids.h"

namespace {

// ---------------------------------------------------------------------------------
// Decoding of the frequency words and taking the readout apart.

uint32_t read_word(uint32_t token) { return read_host_var(token).value.u32; }

// A byte of two BCD digits as a number 0..99 (a nibble above 9 counts as its value).
double decimal_pair(uint32_t byte) {
    const double b = static_cast<double>(byte);
    return 10.0 * std::floor(b / 16.0) + (b - 16.0 * std::floor(b / 16.0));
}

double tens_of_mhz(double mhz) { return std::floor((mhz - 100.0 * std::floor(mhz / 100.0)) / 10.0); }
double units_of_mhz(double mhz) { return mhz - 10.0 * std::floor(mhz / 10.0); }
double tenths(double fraction) { return std::floor(fraction / 10.0); }
double hundredths(double fraction) { return fraction - 10.0 * std::floor(fraction / 10.0); }

}  // namespace

// COM words cover 110..139 MHz in three decades: 0x1xxx, 0x2xxx, 0x3xxx. The shift is
// of the unsigned 32-bit difference, so a word below 0x1000 (outside the band) reads
// as a very large number of megahertz rather than a negative one.
double com_read_mhz(uint32_t token) {
    const uint32_t v = read_word(token);
    const uint32_t decade = v >= 0x3000 ? 0x3000u : v >= 0x2000 ? 0x2000u : 0x1000u;
    const uint32_t decade_mhz = v >= 0x3000 ? 130u : v >= 0x2000 ? 120u : 110u;
    return std::floor(static_cast<double>(decade_mhz + ((v - decade) >> 8)));
}

double com_read_fraction(uint32_t token) { return decimal_pair(read_word(token) & 0xFFu); }

// NAV words: 0x0800..0x0995 for 108..109 MHz, 0x1000..0x1795 for 110..117 MHz.
double nav_read_mhz(uint32_t token) {
    const uint32_t v = read_word(token);
    const uint32_t mhz = v >= 0x1000 ? 110u + ((v - 0x1000u) >> 8) : 100u + (v >> 8);
    return std::floor(static_cast<double>(mhz));
}

double nav_read_fraction(uint32_t token) { return decimal_pair(read_word(token) & 0xFFu); }

namespace {

// ---------------------------------------------------------------------------------
// The two versions and the six gauges' configurations.

// clang-format off
constexpr RadioVersion com_version = {
    com_read_mhz, com_read_fraction, 118.0, 135.0, 0,
    //  hundredths  digits  tens  tens_max  leading 1  kHz knob  MHz knob  top    bottom  right  power  lamp
        450,        420,    430,  3.0,      440,       410,      400,      118.0, 122.0,  490,   460,   470,
};
constexpr RadioVersion nav_version = {
    nav_read_mhz, nav_read_fraction, 108.0, 117.0, 1,
        1100,       1100,   1110, 1.0,      1120,      1090,     1080,     108.0, 112.0,  1140,  1130,  1150,
};
// clang-format on

constinit RadioClick old_com_click = {};
constinit RadioClick old_com1_click = {};
constinit RadioClick old_com2_click = {};
constinit RadioClick old_nav_click = {};
constinit RadioClick old_nav1_click = {};
constinit RadioClick old_nav2_click = {};

// clang-format off
constexpr RadioGaugeConfig old_com_config = {
    .gauge = &old_com_gauge, .version = &com_version, .unit = &com1_unit, .click = &old_com_click,
    .frequency_token = TOKEN_COM1_FREQUENCY_BCD, .face_bitmap = 380,
    .mhz_up_event = EVENT_COM1_MHZ_UP, .mhz_down_event = EVENT_COM1_MHZ_DOWN,
    .fraction_up_event = EVENT_COM1_FRACTION_UP, .fraction_down_event = EVENT_COM1_FRACTION_DOWN,
    .ident_off_event = 0, .ident_on_event = 0,
    .gauge_help_id = 0xA701, .readout_help_id = 0xA711, .knob_help_id = 0xA710, .failure_key = 9,
    .power_off_clears_ident = 0, .power_off_event = 0,
};
// Old_COM1's power-off area also sends the NAV1 ident-off event.
constexpr RadioGaugeConfig old_com1_config = {
    .gauge = &old_com1_gauge, .version = &com_version, .unit = &com1_unit, .click = &old_com1_click,
    .frequency_token = TOKEN_COM1_FREQUENCY_BCD, .face_bitmap = 390,
    .mhz_up_event = EVENT_COM1_MHZ_UP, .mhz_down_event = EVENT_COM1_MHZ_DOWN,
    .fraction_up_event = EVENT_COM1_FRACTION_UP, .fraction_down_event = EVENT_COM1_FRACTION_DOWN,
    .ident_off_event = 0, .ident_on_event = 0,
    .gauge_help_id = 0xA701, .readout_help_id = 0xA711, .knob_help_id = 0xA710, .failure_key = 9,
    .power_off_clears_ident = 0, .power_off_event = EVENT_NAV1_IDENT_OFF,
};
constexpr RadioGaugeConfig old_com2_config = {
    .gauge = &old_com2_gauge, .version = &com_version, .unit = &com2_unit, .click = &old_com2_click,
    .frequency_token = TOKEN_COM2_FREQUENCY_BCD, .face_bitmap = 480,
    .mhz_up_event = EVENT_COM2_MHZ_UP, .mhz_down_event = EVENT_COM2_MHZ_DOWN,
    .fraction_up_event = EVENT_COM2_FRACTION_UP, .fraction_down_event = EVENT_COM2_FRACTION_DOWN,
    .ident_off_event = 0, .ident_on_event = 0,
    .gauge_help_id = 0xA701, .readout_help_id = 0xA711, .knob_help_id = 0xA710, .failure_key = 9,
    .power_off_clears_ident = 0, .power_off_event = 0,
};
constexpr RadioGaugeConfig old_nav_config = {
    .gauge = &old_nav_gauge, .version = &nav_version, .unit = &nav1_unit, .click = &old_nav_click,
    .frequency_token = TOKEN_NAV1_FREQUENCY_BCD, .face_bitmap = 1060,
    .mhz_up_event = EVENT_NAV1_MHZ_UP, .mhz_down_event = EVENT_NAV1_MHZ_DOWN,
    .fraction_up_event = EVENT_NAV1_FRACTION_UP, .fraction_down_event = EVENT_NAV1_FRACTION_DOWN,
    .ident_off_event = EVENT_NAV1_IDENT_OFF, .ident_on_event = EVENT_NAV1_IDENT_ON,
    .gauge_help_id = 0xA700, .readout_help_id = 0xA715, .knob_help_id = 0xA714, .failure_key = 14,
    .power_off_clears_ident = 0, .power_off_event = EVENT_NAV1_IDENT_OFF,
};
constexpr RadioGaugeConfig old_nav1_config = {
    .gauge = &old_nav1_gauge, .version = &nav_version, .unit = &nav1_unit, .click = &old_nav1_click,
    .frequency_token = TOKEN_NAV1_FREQUENCY_BCD, .face_bitmap = 1070,
    .mhz_up_event = EVENT_NAV1_MHZ_UP, .mhz_down_event = EVENT_NAV1_MHZ_DOWN,
    .fraction_up_event = EVENT_NAV1_FRACTION_UP, .fraction_down_event = EVENT_NAV1_FRACTION_DOWN,
    .ident_off_event = EVENT_NAV1_IDENT_OFF, .ident_on_event = EVENT_NAV1_IDENT_ON,
    .gauge_help_id = 0xA700, .readout_help_id = 0xA715, .knob_help_id = 0xA714, .failure_key = 14,
    .power_off_clears_ident = 0, .power_off_event = EVENT_NAV1_IDENT_OFF,
};
// Old_NAV2's power-off area also puts its ident switch off.
constexpr RadioGaugeConfig old_nav2_config = {
    .gauge = &old_nav2_gauge, .version = &nav_version, .unit = &nav2_unit, .click = &old_nav2_click,
    .frequency_token = TOKEN_NAV2_FREQUENCY_BCD, .face_bitmap = 1160,
    .mhz_up_event = EVENT_NAV2_MHZ_UP, .mhz_down_event = EVENT_NAV2_MHZ_DOWN,
    .fraction_up_event = EVENT_NAV2_FRACTION_UP, .fraction_down_event = EVENT_NAV2_FRACTION_DOWN,
    .ident_off_event = EVENT_NAV2_IDENT_OFF, .ident_on_event = EVENT_NAV2_IDENT_ON,
    .gauge_help_id = 0xA702, .readout_help_id = 0xA717, .knob_help_id = 0xA716, .failure_key = 15,
    .power_off_clears_ident = 1, .power_off_event = EVENT_NAV2_IDENT_OFF,
};
// clang-format on

constexpr const RadioGaugeConfig* kRadioConfigs[] = {
    &old_com_config, &old_com1_config, &old_com2_config, &old_nav_config, &old_nav1_config, &old_nav2_config,
};
static_assert(sizeof(kRadioConfigs) / sizeof(kRadioConfigs[0]) == 6);

// The configuration of the gauge whose header this is, or null for a stranger.
const RadioGaugeConfig* config_of(const GaugeHeader* gauge) {
    for (const RadioGaugeConfig* config : kRadioConfigs)
        if (config->gauge == gauge) return config;
    return nullptr;
}

const RadioGaugeConfig* config_of(const ElementHeader* element) {
    return element ? config_of(element->gauge) : nullptr;
}

const RadioGaugeConfig* config_of(const ClickRecord* click) { return click ? config_of(click->gauge) : nullptr; }

// ---------------------------------------------------------------------------------
// Value callbacks. They show the frequency cached at the last update or tuning click
// and never read the host themselves.

// light_digit on the element for its gauge's set; the set, or null for a stranger.
const RadioUnit* lit_unit(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    if (!config) return nullptr;
    light_digit(element, config->unit->power_on);
    return config->unit;
}

double TARVOLEN_CALLBACK radio_hundredths(ElementHeader* element) {
    const RadioUnit* unit = lit_unit(element);
    return unit ? hundredths(unit->fraction) : 0.0;
}

double TARVOLEN_CALLBACK radio_tenths(ElementHeader* element) {
    const RadioUnit* unit = lit_unit(element);
    return unit ? tenths(unit->fraction) : 0.0;
}

double TARVOLEN_CALLBACK radio_units(ElementHeader* element) {
    const RadioUnit* unit = lit_unit(element);
    return unit ? units_of_mhz(unit->mhz) : 0.0;
}

double TARVOLEN_CALLBACK radio_tens(ElementHeader* element) {
    const RadioUnit* unit = lit_unit(element);
    return unit ? tens_of_mhz(unit->mhz) : 0.0;
}

// The fixed leading 1 only lights up with the drums.
double TARVOLEN_CALLBACK radio_leading_one(ElementHeader* element) {
    lit_unit(element);
    return 0.0;
}

double TARVOLEN_CALLBACK radio_khz_knob(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    return config ? config->unit->fraction : 0.0;
}

double TARVOLEN_CALLBACK radio_mhz_knob(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    return config ? config->unit->mhz : 0.0;
}

// Lamp: picture 0 while the set is on, hidden while it is off.
double TARVOLEN_CALLBACK radio_lamp(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    return config && config->unit->power_on != 0 ? 0.0 : -1.0;
}

double TARVOLEN_CALLBACK com_power_switch(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    return config && config->unit->power_on != 0 ? 1.0 : 0.0;
}

// The NAV switch pictures keep the host's ident audio in step with the two switches:
// each evaluation re-sends ident on (both on) or ident off (its own switch off).
double TARVOLEN_CALLBACK nav_power_switch(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    if (!config) return 0.0;
    if (config->unit->power_on == 0) {
        send_event(config->ident_off_event, 0);
        return 0.0;
    }
    if (config->unit->ident_on != 0) send_event(config->ident_on_event, 0);
    return 1.0;
}

double TARVOLEN_CALLBACK nav_ident_switch(ElementHeader* element) {
    const RadioGaugeConfig* config = config_of(element);
    if (!config) return 0.0;
    if (config->unit->ident_on == 0) {
        send_event(config->ident_off_event, 0);
        return 0.0;
    }
    if (config->unit->power_on != 0) send_event(config->ident_on_event, 0);
    return 1.0;
}

// ---------------------------------------------------------------------------------
// Mouse handlers. The knob halves read the host afresh into the set's cache, then send
// their tuning event only while the set is on (the MHz halves also within the band).
// The switch areas act only on a change and click only then.

int32_t TARVOLEN_CALLBACK radio_mhz_up(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config) return 0;
    RadioUnit& unit = *config->unit;
    unit.mhz = config->version->read_mhz(config->frequency_token);
    if (unit.mhz < config->version->highest_mhz && unit.power_on != 0) send_event(config->mhz_up_event, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK radio_mhz_down(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config) return 0;
    RadioUnit& unit = *config->unit;
    unit.mhz = config->version->read_mhz(config->frequency_token);
    if (unit.mhz > config->version->lowest_mhz && unit.power_on != 0) send_event(config->mhz_down_event, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK radio_fraction_up(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config) return 0;
    config->unit->fraction = config->version->read_fraction(config->frequency_token);
    if (config->unit->power_on != 0) send_event(config->fraction_up_event, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK radio_fraction_down(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config) return 0;
    config->unit->fraction = config->version->read_fraction(config->frequency_token);
    if (config->unit->power_on != 0) send_event(config->fraction_down_event, 0);
    return 0;
}

// Power on sends nothing: a NAV set's switch pictures assert the ident at the next
// evaluation.
int32_t TARVOLEN_CALLBACK radio_power_on(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config || config->unit->power_on != 0) return 0;
    config->unit->power_on = 1;
    radio_click_play(*config->click);
    return 0;
}

int32_t TARVOLEN_CALLBACK radio_power_off(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config || config->unit->power_on == 0) return 0;
    config->unit->power_on = 0;
    radio_click_play(*config->click);
    if (config->power_off_clears_ident != 0) config->unit->ident_on = 0;
    if (config->power_off_event != 0) send_event(config->power_off_event, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK nav_ident_on(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config || config->unit->ident_on != 0) return 0;
    config->unit->ident_on = 1;
    radio_click_play(*config->click);
    return 0;
}

int32_t TARVOLEN_CALLBACK nav_ident_off(ClickRecord* click, uint32_t) {
    const RadioGaugeConfig* config = config_of(click);
    if (!config || config->unit->ident_on == 0) return 0;
    config->unit->ident_on = 0;
    radio_click_play(*config->click);
    return 0;
}

// ---------------------------------------------------------------------------------
// Gauge callback: install switches the set off (a NAV set's ident too, telling the
// host) and opens this gauge's click player; update refreshes the set's frequency
// cache; kill closes the click player.

void radio_install(const RadioGaugeConfig& config, uintptr_t instance) {
    config.unit->power_on = 0;
    if (config.version->has_ident != 0) {
        config.unit->ident_on = 0;
        send_event(config.ident_off_event, 0);
    }
    radio_click_open(*config.click, instance);
}

void radio_update(const RadioGaugeConfig& config) {
    config.unit->mhz = config.version->read_mhz(config.frequency_token);
    config.unit->fraction = config.version->read_fraction(config.frequency_token);
}

void TARVOLEN_CALLBACK radio_gauge_callback(GaugeHeader* gauge, uint32_t service, uintptr_t extra) {
    const RadioGaugeConfig* config = config_of(gauge);
    if (!config) return;
    switch (service) {
        case SERVICE_INSTALL: radio_install(*config, extra); break;
        case SERVICE_UPDATE: radio_update(*config); break;
        case SERVICE_KILL: radio_click_close(*config->click); break;
        default: break;
    }
}

// ---------------------------------------------------------------------------------
// Declarations. Every gauge of the family has the same element chain (row 1 the face,
// drawn first; row 11 the lamp, drawn last), declared leaf first:
//
//   #  element          kind         position   value
//   1  face             StaticImage  (0, 0)     -
//   2  hundredths drum  MovingImage  (178, 18)  radio_hundredths
//   3  tenths drum      MovingImage  (160, 18)  radio_tenths
//   4  units drum       MovingImage  (142, 18)  radio_units
//   5  tens drum        MovingImage  (124, 18)  radio_tens
//   6  leading 1        Icon         (106, 18)  radio_leading_one
//   7  kHz knob         Needle       (202, 76)  radio_khz_knob
//   8  MHz knob         Needle       (98, 76)   radio_mhz_knob
//   9  VOL / ident      Icon         (190, 105) none (COM) / nav_ident_switch (NAV)
//  10  power switch     Icon         (30, 105)  com_power_switch / nav_power_switch
//  11  lamp             Icon         (119, 123) radio_lamp

constexpr uint32_t FLAGS_PLAIN = 0x3;
constexpr uint32_t FLAGS_LAMP = 0x7;
constexpr uint32_t FLAGS_MOVING = 0x83;

struct RadioRecords {
    FailureEntry failures[3];
    NonlinearityPoint khz_points[2];
    NonlinearityPoint mhz_points[2];
    Icon lamp;
    ElementHeader* lamp_list[2];
    Icon power_switch;
    ElementHeader* power_switch_list[2];
    Icon right_switch;
    ElementHeader* right_switch_list[2];
    Needle mhz_knob;
    ElementHeader* mhz_knob_list[2];
    Needle khz_knob;
    ElementHeader* khz_knob_list[2];
    Icon leading_one;
    ElementHeader* leading_one_list[2];
    MovingImage tens;
    ElementHeader* tens_list[2];
    MovingImage units;
    ElementHeader* units_list[2];
    MovingImage tenths;
    ElementHeader* tenths_list[2];
    MovingImage hundredths;
    ElementHeader* hundredths_list[2];
    StaticImage face;
    ElementHeader* root;
};

using namespace declare;

// A digit drum travelling in y over 0..max_y; its value comes from the callback only.
constexpr MovingImage drum(ElementHeader header, double max_y, ValueCallback callback) {
    return moving_image(header, 0, 0.0, 0.0, 0, 0.0, max_y, callback);
}

// A knob turning about (15, 15) of its 30x30 bitmap; its value comes from the callback.
constexpr Needle knob(ElementHeader header, NonlinearityPoint* points, ValueCallback callback) {
    return needle(header, 15, 15, 0, points, 2, callback);
}

// Both knobs take their direction from the same two points straight above and below
// the MHz knob's pivot, the kHz knob included.
constexpr NonlinearityPoint point_at_top(double value) { return {98, 46, value, {0, 0}}; }
constexpr NonlinearityPoint point_at_bottom(double value) { return {98, 106, value, {0, 0}}; }

constexpr RadioRecords radio_records(RadioRecords& self, const RadioGaugeConfig& config) {
    const RadioVersion& v = *config.version;
    GaugeHeader* g = config.gauge;
    const bool nav = v.has_ident != 0;
    RadioRecords r{};
    r.failures[0] = {21, 3, 0};
    r.failures[1] = {config.failure_key, 0, 0};
    r.failures[2] = {0, 0, 0};
    r.khz_points[0] = point_at_top(0.0);
    r.khz_points[1] = point_at_bottom(50.0);
    r.mhz_points[0] = point_at_top(v.mhz_at_top);
    r.mhz_points[1] = point_at_bottom(v.mhz_at_bottom);
    FailureEntry* f = self.failures;

    // clang-format off
    //                 kind                  bitmap                  x    y    flags         gauge  drawn over it        failures
    r.lamp = icon(element(ELEMENT_ICON,         v.lamp_bitmap,          119, 123, FLAGS_LAMP,   g, nullptr,                f),
                  0, 1.0, 1, radio_lamp);
    r.power_switch = icon(element(ELEMENT_ICON, v.power_switch_bitmap,  30,  105, FLAGS_PLAIN,  g, self.lamp_list,         nullptr),
                  0, 1.0, 2, nav ? nav_power_switch : com_power_switch);
    r.right_switch = icon(element(ELEMENT_ICON, v.right_switch_bitmap,  190, 105, FLAGS_PLAIN,  g, self.power_switch_list, nav ? f : nullptr),
                  0, 1.0, 2, nav ? nav_ident_switch : nullptr);
    r.mhz_knob = knob(element(ELEMENT_NEEDLE,   v.mhz_knob_bitmap,      98,  76,  FLAGS_MOVING, g, self.right_switch_list, nullptr),
                  self.mhz_points, radio_mhz_knob);
    r.khz_knob = knob(element(ELEMENT_NEEDLE,   v.khz_knob_bitmap,      202, 76,  FLAGS_MOVING, g, self.mhz_knob_list,     nullptr),
                  self.khz_points, radio_khz_knob);
    r.leading_one = icon(element(ELEMENT_ICON,  v.leading_one_bitmap,   106, 18,  FLAGS_MOVING, g, self.khz_knob_list,     f),
                  0, 0.0, 1, radio_leading_one);
    r.tens = drum(element(ELEMENT_MOVING_IMAGE, v.tens_bitmap,          124, 18,  FLAGS_MOVING, g, self.leading_one_list,  f),
                  v.tens_max, radio_tens);
    r.units = drum(element(ELEMENT_MOVING_IMAGE, v.digit_bitmap,        142, 18,  FLAGS_MOVING, g, self.tens_list,         f),
                  10.0, radio_units);
    r.tenths = drum(element(ELEMENT_MOVING_IMAGE, v.digit_bitmap,       160, 18,  FLAGS_MOVING, g, self.units_list,        f),
                  10.0, radio_tenths);
    r.hundredths = drum(element(ELEMENT_MOVING_IMAGE, v.hundredths_bitmap, 178, 18, FLAGS_MOVING, g, self.tenths_list,   f),
                  10.0, radio_hundredths);
    r.face = static_image(config.face_bitmap, g, self.hundredths_list);
    // clang-format on

    r.lamp_list[0] = &self.lamp.header;
    r.power_switch_list[0] = &self.power_switch.header;
    r.right_switch_list[0] = &self.right_switch.header;
    r.mhz_knob_list[0] = &self.mhz_knob.header;
    r.khz_knob_list[0] = &self.khz_knob.header;
    r.leading_one_list[0] = &self.leading_one.header;
    r.tens_list[0] = &self.tens.header;
    r.units_list[0] = &self.units.header;
    r.tenths_list[0] = &self.tenths.header;
    r.hundredths_list[0] = &self.hundredths.header;
    r.root = &self.face.header;
    return r;
}

// The mouse list of the family. Child boxes are relative to the innermost open parent.
// The two ident rows exist only in the NAV version.
enum class Help { none, gauge, readout, knob };

struct MouseRow {
    uint32_t kind;
    int32_t x, y, w, h;
    int32_t cursor;
    Help help;
    uint32_t flags;
    MouseHandler handler;
    int32_t nav_only;
};

constexpr uint32_t KNOB_FLAGS = MOUSE_LEFT_CLICK | MOUSE_REPEAT;

// clang-format off
constexpr MouseRow kRadioMouseRows[] = {
    // kind             x    y    w   h   cursor           help           flags             handler              nav
    {MOUSE_PARENT,      0,   0,   0,  0,  CURSOR_NONE,     Help::gauge,   0,                nullptr,             0},  // whole gauge
    {MOUSE_PARENT,      106, 18,  90, 28, CURSOR_NONE,     Help::readout, 0,                nullptr,             0},  // readout
    {MOUSE_PARENT_END,  0,   0,   0,  0,  CURSOR_NONE,     Help::none,    0,                nullptr,             0},
    {MOUSE_PARENT,      83,  61,  30, 30, CURSOR_NONE,     Help::knob,    0,                nullptr,             0},  // MHz knob
    {MOUSE_CHILD,       0,   0,   15, 30, CURSOR_DECREASE, Help::none,    KNOB_FLAGS,       radio_mhz_down,      0},
    {MOUSE_CHILD,       15,  0,   15, 30, CURSOR_INCREASE, Help::none,    KNOB_FLAGS,       radio_mhz_up,        0},
    {MOUSE_PARENT_END,  0,   0,   0,  0,  CURSOR_NONE,     Help::none,    0,                nullptr,             0},
    {MOUSE_PARENT,      187, 61,  30, 30, CURSOR_NONE,     Help::knob,    0,                nullptr,             0},  // kHz knob
    {MOUSE_CHILD,       0,   0,   15, 30, CURSOR_DECREASE, Help::none,    KNOB_FLAGS,       radio_fraction_down, 0},
    {MOUSE_CHILD,       15,  0,   15, 30, CURSOR_INCREASE, Help::none,    KNOB_FLAGS,       radio_fraction_up,   0},
    {MOUSE_PARENT_END,  0,   0,   0,  0,  CURSOR_NONE,     Help::none,    0,                nullptr,             0},
    {MOUSE_CHILD,       10,  126, 20, 20, CURSOR_BUTTON,   Help::none,    MOUSE_LEFT_CLICK, radio_power_off,     0},  // OFF
    {MOUSE_CHILD,       10,  95,  20, 20, CURSOR_BUTTON,   Help::none,    MOUSE_LEFT_CLICK, radio_power_on,      0},  // ON
    {MOUSE_CHILD,       170, 113, 20, 10, CURSOR_BUTTON,   Help::none,    MOUSE_LEFT_CLICK, nav_ident_off,       1},  // VOR ID OFF
    {MOUSE_CHILD,       195, 95,  20, 10, CURSOR_BUTTON,   Help::none,    MOUSE_LEFT_CLICK, nav_ident_on,        1},  // ON / VOL
    {MOUSE_PARENT_END,  0,   0,   0,  0,  CURSOR_NONE,     Help::none,    0,                nullptr,             0},
    {MOUSE_END,         0,   0,   0,  0,  CURSOR_NONE,     Help::none,    0,                nullptr,             0},
};
// clang-format on
static_assert(sizeof(kRadioMouseRows) / sizeof(kRadioMouseRows[0]) == 17);

constexpr size_t mouse_entries(bool nav) {
    size_t count = 0;
    for (const MouseRow& row : kRadioMouseRows)
        if (nav || row.nav_only == 0) ++count;
    return count;
}

constexpr size_t COM_MOUSE_ENTRIES = mouse_entries(false);
constexpr size_t NAV_MOUSE_ENTRIES = mouse_entries(true);
static_assert(COM_MOUSE_ENTRIES == 15 && NAV_MOUSE_ENTRIES == 17);

template <size_t N>
struct MouseList {
    MouseRect rects[N];
};

constexpr uint32_t help_id(Help help, const RadioGaugeConfig& config) {
    switch (help) {
        case Help::gauge: return config.gauge_help_id;
        case Help::readout: return config.readout_help_id;
        case Help::knob: return config.knob_help_id;
        case Help::none: break;
    }
    return 0;
}

// Called only when a list's entry count is wrong: it is no constexpr function, so the
// constant initialisation that reaches it fails to compile.
inline void radio_mouse_count_mismatch() {}

// The list for the config's version; N must be that version's entry count (a wrong N
// fails to compile).
template <size_t N>
constexpr MouseList<N> radio_mouse_list(const RadioGaugeConfig& config) {
    MouseList<N> list{};
    const bool nav = config.version->has_ident != 0;
    size_t i = 0;
    for (const MouseRow& row : kRadioMouseRows) {
        if (row.nav_only != 0 && !nav) continue;
        list.rects[i++] = {row.kind,  row.x, row.y,       row.w, row.h, row.cursor, help_id(row.help, config),
                           row.flags, 0,     row.handler, 0};
    }
    if (i != N) radio_mouse_count_mismatch();
    return list;
}

constexpr GaugeHeader radio_header(const char* name, RadioRecords& records, MouseRect* mouse_rects) {
    return gauge_header(name, &records.root, 100, mouse_rects, radio_gauge_callback);
}

using ComMouse = MouseList<COM_MOUSE_ENTRIES>;
using NavMouse = MouseList<NAV_MOUSE_ENTRIES>;

// clang-format off
constinit RadioRecords old_com_records  = radio_records(old_com_records, old_com_config);
constinit ComMouse old_com_mouse        = radio_mouse_list<COM_MOUSE_ENTRIES>(old_com_config);
constinit RadioRecords old_com1_records = radio_records(old_com1_records, old_com1_config);
constinit ComMouse old_com1_mouse       = radio_mouse_list<COM_MOUSE_ENTRIES>(old_com1_config);
constinit RadioRecords old_com2_records = radio_records(old_com2_records, old_com2_config);
constinit ComMouse old_com2_mouse       = radio_mouse_list<COM_MOUSE_ENTRIES>(old_com2_config);
constinit RadioRecords old_nav_records  = radio_records(old_nav_records, old_nav_config);
constinit NavMouse old_nav_mouse        = radio_mouse_list<NAV_MOUSE_ENTRIES>(old_nav_config);
constinit RadioRecords old_nav1_records = radio_records(old_nav1_records, old_nav1_config);
constinit NavMouse old_nav1_mouse       = radio_mouse_list<NAV_MOUSE_ENTRIES>(old_nav1_config);
constinit RadioRecords old_nav2_records = radio_records(old_nav2_records, old_nav2_config);
constinit NavMouse old_nav2_mouse       = radio_mouse_list<NAV_MOUSE_ENTRIES>(old_nav2_config);
// clang-format on

}  // namespace

// clang-format off
constinit GaugeHeader old_com_gauge  = radio_header("Old_COM",  old_com_records,  old_com_mouse.rects);
constinit GaugeHeader old_com1_gauge = radio_header("Old_COM1", old_com1_records, old_com1_mouse.rects);
constinit GaugeHeader old_com2_gauge = radio_header("Old_COM2", old_com2_records, old_com2_mouse.rects);
constinit GaugeHeader old_nav_gauge  = radio_header("Old_NAV",  old_nav_records,  old_nav_mouse.rects);
constinit GaugeHeader old_nav1_gauge = radio_header("Old_NAV1", old_nav1_records, old_nav1_mouse.rects);
constinit GaugeHeader old_nav2_gauge = radio_header("Old_NAV2", old_nav2_records, old_nav2_mouse.rects);
// clang-format on
