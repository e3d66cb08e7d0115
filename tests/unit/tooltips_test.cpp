// The host's tooltip strings: every help id a gauge of the module declares has a text.
#include <gtest/gtest.h>

#include "host/bridge/open_host.h"
#include "host/serve/tooltips.h"

namespace {

TEST(Tooltips, EveryHelpIdOfEveryGaugeHasItsText) {
    Diagnostics diagnostics;
    const auto opened = OpenedHost::open(TARVOLEN_MODULE_PATH, HostOptions{.trace = false}, diagnostics);
    ASSERT_TRUE(opened) << diagnostics;
    GaugeHost& host = opened->host();
    int seen = 0;
    for (const std::string& name : host.gauge_names()) {
        Diagnostics placing;
        const int id = host.place(name, std::nullopt, placing, 0);
        ASSERT_GE(id, 0) << name << ": " << placing;
        const Placement* p = host.placement(id);
        for (const MouseRect* rect = p->gauge->mouse_rects; rect && rect->kind != MOUSE_END; ++rect) {
            if (rect->help_id == 0) continue;
            EXPECT_NE(tooltip_text(rect->help_id), nullptr) << name << ": help id " << rect->help_id;
            ++seen;
        }
    }
    EXPECT_GT(seen, 20);
    EXPECT_EQ(tooltip_text(1), nullptr);
}

}  // namespace
