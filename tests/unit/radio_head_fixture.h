// A host with one radio head placed, and the ways a test looks at it: element values
// and flags after a frame, the events sent, the clicks played.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/unit/host_fixture.h"

class RadioHeadTest : public HostTest {
protected:
    void place_head(const std::string& name) {
        head = place(name);
        ASSERT_GE(head, 0);
    }

    // The module must not touch a token or send an event the aircraft does not know.
    void TearDown() override {
        for (const std::string& fault : host.errors()) ADD_FAILURE() << "module fault: " << fault;
    }

    Variables& vars() { return host.aircraft().vars(); }
    void frame() { host.frame(head); }

    // The value the host took from element k (1 = face) at the last frame.
    double value(int k) { return host.placement(head)->elements.at(static_cast<size_t>(k - 1)).value; }
    uint32_t flags(int k) { return host.placement(head)->elements.at(static_cast<size_t>(k - 1)).element->image_flags; }
    bool lit(int k) { return (flags(k) & IMAGE_LUMINOUS) != 0; }

    // A click at a point of the face, which must hit a click area.
    void click(int x, int y) { EXPECT_TRUE(host.click(head, x, y)) << "nothing to click at " << x << "," << y; }

    // The ids of the events the module sent since the trace was last cleared.
    std::vector<uint32_t> sent() {
        std::vector<uint32_t> ids;
        for (const std::string& line : ops("send_event")) {
            const auto at = line.find("\"id\":");
            ids.push_back(static_cast<uint32_t>(std::strtoul(line.c_str() + at + 5, nullptr, 10)));
        }
        return ids;
    }

    // The events sent during one frame.
    std::vector<uint32_t> sent_in_a_frame() {
        host.trace().clear();
        frame();
        return sent();
    }

    // The tokens the module read itself, in order, since the trace was last cleared.
    std::vector<uint32_t> tokens_read() {
        std::vector<uint32_t> tokens;
        for (const std::string& line : ops("read_var")) {
            const auto at = line.find("\"token\":");
            tokens.push_back(static_cast<uint32_t>(std::strtoul(line.c_str() + at + 8, nullptr, 10)));
        }
        return tokens;
    }

    // How many times a click was played since the trace was last cleared.
    int clicks_played() {
        int n = 0;
        for (const std::string& line : ops("sound"))
            if (line.find("\"call\":\"play\"") != std::string::npos && line.find("\"ok\":1") != std::string::npos) ++n;
        return n;
    }

    int head = -1;
};
