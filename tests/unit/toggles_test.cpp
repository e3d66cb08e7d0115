// The fourteen toggle gauges: their declarations as the host reads them, and what a
// click on each does to the simulated aircraft's windows and events.
#include <array>
#include <iterator>

#include "host/sim/cockpit.h"
#include "tests/unit/toggle_fixture.h"

namespace {

struct ToggleRow {
    const char* name;
    uint32_t bitmap_id;
    uint32_t help_id;
    uint32_t event_id;  // the event the host sends itself, or 0 when a handler runs
};

// The gauges in the order of the module's gauge table.
const ToggleRow kToggles[] = {
    {"Map_Toggle", 60, 43919, 66432},   {"Kneeboard_Toggle", 50, 43923, 65876}, {"ATC_Toggle", 70, 43924, 65564},
    {"Invisible_Toggle", 190, 0, 0},    {"Radios_Toggle", 110, 43910, 0},       {"GPS_Toggle", 120, 43911, 0},
    {"Throttle_Toggle", 130, 43912, 0}, {"Compass_Toggle", 140, 43913, 0},      {"Close_Subpanel", 150, 0, 0},
    {"Left_Taxi_Toggle", 160, 0, 0},    {"Right_Taxi_Toggle", 170, 0, 0},       {"Nav_Instruments_Toggle", 180, 0, 0},
    {"Seat_Up_Toggle", 90, 0, 0},       {"Seat_Down_Toggle", 100, 0, 0},
};

Json host_sent(uint32_t id) { return {{"op", "host_event"}, {"id", id}, {"value", 0}}; }

Json closed_own_window() { return {{"op", "close_panel_window"}, {"window", 0}}; }

}  // namespace

using ToggleGauges = ToggleTest;

TEST_F(ToggleGauges, TheyOpenTheGaugeTableInItsOrder) {
    const ModuleLinkage* linkage = host.module()->linkage();
    for (size_t i = 0; i < std::size(kToggles); ++i) {
        ASSERT_NE(linkage->gauges[i], nullptr) << "slot " << i;
        EXPECT_STREQ(held(linkage->gauges[i]->name), kToggles[i].name) << "slot " << i;
    }
}

TEST_F(ToggleGauges, DeclarationsAreOneFaceAndOneButton) {
    for (const ToggleRow& row : kToggles) {
        SCOPED_TRACE(row.name);
        const GaugeHeader* g = gauge(row.name);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->version, 800u);
        EXPECT_EQ(g->width_mm, 19u);
        EXPECT_EQ(g->height_mm, 0u);
        EXPECT_EQ(g->user_word, 0u);
        EXPECT_EQ(held(g->parameters), nullptr);
        EXPECT_EQ(g->gauge_callback == nullptr, row.event_id != 0);

        const ElementHeader* face = *g->elements;
        EXPECT_EQ(face->kind, ELEMENT_STATIC_IMAGE);
        EXPECT_EQ(face->bitmap_id, row.bitmap_id);
        EXPECT_EQ(face->x, 0);
        EXPECT_EQ(face->y, 0);
        EXPECT_EQ(face->gauge, g);
        EXPECT_EQ(held(face->children), nullptr);
        EXPECT_EQ(held(face->failures), nullptr);
        EXPECT_EQ(face->image_flags, 3u);

        const MouseRect* m = g->mouse_rects;
        // kind, box, cursor, help, flags, event, handler?, data
        EXPECT_EQ(m[0].kind, 1u);
        EXPECT_EQ((std::array{m[0].box_x, m[0].box_y, m[0].box_w, m[0].box_h}), (std::array{0, 0, 0, 0}));
        EXPECT_EQ(m[0].cursor, -1);
        EXPECT_EQ(m[0].help_id, row.help_id);
        EXPECT_EQ(m[0].mouse_flags, 0u);
        EXPECT_EQ(m[0].event_id, 0u);
        EXPECT_EQ(held(m[0].handler), nullptr);

        EXPECT_EQ(m[1].kind, 2u);
        EXPECT_EQ((std::array{m[1].box_x, m[1].box_y, m[1].box_w, m[1].box_h}), (std::array{3, 3, 13, 13}));
        EXPECT_EQ(m[1].cursor, 5);
        EXPECT_EQ(m[1].help_id, 0u);
        EXPECT_EQ(m[1].mouse_flags, 0x20000000u);
        EXPECT_EQ(m[1].event_id, row.event_id);
        EXPECT_EQ(m[1].handler == nullptr, row.event_id != 0);

        for (int i : {2, 3}) {
            EXPECT_EQ(m[i].kind, i == 2 ? 3u : 0u);
            EXPECT_EQ((std::array{m[i].box_x, m[i].box_y, m[i].box_w, m[i].box_h}), (std::array{0, 0, 0, 0}));
            EXPECT_EQ(m[i].cursor, -1);
            EXPECT_EQ(m[i].help_id | m[i].mouse_flags | m[i].event_id, 0u);
            EXPECT_EQ(held(m[i].handler), nullptr);
        }
        for (int i = 0; i < 4; ++i) EXPECT_EQ(m[i].data, 0u);
    }
}

