// Tests against the simulated remote: factory state, zero latency, records on.
// Every test ends with no device left open, whatever path the call took.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/sim/sim_control.h"

class SimRemoteTest : public ::testing::Test {
  protected:
    void SetUp() override { vorkel::sim::activate(); }
    void TearDown() override { EXPECT_EQ(vorkel::sim::open_handles(), 0u); }
};

using Report = std::array<uint8_t, 9>;

inline Report report(std::initializer_list<uint8_t> payload) {
    Report r{};
    std::size_t i = 1;
    for (uint8_t b : payload) r[i++] = b;
    return r;
}
