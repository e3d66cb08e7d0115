// The two parameter readers no gauge calls yet, tested on their own: the command
// language compiled into the test with a service table of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "commands/param_commands.h"
#include "module/linkage.h"

namespace {

int events_sent = 0;

int32_t TARVOLEN_CALLBACK count_event(uint32_t, uint32_t) {
    ++events_sent;
    return 1;
}

PanelServices services = [] {
    PanelServices table{};
    table.send_event = count_event;
    return table;
}();

GaugeHeader gauge_with(char* parameters) {
    GaugeHeader gauge{};
    gauge.parameters = parameters;
    return gauge;
}

}  // namespace

// The module's import record, here pointing at the test's table (linkage.h declares it).
ModuleImports ImportTable = {PANEL_SERVICES_ID, &services, 0, nullptr};

TEST(ReadParamNumber, ReadsTheDecimalNumberRightBehindTheWholeKeyword) {
    std::string text = "zoom1.75 alt-20";
    GaugeHeader gauge = gauge_with(text.data());
    double value = -1.0;
    read_param_number(&gauge, "zoom", &value);
    EXPECT_DOUBLE_EQ(value, 1.75);
    read_param_number(&gauge, "alt", &value);
    EXPECT_DOUBLE_EQ(value, -20.0);
    EXPECT_EQ(events_sent, 0);
}

TEST(ReadParamNumber, LeavesTheOutputAloneWithoutAStringOrAKeywordBeforeAComment) {
    double value = 42.0;
    read_param_number(nullptr, "zoom", &value);
    GaugeHeader none = gauge_with(nullptr);
    read_param_number(&none, "zoom", &value);
    std::string empty;
    GaugeHeader blank = gauge_with(empty.data());
    read_param_number(&blank, "zoom", &value);
    std::string commented = "t50 // zoom3";
    GaugeHeader behind_comment = gauge_with(commented.data());
    read_param_number(&behind_comment, "zoom", &value);
    EXPECT_DOUBLE_EQ(value, 42.0);
    read_param_number(&behind_comment, "t", nullptr);  // no output: nothing to store
}

TEST(HasParamKeyword, FindsAKeywordOnlyBeforeTheFirstCommentMark) {
    std::string text = "oGPS_PANEL # tMAIN_PANEL";
    GaugeHeader gauge = gauge_with(text.data());
    EXPECT_EQ(has_param_keyword(&gauge, "oGPS"), 1);
    EXPECT_EQ(has_param_keyword(&gauge, "tMAIN"), 0);
    EXPECT_EQ(has_param_keyword(nullptr, "o"), 0);
    std::string empty;
    GaugeHeader blank = gauge_with(empty.data());
    EXPECT_EQ(has_param_keyword(&blank, ""), 0);
}
