// The radio heads' fixtures (COM/NAV, ADF, XPDR): a host whose module must raise no
// fault, and the ways a test looks at a placed head: element values and flags after a
// frame, the events sent, the tokens read, the clicks played.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/unit/host_fixture.h"

// A point of a head's face inside a click area.
struct Spot {
    int x, y;
};

using Events = std::vector<uint32_t>;

// Heads placed by id; several may share the host.
class RadioTest : public HostTest {
protected:
    // The module must not touch a token or send an event the aircraft does not know.
    void TearDown() override {
        for (const std::string& fault : host.errors()) ADD_FAILURE() << "module fault: " << fault;
    }

    Variables& vars() { return host.aircraft().vars(); }

    // The value the host took from element k (1 = face) of a head at the last frame.
    double value(int id, int k) { return host.placement(id)->elements.at(static_cast<size_t>(k - 1)).value; }
    uint32_t flags(int id, int k) {
        return host.placement(id)->elements.at(static_cast<size_t>(k - 1)).element->image_flags;
    }
    bool lit(int id, int k) { return (flags(id, k) & IMAGE_LUMINOUS) != 0; }

    // A click at a point of the face, which must hit a click area.
    void click(int id, Spot s) { EXPECT_TRUE(host.click(id, s.x, s.y)) << "nothing to click at " << s.x << "," << s.y; }

    // The ids of the events the module sent since the trace was last cleared.
    Events sent() {
        Events ids;
        for (const Json& record : ops("send_event")) ids.push_back(record["id"].get<uint32_t>());
        return ids;
    }

    // The events sent during one frame of a head, and by one click on it.
    Events sent_in_a_frame(int id) {
        host.trace().clear();
        host.frame(id);
        return sent();
    }
    Events sent_by_click(int id, Spot s) {
        host.trace().clear();
        click(id, s);
        return sent();
    }

    // The tokens the module read itself, in order, since the trace was last cleared.
    std::vector<uint32_t> tokens_read() {
        std::vector<uint32_t> tokens;
        for (const Json& record : ops("read_var")) tokens.push_back(record["token"].get<uint32_t>());
        return tokens;
    }
    int reads_of(uint32_t token) {
        const std::vector<uint32_t> tokens = tokens_read();
        return static_cast<int>(std::count(tokens.begin(), tokens.end(), token));
    }

    // How many times a click was played since the trace was last cleared.
    int clicks_played() {
        int n = 0;
        for (const Json& record : ops("sound"))
            if (record["call"] == "play" && record["ok"] == 1) ++n;
        return n;
    }
};

// One head, placed by the test's SetUp, that every helper looks at.
class RadioHeadTest : public RadioTest {
protected:
    void place_head(const std::string& name) {
        head = place(name);
        ASSERT_GE(head, 0);
    }

    void frame() { host.frame(head); }
    double value(int k) { return RadioTest::value(head, k); }
    uint32_t flags(int k) { return RadioTest::flags(head, k); }
    bool lit(int k) { return RadioTest::lit(head, k); }
    void press(Spot s) { click(head, s); }
    Events sent_in_a_frame() { return RadioTest::sent_in_a_frame(head); }
    Events sent_by(Spot s) { return sent_by_click(head, s); }

    int head = -1;
};
