#include "device/transport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "device/vorkel.h"
#include "every_export.h"
#include "sim_fixture.h"

namespace {

TEST(RemoteIdentity, OnlyTheTwoPairsMatch) {
    struct Case {
        uint16_t vendor, product;
        bool remote;
    };
    const Case cases[] = {
        {0x1920, 0x2A69, true},  {0x0C1C, 0x0001, true},  {0x1920, 0x0001, false},
        {0x0C1C, 0x2A69, false}, {0x2A69, 0x1920, false}, {0x0001, 0x0C1C, false},
        {0x1920, 0x2A6A, false}, {0x0000, 0x0000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vorkel::is_remote_identity(c.vendor, c.product), c.remote)
            << std::hex << c.vendor << ":" << c.product;
    }
}

TEST(HexText, PairsReadLikeStrtolBase16) {
    struct Case {
        const char* pair;
        uint8_t byte;
    };
    const Case cases[] = {{"0a", 0x0A}, {"0A", 0x0A}, {"G1", 0x00}, {"1G", 0x01}, {"ff", 0xFF},
                          {" F", 0x0F}, {"-1", 0xFF}, {"+7", 0x07}, {"  ", 0x00}, {"0x", 0x00}};
    for (const Case& c : cases) {
        EXPECT_EQ(vorkel::hex_pair_to_byte(c.pair[0], c.pair[1]), c.byte) << c.pair;
    }
}

TEST(HexText, TextToBytesIgnoresOddLastCharacter) {
    EXPECT_EQ(vorkel::hex_to_bytes("0A1b2"), (std::vector<uint8_t>{0x0A, 0x1B}));
    EXPECT_EQ(vorkel::hex_to_bytes("7"), std::vector<uint8_t>{});
    EXPECT_EQ(vorkel::hex_to_bytes(""), std::vector<uint8_t>{});
}

TEST(HexText, BytesToTextIsUpperCaseWithLeadingZero) {
    const uint8_t bytes[] = {0x0A, 0xFF, 0x00, 0x5c};
    EXPECT_EQ(vorkel::bytes_to_hex(bytes, 4), "0AFF005C");
    char out[16];
    std::fill(std::begin(out), std::end(out), 'x');
    vorkel::write_hex_text({0x0A, 0xFF}, out);
    EXPECT_STREQ(out, "0AFF");
    EXPECT_EQ(out[5], 'x') << "nothing written after the NUL";
}

using Discovery = SimRemoteTest;

TEST_F(Discovery, LinkStateFollowsAttachAndOpen) {
    EXPECT_TRUE(link_state());
    vorkel::sim::set_attached(false);
    EXPECT_FALSE(link_state());
    vorkel::sim::set_attached(true);
    EXPECT_TRUE(link_state()) << "a remote plugged in again is found by the next call";
    vorkel::sim::set_openable(false);
    EXPECT_FALSE(link_state()) << "held exclusively by another program";
    EXPECT_TRUE(vorkel::sim::reports().empty());
    EXPECT_TRUE(vorkel::sim::descriptor_reads().empty()) << "link_state reads nothing";
}

TEST_F(Discovery, SwappedIdentitiesAreNotTheRemote) {
    const std::pair<uint16_t, uint16_t> identities[] = {
        {0x1920, 0x0001}, {0x0C1C, 0x2A69}, {0x046D, 0xC52B}};
    for (const auto& [vendor, product] : identities) {
        vorkel::sim::set_identity(vendor, product);
        EXPECT_FALSE(link_state()) << std::hex << vendor << ":" << product;
        EXPECT_FALSE(SetCodeCarrierWave());
    }
    vorkel::sim::set_identity(0x0C1C, 0x0001);
    EXPECT_TRUE(link_state());
    EXPECT_TRUE(SetCodeCarrierWave());
}

TEST_F(Discovery, OtherDevicesAreSkippedAndGetNothing) {
    vorkel::sim::add_other_device(0x046D, 0xC52B, false, true);  // keyboard: refuses the open
    vorkel::sim::add_other_device(0x1234, 0x5678, true, true);   // opens, wrong identity
    vorkel::sim::add_other_device(0x1920, 0x0001, true, false);
    ASSERT_TRUE(SetCodeCarrierWave());
    EXPECT_EQ(vorkel::sim::reports(),
              std::vector<Report>{report({0x20, 0x20, 0xB4, 0x02, 0x03, 0x04, 0x05, 0x06})});
    for (const auto& device : vorkel::sim::devices()) {
        EXPECT_EQ(device.reports_received, device.remote ? 1u : 0u) << std::hex << device.vendor;
    }
}

TEST_F(Discovery, FirstOfTwoRemotesWins) {
    vorkel::sim::add_second_remote();
    const std::string text(64, 'A');
    ASSERT_TRUE(WCodeTypeData(text.c_str()));
    EXPECT_EQ(vorkel::sim::code_table(32), std::vector<uint8_t>(32, 0xAA));
    EXPECT_NE(vorkel::sim::read_second_remote_memory(0xDA, 0, 32), std::vector<uint8_t>(32, 0xAA));
    vorkel::sim::set_openable(false);
    ASSERT_TRUE(WCodeTypeData(text.c_str())) << "the second remote answers when the first is busy";
    EXPECT_EQ(vorkel::sim::read_second_remote_memory(0xDA, 0, 32), std::vector<uint8_t>(32, 0xAA));
}

TEST_F(Discovery, NoRemoteMeansEveryExportFailsAndSendsNothing) {
    vorkel::sim::add_other_device(0x1234, 0x5678, true, true);
    vorkel::sim::set_attached(false);
    expect_every_export_fails();
    for (const auto& device : vorkel::sim::devices()) EXPECT_EQ(device.reports_received, 0u);
}

}  // namespace
