// The parameter command language as a panel author uses it: strings given to toggle
// gauges, and what a click or an install then makes the host do.
#include "tests/unit/toggle_fixture.h"

namespace {

constexpr uint32_t kToggle = 66506, kOpen = 66507, kClose = 66508;
constexpr uint32_t kForward = 65734, kBack = 65735, kZero = 65875;

struct Case {
    const char* parameters;
    Records events;
};

}  // namespace

using CommandLanguage = ToggleTest;

TEST_F(CommandLanguage, WindowIsNamedByNameOrByNumber) {
    const Case cases[] = {
        {"tRADIO_STACK_PANEL", {sent(kToggle, 50)}},
        {"t50", {sent(kToggle, 50)}},
        {"t 50", {sent(kToggle, 50)}},                     // the number reader skips the blank
        {"t RADIO_STACK_PANEL", {sent(kToggle, 0)}},       // the name must follow the letter at once
        {"tFOO", {sent(kToggle, 0)}},                      // neither name nor digits
        {"tRADIO_STACK_PANEL_LEFT", {sent(kToggle, 50)}},  // prefix test: the rest is ignored
        {"tIFR_MAIN_PANEL", {sent(kToggle, 175)}},         // MAIN_PANEL is no prefix of it
        {"tANNUNCIATOR2_PANEL", {sent(kToggle, 150)}},
    };
    for (const Case& c : cases) EXPECT_EQ(click_sends("Radios_Toggle", c.parameters), c.events) << c.parameters;
}

TEST_F(CommandLanguage, EveryWindowNameOfThePanelTable) {
    const std::pair<const char*, uint32_t> windows[] = {
        {"MAIN_PANEL", 0},           {"RADIO_STACK_PANEL", 50}, {"COMPASS_PANEL", 75},   {"ANNUNCIATOR_PANEL", 125},
        {"ANNUNCIATOR2_PANEL", 150}, {"COLLECTIVE_PANEL", 200}, {"THROTTLE_PANEL", 10},  {"MINI_CONTROLS_PANEL", 100},
        {"IFR_MAIN_PANEL", 175},     {"GPS_PANEL", 225},        {"OVERHEAD_PANEL", 250},
    };
    for (const auto& [name, ident] : windows)
        EXPECT_EQ(click_sends("Radios_Toggle", std::string("o") + name), Records{sent(kOpen, ident)}) << name;
}

