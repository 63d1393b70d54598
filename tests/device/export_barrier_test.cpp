// No exception crosses the C boundary: a backend that throws (a sysfs walk, an
// allocation) makes every export answer false, leaves the caller's buffer as it
// was and closes what was opened.
#include <gtest/gtest.h>

#include <vector>

#include "device/sim/sim_control.h"
#include "device/vorkel.h"
#include "every_export.h"
#include "sim_fixture.h"

namespace {

using ExportBarrier = SimRemoteTest;

TEST_F(ExportBarrier, ThrowingEnumerationAnswersFalseEverywhere) {
    vorkel::sim::throw_from_backend(vorkel::sim::Throw::on_enumerate);
    expect_every_export_fails();
    EXPECT_TRUE(vorkel::sim::reports().empty());
}

TEST_F(ExportBarrier, ThrowInTheMiddleOfAReadClosesTheDevice) {
    vorkel::sim::throw_from_backend(vorkel::sim::Throw::on_string_read);
    std::vector<char> out(12288, 'x');
    EXPECT_FALSE(RBasicInfo(out.data()));
    EXPECT_FALSE(RCodeTypeData(out.data()));
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(vorkel::sim::open_handles(), 0u);
    // Exports that read no string are untouched by it.
    EXPECT_TRUE(link_state());
    vorkel::sim::clear_faults();
    EXPECT_TRUE(RBasicInfo(out.data())) << "the next call is a fresh transaction";
}

}  // namespace
