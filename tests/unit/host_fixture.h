// A host with the native module build loaded, for tests that use the gauges the way a
// panel does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/core/panel_host.h"
#include "tests/unit/trace_json.h"

// Copies a word out of a record. The records are packed on 4-byte boundaries, so on
// 64-bit builds a pointer word may sit off its natural alignment: gtest's assertions
// take their arguments by reference, which UBSan rightly reports there.
template <class T>
T held(T word) {
    return word;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        Diagnostics error;
        ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    }

    // Places a gauge and fails the test if the module has no such gauge.
    int place(const std::string& name, const std::optional<std::string>& parameters = std::nullopt,
              int32_t window = 0) {
        Diagnostics error;
        const int id = host.place(name, parameters, error, window);
        EXPECT_GE(id, 0) << error;
        return id;
    }

    // The trace records of one op since the last clear.
    Records ops(std::string_view op) { return trace_records(host.trace(), op); }

    PanelHost host;
};