TEST_F(CommandLanguage, NumbersFollowAtoiRules) {
    const Case cases[] = {
        {"t+75", {sent(kToggle, 75)}},
        {"t\t\n 75", {sent(kToggle, 75)}},
        {"t0075x", {sent(kToggle, 75)}},  // digits up to the first non-digit
        {"t-5", {}},                      // a negative window names no window
        {"t- 5", {sent(kToggle, 0)}},     // a sign without digits reads 0
        // beyond 32 bits the number stops at the limit instead of wrapping
        {"t99999999999", {sent(kToggle, 2147483647)}},
        {"t-99999999999", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(click_sends("Radios_Toggle", c.parameters), c.events) << c.parameters;
}

TEST_F(CommandLanguage, LetterAtTheEndHasNoWindowButALetterAndBlankMeansWindowZero) {
    EXPECT_EQ(click_sends("Radios_Toggle", "t"), Records{});
    EXPECT_EQ(click_sends("Radios_Toggle", "t50 t"), Records{sent(kToggle, 50)});
    EXPECT_EQ(click_sends("Radios_Toggle", "t "), Records{sent(kToggle, 0)});
}

TEST_F(CommandLanguage, AllOpensThenAllClosesThenAllTogglesWhateverTheirOrder) {
    EXPECT_EQ(click_sends("Radios_Toggle", "oGPS_PANEL tCOMPASS_PANEL cMAIN_PANEL"),
              (Records{sent(kOpen, 225), sent(kClose, 0), sent(kToggle, 75)}));
    EXPECT_EQ(click_sends("Radios_Toggle", "t10 c20 o30 t40 c50 o60"),
              (Records{sent(kOpen, 30), sent(kOpen, 60), sent(kClose, 20), sent(kClose, 50), sent(kToggle, 10),
                       sent(kToggle, 40)}));
}

TEST_F(CommandLanguage, CommandsWithoutSeparatorsAndInsideLowerCaseWords) {
    EXPECT_EQ(click_sends("Radios_Toggle", "t50t75"), (Records{sent(kToggle, 50), sent(kToggle, 75)}));
    // Letters are found by plain search, so a lower-case word is read as commands:
    // "toggle" holds an o (window "ggle": 0) and a t (window "oggle": 0).
    EXPECT_EQ(click_sends("Radios_Toggle", "toggle"), (Records{sent(kOpen, 0), sent(kToggle, 0)}));
}

TEST_F(CommandLanguage, CommentMarksEndTheCommands) {
    const Case cases[] = {
        {"t50 t75", {sent(kToggle, 50), sent(kToggle, 75)}},
        {"t50 // t75", {sent(kToggle, 50)}},
        {"t50 # t75", {sent(kToggle, 50)}},
        {"t50 ' t75", {sent(kToggle, 50)}},
        {"# t50", {}},
        {"'t50", {}},
        {"o50 t75 /c10", {sent(kOpen, 50), sent(kToggle, 75)}},
        {"t5/0 t75", {sent(kToggle, 5)}},  // the mark in an argument ends the number and the commands
        {"c10 p3 # t50", {sent(kClose, 10), sent(kForward), sent(kForward), sent(kForward)}},
        {"t50 # p3", {sent(kToggle, 50)}},
    };
    for (const Case& c : cases) EXPECT_EQ(click_sends("Radios_Toggle", c.parameters), c.events) << c.parameters;
}

TEST_F(CommandLanguage, PCountsForwardBackOrZeroAndOnlyTheFirstCounts) {
    EXPECT_EQ(click_sends("Radios_Toggle", "p3"), sent_times(3, kForward));
    EXPECT_EQ(click_sends("Radios_Toggle", "p-2"), sent_times(2, kBack));
    EXPECT_EQ(click_sends("Radios_Toggle", "p"), Records{sent(kZero)});
    EXPECT_EQ(click_sends("Radios_Toggle", "p0"), Records{sent(kZero)});
    EXPECT_EQ(click_sends("Radios_Toggle", "pX"), Records{sent(kZero)});
    EXPECT_EQ(click_sends("Radios_Toggle", "p2 p5"), sent_times(2, kForward));
}

TEST_F(CommandLanguage, PRunsAfterTheWindowCommands) {
    EXPECT_EQ(click_sends("Radios_Toggle", "p1 t50"), (Records{sent(kToggle, 50), sent(kForward)}));
}

TEST_F(CommandLanguage, HugePCountIsCappedInsteadOfFloodingTheHost) {
    // Two billion events would hold the simulator's panel thread for minutes.
    EXPECT_EQ(click_sends("Radios_Toggle", "p2147483647").size(), 1000u);
    EXPECT_EQ(click_sends("Radios_Toggle", "p-99999999999"), sent_times(1000, kBack));
    EXPECT_EQ(click_sends("Radios_Toggle", "p1000"), sent_times(1000, kForward));
}

TEST_F(CommandLanguage, StringWithoutCommandsIsStillAStringSoNoDefaultClose) {
    const int id = place("Radios_Toggle", "RADIO_STACK_PANEL", 50);
    host.aircraft().declare_window(50, true);
    click(id);
    EXPECT_EQ(ops("send_event"), Records{});
    EXPECT_EQ(ops("close_panel_window"), Records{});
    EXPECT_TRUE(host.aircraft().window_open(50));
}

using LookCommands = ToggleTest;

TEST_F(LookCommands, BitmapAcceptsOnlyTheTogglePictures) {
    for (uint32_t id = 90; id <= 190; id += 10) {
        place("Invisible_Toggle", "b" + std::to_string(id));
        EXPECT_EQ(root_bitmap("Invisible_Toggle"), id);
    }
    place("Invisible_Toggle", "b120");
    for (const char* rejected : {"b125", "b80", "b200", "b-10", "b", "bGPS", "b 95"}) {
        place("Invisible_Toggle", rejected);
        EXPECT_EQ(root_bitmap("Invisible_Toggle"), 120u) << rejected;
    }
}

TEST_F(LookCommands, RejectedBitmapSkipsTheTooltipButAcceptedOneDoesNot) {
    place("Invisible_Toggle", "b145 hTOGGLE_GPS_WINDOW");
    EXPECT_EQ(root_bitmap("Invisible_Toggle"), 190u);
    EXPECT_EQ(tooltip("Invisible_Toggle"), 0u);
    place("Invisible_Toggle", "hTOGGLE_GPS_WINDOW b140");
    EXPECT_EQ(root_bitmap("Invisible_Toggle"), 140u);
    EXPECT_EQ(tooltip("Invisible_Toggle"), 43911u);
}

TEST_F(LookCommands, TooltipByNameOrByLargeNumberElseCleared) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"hTOGGLE_RADIO_WINDOW", 43910},
        {"hTOGGLE_GPS_WINDOW", 43911},
        {"hTOGGLE_THROTTLE_WINDOW", 43912},
        {"hTOGGLE_COMPASS_WINDOW", 43913},
        {"hTOGGLE_FUEL_WINDOW", 43914},
        {"hTOGGLE_COLLECTIVE_WINDOW", 43915},
        {"hTOGGLE_GPS_WINDOW_PLEASE", 43911},
        {"h43924", 43924},
        {"h40960", 40960},
        {"h40959", 0},
        {"h100", 0},
        {"hXYZ", 0},
        {"h", 0},
        {"h -43924", 0},
    };
    for (const auto& [parameters, help] : cases) {
        place("Radios_Toggle", parameters);
        EXPECT_EQ(tooltip("Radios_Toggle"), help) << parameters;
    }
}

