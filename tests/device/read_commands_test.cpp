#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/sim/sim_control.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "sim_fixture.h"

namespace {

using ReadCommands = SimRemoteTest;
using Kind = vorkel::sim::DescriptorRead::Kind;

TEST_F(ReadCommands, BasicInfoGives128UpperCaseDigits) {
    std::vector<uint8_t> block(64);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 37 + 10);
    block[0] = 0x0A;
    block[1] = 0xFF;
    vorkel::sim::write_memory(0xD0, 0, block);
    std::vector<char> out(1024, 'x');
    ASSERT_TRUE(RBasicInfo(out.data()));
    const std::string text(out.data());
    EXPECT_EQ(text, vorkel::bytes_to_hex(block.data(), block.size()));
    EXPECT_EQ(text.substr(0, 4), "0AFF");
    EXPECT_EQ(out[129], 'x') << "nothing after the NUL";
    EXPECT_EQ(vorkel::sim::reports(),
              std::vector<Report>{report({0x01, 0xD0, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06})});
    const auto reads = vorkel::sim::descriptor_reads();
    ASSERT_EQ(reads.size(), 8u);
    for (const auto& read : reads) {
        EXPECT_EQ(read.kind, Kind::serial);
        EXPECT_EQ(read.length, 8u);
    }
}

TEST_F(ReadCommands, FactoryBasicInfoPassesTheStartUpFields) {
    std::vector<char> out(1024, '\0');
    ASSERT_TRUE(RBasicInfo(out.data()));
    const std::string text(out.data());
    ASSERT_EQ(text.size(), 128u);
    EXPECT_EQ(text.substr(64, 2), "01");
    EXPECT_EQ(text.substr(66, 2), "02");
    EXPECT_EQ(text.substr(70, 4), "1800");
    vorkel::sim::set_basic_info("8888", 3, 4);
    ASSERT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(std::string(out.data()).substr(64, 10), "0304008888");
}

TEST_F(ReadCommands, CodeTableIs704ReadsFromPageDA) {
    std::vector<uint8_t> table(5632);
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i ^ (i >> 8));
    vorkel::sim::set_code_table(table);
    std::vector<char> out(12288, 'x');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    EXPECT_EQ(std::string(out.data()), vorkel::bytes_to_hex(table.data(), table.size()));
    EXPECT_EQ(vorkel::sim::reports(),
              std::vector<Report>{report({0x01, 0xDA, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06})});
    const auto reads = vorkel::sim::descriptor_reads();
    EXPECT_EQ(reads.size(), 704u) << "one device request per read, none cached";
    EXPECT_NE(reads[0].bytes, reads[1].bytes) << "successive reads return the next bytes";
}

TEST_F(ReadCommands, FailuresOfAMemoryRead) {
    struct Case {
        const char* name;
        bool refuse_request;
        std::size_t failing_read;  // 0: none
        bool result;
        const char* text;  // nullptr: out untouched
        std::size_t reads;
    };
    const Case cases[] = {
        {"request refused", true, 0, false, nullptr, 0},
        {"first read fails", false, 1, true, "", 1},
        {"fifth read fails", false, 5, true, "", 5},
        {"last read fails", false, 8, true, "", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::reset();
        if (c.refuse_request) vorkel::sim::refuse_report_at(0);
        if (c.failing_read > 0) vorkel::sim::fail_string_read_at(c.failing_read - 1);
        std::vector<char> out(1024, 'x');
        EXPECT_EQ(RBasicInfo(out.data()), c.result);
        if (c.text == nullptr) {
            EXPECT_EQ(out[0], 'x');
        } else {
            EXPECT_STREQ(out.data(), c.text);
        }
        EXPECT_EQ(vorkel::sim::descriptor_reads().size(), c.reads) << "no read after a failure";
        EXPECT_EQ(vorkel::sim::open_handles(), 0u);
    }
}

TEST_F(ReadCommands, UnpluggedAfterTheRequestGivesAnEmptyText) {
    vorkel::sim::unplug_after_reports(1);
    std::vector<char> out(12288, 'x');
    EXPECT_TRUE(RCodeTypeData(out.data()));
    EXPECT_STREQ(out.data(), "");
    EXPECT_FALSE(link_state());
}

}  // namespace
