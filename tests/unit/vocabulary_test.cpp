// The shared name tables, walked row by row: every name must be reachable the way the
// module (prefix test, in table order) and a panel.cfg (whole name, any case) look it up,
// and every host token row must be the only one of its token and of its name. The
// behaviour tests check the rows they know; these catch a row added without one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "commands/param_commands.h"
#include "host/render/gauge_painter.h"
#include "host/sim/variables.h"
#include "sdk/ids.h"

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The names a prefix lookup in table order can never reach: each one that an earlier
// name is a prefix of, and each one equal to an earlier name in another case.
template <class Row, size_t N>
std::vector<std::string> shadowed_names(const Row (&table)[N]) {
    std::vector<std::string> shadowed;
    for (size_t later = 0; later < N; ++later) {
        const std::string name = table[later].name;
        for (size_t earlier = 0; earlier < later; ++earlier) {
            const std::string before = table[earlier].name;
            if (name.rfind(before, 0) == 0 || lower(name) == lower(before)) {
                shadowed.push_back(name + " (behind " + before + ")");
                break;
            }
        }
    }
    return shadowed;
}

}  // namespace

TEST(PanelWindowNames, EveryNameReachesItsOwnRow) {
    EXPECT_EQ(shadowed_names(PANEL_WINDOW_NAMES), std::vector<std::string>{});
}

TEST(HelpNames, EveryNameReachesItsOwnRowAndEveryIdHasOneName) {
    EXPECT_EQ(shadowed_names(HELP_NAMES), std::vector<std::string>{});
    std::set<uint32_t> ids;
    for (const HelpName& row : HELP_NAMES) {
        EXPECT_TRUE(ids.insert(row.help_id).second) << row.name << " repeats help id " << row.help_id;
        // A named help id can be given by its number too only from the number range up.
        EXPECT_GE(row.help_id, static_cast<uint32_t>(HELP_ID_NUMBERS_FROM)) << row.name;
    }
}

TEST(HostTokens, EachTokenAndEachNameHasOneRow) {
    std::set<uint32_t> tokens;
    std::set<std::string> names;
    for (const TokenInfo* row = token_table(); row->name; ++row) {
        EXPECT_NE(row->token, 0u) << row->name << ": token 0 is no variable";
        EXPECT_TRUE(tokens.insert(row->token).second) << "token " << row->token << " has a second row";
        EXPECT_TRUE(names.insert(row->name).second) << row->name << " names a second row";
        EXPECT_EQ(find_token(row->token), row) << row->name;
        EXPECT_NE(std::string(row->unit_text), "") << row->name;
    }
    EXPECT_EQ(tokens.size(), kTokenCount);
}

TEST(HostTokens, ThePainterTurnsRadiansByTheUnitColumn) {
    constexpr double kPi = 3.14159265358979323846;
    for (const TokenInfo* row = token_table(); row->name; ++row)
        EXPECT_DOUBLE_EQ(angle_value_deg(row->token, kPi / 2), row->unit == Unit::radians ? 90.0 : kPi / 2)
            << row->name;
    EXPECT_EQ(find_token(TOKEN_ADF_CARD_RAD)->unit, Unit::radians);
    EXPECT_EQ(find_token(TOKEN_COMPASS_DEG)->unit, Unit::degrees);
}