TEST_F(LookCommands, OnlyTheFirstLetterCountsAndCommentsHideThem) {
    place("Compass_Toggle", "b120 b130 h43924 h43925");
    EXPECT_EQ(root_bitmap("Compass_Toggle"), 120u);
    EXPECT_EQ(tooltip("Compass_Toggle"), 43924u);
    place("GPS_Toggle", "# b150 hTOGGLE_RADIO_WINDOW");
    EXPECT_EQ(root_bitmap("GPS_Toggle"), 120u);
    EXPECT_EQ(tooltip("GPS_Toggle"), 43911u);
}

TEST_F(LookCommands, NoStringOrEmptyStringKeepsThePictureAndTooltip) {
    place("GPS_Toggle", std::nullopt);
    place("GPS_Toggle", "");
    EXPECT_EQ(root_bitmap("GPS_Toggle"), 120u);
    EXPECT_EQ(tooltip("GPS_Toggle"), 43911u);
}

TEST_F(LookCommands, TwoPlacementsShareOnePictureAndTheLastInstallWins) {
    place("Throttle_Toggle", "b160");
    place("Throttle_Toggle", std::nullopt);
    EXPECT_EQ(root_bitmap("Throttle_Toggle"), 160u);  // nothing restores the declared picture
    place("Throttle_Toggle", "b170");
    EXPECT_EQ(root_bitmap("Throttle_Toggle"), 170u);
}

using StartCommand = ToggleTest;

TEST_F(StartCommand, ClosesItsWindowAtTheFirstInstallOnly) {
    EXPECT_EQ(install_sends("GPS_Toggle", "aGPS_PANEL"), Records{sent(kClose, 225)});
    EXPECT_EQ(gauge("GPS_Toggle")->user_word, 1u);
    EXPECT_EQ(install_sends("GPS_Toggle", "aGPS_PANEL"), Records{});
    EXPECT_EQ(install_sends("GPS_Toggle", "aCOMPASS_PANEL"), Records{});
}

TEST_F(StartCommand, FirstInstallSpendsTheStartEvenWithoutAnA) {
    EXPECT_EQ(install_sends("Compass_Toggle", "t75"), Records{});
    EXPECT_EQ(gauge("Compass_Toggle")->user_word, 1u);
    EXPECT_EQ(install_sends("Compass_Toggle", "aCOMPASS_PANEL"), Records{});
}

TEST_F(StartCommand, WindowRulesApplyAndAClickDoesNotRunIt) {
    EXPECT_EQ(install_sends("Left_Taxi_Toggle", "a-3"), Records{});
    EXPECT_EQ(install_sends("Right_Taxi_Toggle", "a"), Records{});
    EXPECT_EQ(install_sends("Nav_Instruments_Toggle", "# aGPS_PANEL"), Records{});
    EXPECT_EQ(install_sends("Throttle_Toggle", "aTHROTTLE_PANEL aGPS_PANEL"), Records{sent(kClose, 10)});
    EXPECT_EQ(click_sends("Close_Subpanel", "aCOMPASS_PANEL"), Records{});
}