TEST_F(ToggleGauges, ElevenShareOneCallbackAndTheSeatGaugesHaveTheirOwnHandlers) {
    const GaugeCallback shared = gauge("Radios_Toggle")->gauge_callback;
    const MouseHandler toggle_handler = gauge("Radios_Toggle")->mouse_rects[1].handler;
    for (const ToggleRow& row : kToggles) {
        if (row.event_id != 0) continue;
        EXPECT_EQ(gauge(row.name)->gauge_callback, shared) << row.name;
        const MouseHandler handler = gauge(row.name)->mouse_rects[1].handler;
        const bool seat = std::string(row.name).rfind("Seat_", 0) == 0;
        EXPECT_EQ(handler == toggle_handler, !seat) << row.name;
    }
    EXPECT_NE(held(gauge("Seat_Up_Toggle")->mouse_rects[1].handler),
              held(gauge("Seat_Down_Toggle")->mouse_rects[1].handler));
}

TEST_F(ToggleGauges, RadiosToggleFlipsTheRadioStackOnEveryClick) {
    const int id = place("Radios_Toggle", "tRADIO_STACK_PANEL");
    for (bool open : {true, false, true}) {
        click(id);
        EXPECT_EQ(ops("send_event"), Records{sent(66506, 50)});
        EXPECT_EQ(host.aircraft().window_open(50), open);
    }
    EXPECT_EQ(ops("close_panel_window"), Records{});
}

TEST_F(ToggleGauges, CloseSubpanelWithoutStringClosesTheWindowHoldingIt) {
    host.aircraft().declare_window(75, true);
    host.aircraft().declare_window(50, true);
    const int id = place("Close_Subpanel", std::nullopt, 75);
    click(id);
    EXPECT_EQ(ops("close_panel_window"), Records{closed_own_window()});
    EXPECT_EQ(ops("send_event"), Records{});
    EXPECT_FALSE(host.aircraft().window_open(75));
    EXPECT_TRUE(host.aircraft().window_open(50));
}

TEST_F(ToggleGauges, EmptyStringTakesTheDefaultClickToo) {
    host.aircraft().declare_window(225, true);
    click(place("Nav_Instruments_Toggle", "", 225));
    EXPECT_EQ(ops("close_panel_window"), Records{closed_own_window()});
    EXPECT_FALSE(host.aircraft().window_open(225));
}

TEST_F(ToggleGauges, CommentOnlyStringDoesNothingAtAll) {
    host.aircraft().declare_window(225, true);
    click(place("GPS_Toggle", "# tGPS_PANEL", 225));
    EXPECT_EQ(ops("close_panel_window"), Records{});
    EXPECT_EQ(ops("send_event"), Records{});
    EXPECT_TRUE(host.aircraft().window_open(225));
}

TEST_F(ToggleGauges, SeatGaugesCloseTheirWindowThenMoveTheSeatThreeTimes) {
    for (const auto& [name, event] : {std::pair{"Seat_Up_Toggle", 66524u}, std::pair{"Seat_Down_Toggle", 66525u}}) {
        SCOPED_TRACE(name);
        host.aircraft().declare_window(10, true);
        click(place(name, std::nullopt, 10));
        const Records expected = {closed_own_window(), sent(event), sent(event), sent(event)};
        Records got;
        for (const Json& record : trace_records(host.trace()))
            if (record["op"] == "close_panel_window" || record["op"] == "send_event") got.push_back(record);
        EXPECT_EQ(got, expected);
        EXPECT_FALSE(host.aircraft().window_open(10));
    }
    const auto* cockpit = host.aircraft().system<CockpitEvents>();
    ASSERT_NE(cockpit, nullptr);
    EXPECT_EQ(cockpit->count(66524), 3);
    EXPECT_EQ(cockpit->count(66525), 3);
}

TEST_F(ToggleGauges, SeatGaugeWithAStringSendsOnlyWhatTheStringSays) {
    EXPECT_EQ(click_sends("Seat_Up_Toggle", "p1"), Records{sent(65734)});
    EXPECT_EQ(ops("close_panel_window"), Records{});
    EXPECT_EQ(click_sends("Seat_Down_Toggle", "tGPS_PANEL"), Records{sent(66506, 225)});
}

TEST_F(ToggleGauges, HostEventGaugesIgnoreTheirStringsAndNeedNoModuleCode) {
    const std::pair<const char*, uint32_t> gauges[] = {
        {"Map_Toggle", 66432}, {"Kneeboard_Toggle", 65876}, {"ATC_Toggle", 65564}};
    for (const auto& [name, event] : gauges) {
        SCOPED_TRACE(name);
        const int id = place(name, "b120 h43999 tGPS_PANEL aGPS_PANEL");
        click(id);
        EXPECT_EQ(ops("host_event"), Records{host_sent(event)});
        EXPECT_EQ(ops("send_event"), Records{});
        EXPECT_EQ(ops("handler"), Records{});
        EXPECT_NE(root_bitmap(name), 120u);
        EXPECT_NE(tooltip(name), 43999u);
        EXPECT_EQ(gauge(name)->user_word, 0u);
    }
}

TEST_F(ToggleGauges, HostRemembersTheAtcKneeboardAndMapWindows) {
    const int atc = place("ATC_Toggle"), map = place("Map_Toggle");
    const auto* cockpit = host.aircraft().system<CockpitEvents>();
    ASSERT_NE(cockpit, nullptr);
    click(atc);
    EXPECT_TRUE(cockpit->shown(65564));
    EXPECT_EQ(ops("cockpit"), (Records{{{"op", "cockpit"}, {"what", "atc_window"}, {"shown", 1}}}));
    click(atc);
    EXPECT_FALSE(cockpit->shown(65564));
    click(map);
    EXPECT_TRUE(cockpit->shown(66432));
    EXPECT_FALSE(cockpit->shown(65876));
}
