// A host with the native module build loaded, for tests that use the gauges the way a
// panel does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/panel_host.h"

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    }

    // Places a gauge and fails the test if the module has no such gauge.
    int place(const std::string& name, const std::optional<std::string>& parameters = std::nullopt,
              int32_t window = 0) {
        std::string error;
        const int id = host.place(name, parameters, error, window);
        EXPECT_GE(id, 0) << error;
        return id;
    }

    // The trace lines of one op since the last clear.
    std::vector<std::string> ops(const std::string& op) { return host.trace().with_op(op); }

    PanelHost host;
};
