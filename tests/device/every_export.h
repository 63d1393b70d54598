// With no usable remote, each of the ten exports answers false and leaves the
// caller's buffer untouched.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "device/vorkel.h"

inline void expect_every_export_fails() {
    std::vector<char> out(12288, 'x');
    EXPECT_FALSE(link_state());
    EXPECT_FALSE(RBasicInfo(out.data()));
    EXPECT_FALSE(RCodeTypeData(out.data()));
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_FALSE(SetAddress());
    EXPECT_FALSE(SetFlag());
    EXPECT_FALSE(SetCodeCarrierWave());
    EXPECT_FALSE(WCodeTypeData("00"));
    EXPECT_FALSE(WCodeTypeDataut("00"));
    EXPECT_FALSE(WINTPro_D900("00"));
    EXPECT_EQ(out[0], 'x') << "out untouched";
}
