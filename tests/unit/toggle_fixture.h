// A host for tests of the toggle gauges: place a gauge with a parameter string, click
// its button, and read the events and window closes it caused from the trace.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/host_fixture.h"

// The trace record of an event the module sends with send_event.
inline Json sent(uint32_t id, uint32_t value = 0) { return {{"op", "send_event"}, {"id", id}, {"value", value}}; }

// The same event, n times.
inline Records sent_times(int n, uint32_t id) { return Records(static_cast<size_t>(n), sent(id)); }

class ToggleTest : public HostTest {
protected:
    void TearDown() override { EXPECT_TRUE(host.errors().empty()) << host.trace().joined(); }

    // The centre of every toggle gauge's button (box 3, 3, 13, 13).
    static constexpr int kButtonX = 9, kButtonY = 9;

    // Clicks the button of a placement; the trace then holds only what the click did.
    void click(int id) {
        host.trace().clear();
        EXPECT_TRUE(host.click(id, kButtonX, kButtonY));
    }

    // Places the gauge with the parameter string, clicks it once and removes it again.
    // Returns the events the module sent on the click.
    Records click_sends(const std::string& gauge, const std::optional<std::string>& parameters) {
        const int id = place(gauge, parameters);
        click(id);
        Records events = ops("send_event");
        host.remove(id);
        return events;
    }

    // The events the module sends when a gauge is installed with this string.
    Records install_sends(const std::string& gauge, const std::optional<std::string>& parameters) {
        host.trace().clear();
        place(gauge, parameters);
        return ops("send_event");
    }

    GaugeHeader* gauge(const std::string& name) {
        GaugeHeader* found = host.find_gauge(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    uint32_t root_bitmap(const std::string& name) { return (*gauge(name)->elements)->bitmap_id; }
    uint32_t tooltip(const std::string& name) { return gauge(name)->mouse_rects[0].help_id; }
};
