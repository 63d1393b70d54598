#include "device/write_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/hex_text.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "sim_fixture.h"

namespace {

using WriteCommands = SimRemoteTest;

// Hex text whose byte k is k mod 251 (no block looks like another).
std::string pattern_text(std::size_t characters) {
    std::string text;
    for (std::size_t k = 0; text.size() < characters; ++k) {
        const auto b = static_cast<uint8_t>(k % 251);
        orvalin::hex::append_bytes(text, &b, 1);
    }
    text.resize(characters);
    return text;
}

// The reports a block write must send, built from the documented layout.
std::vector<Report> expected_blocks(uint8_t command, uint8_t first_page, const std::string& text) {
    const std::size_t block = command == 0xC0 ? 32 : 8;
    std::vector<uint8_t> bytes = vorkel::hex_to_bytes(text);
    const std::size_t blocks = (text.size() + 2 * block - 1) / (2 * block);
    bytes.resize(blocks * block, vorkel::kBlockFill);
    std::vector<Report> out;
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::size_t start = i * block;
        out.push_back(
            report({command, static_cast<uint8_t>(start % 256),
                    static_cast<uint8_t>(first_page + start / 256), 0x03, 0x03, 0x04, 0x05, 0x06}));
        for (std::size_t at = start; at < start + block; at += 8) {
            Report data{};
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), 8, data.begin() + 1);
            out.push_back(data);
        }
    }
    return out;
}

TEST_F(WriteCommands, CodeTableWritesOf64_576And11264Characters) {
    {
        vorkel::sim::clear_records();
        const std::string text = pattern_text(64);
        ASSERT_TRUE(WCodeTypeData(text.c_str()));
        const auto reports = vorkel::sim::reports();
        ASSERT_EQ(reports.size(), 5u);
        EXPECT_EQ(reports[0], report({0xC0, 0x00, 0xDA, 0x03, 0x03, 0x04, 0x05, 0x06}));
        EXPECT_EQ(reports[1], report({0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}));
        EXPECT_EQ(reports[4], report({0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F}));
    }
    {
        vorkel::sim::clear_records();
        const std::string text = pattern_text(576);
        ASSERT_TRUE(WCodeTypeData(text.c_str()));
        const auto reports = vorkel::sim::reports();
        EXPECT_EQ(reports, expected_blocks(0xC0, 0xDA, text));
        ASSERT_EQ(reports.size(), 45u);
        EXPECT_EQ(reports[35], report({0xC0, 0xE0, 0xDA, 0x03, 0x03, 0x04, 0x05, 0x06}));
        EXPECT_EQ(reports[40], report({0xC0, 0x00, 0xDB, 0x03, 0x03, 0x04, 0x05, 0x06}));
    }
    {
        vorkel::sim::clear_records();
        const std::string text = pattern_text(11264);
        ASSERT_TRUE(WCodeTypeData(text.c_str()));
        const auto reports = vorkel::sim::reports();
        EXPECT_EQ(reports, expected_blocks(0xC0, 0xDA, text.substr(0, 8200)));
        ASSERT_EQ(reports.size(), 645u);
        EXPECT_EQ(reports[640], report({0xC0, 0x00, 0xEA, 0x03, 0x03, 0x04, 0x05, 0x06}));
        // 4100 bytes written; bytes 4100..4127 of the last block carry the fill value.
        const auto memory = vorkel::sim::code_table(4128);
        EXPECT_EQ(memory[4099], 4099 % 251);
        EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 4100, memory.end()),
                  std::vector<uint8_t>(28, vorkel::kBlockFill));
        EXPECT_EQ(vorkel::sim::code_table_writes(), 3u);
    }
}

TEST_F(WriteCommands, TextWritesLandInMemory) {
    struct Case {
        const char* name;
        bool (*write)(const char*);
        uint8_t page;
        std::size_t characters;
        std::size_t limit;
    };
    const Case cases[] = {
        {"code table", WCodeTypeData, 0xDA, 8200, 8200},
        {"code table ut", WCodeTypeDataut, 0xED, 300, 8200},
        {"D900", WINTPro_D900, 0xD9, 600, 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = pattern_text(c.characters);
        ASSERT_TRUE(c.write(text.c_str()));
        const std::size_t bytes = std::min(c.characters, c.limit) / 2;
        EXPECT_EQ(vorkel::sim::read_memory(c.page, 0, bytes),
                  vorkel::hex_to_bytes(text.substr(0, bytes * 2)));
    }
    // Read back through the export: what was written is what is read.
    std::vector<char> out(12288, '\0');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    EXPECT_EQ(std::string(out.data()).substr(0, 8200), pattern_text(8200));
}

TEST_F(WriteCommands, EmptyTextsAndShortD900) {
    const Report closing = report({0x20, 0x20, 0xFF, 0x02, 0x03, 0x04, 0x05, 0x06});
    EXPECT_TRUE(WCodeTypeData(""));
    EXPECT_TRUE(WINTPro_D900(""));
    EXPECT_TRUE(vorkel::sim::reports().empty());
    EXPECT_TRUE(WCodeTypeDataut(""));
    EXPECT_EQ(vorkel::sim::reports(), std::vector<Report>{closing});

    vorkel::sim::clear_records();
    const std::string text = "0102030405060708090A";  // 20 characters: 10 bytes, two blocks
    ASSERT_TRUE(WINTPro_D900(text.c_str()));
    EXPECT_EQ(vorkel::sim::reports(),
              (std::vector<Report>{report({0xC8, 0x00, 0xD9, 0x03, 0x03, 0x04, 0x05, 0x06}),
                                   report({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}),
                                   report({0xC8, 0x08, 0xD9, 0x03, 0x03, 0x04, 0x05, 0x06}),
                                   report({0x09, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})}));

    vorkel::sim::clear_records();
    const std::string ut = pattern_text(64);
    ASSERT_TRUE(WCodeTypeDataut(ut.c_str()));
    auto expected = expected_blocks(0xC0, 0xED, ut);
    expected.push_back(closing);
    EXPECT_EQ(vorkel::sim::reports(), expected);
}

TEST_F(WriteCommands, NonHexPairsAreConvertedNotRefused) {
    ASSERT_TRUE(WINTPro_D900("0G1g0a0AzzFFff7"));
    EXPECT_EQ(vorkel::sim::read_memory(0xD9, 0, 8),
              (std::vector<uint8_t>{0x00, 0x01, 0x0A, 0x0A, 0x00, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(WCodeTypeData(nullptr));
    EXPECT_EQ(vorkel::sim::reports().size(), 2u) << "a null text sends nothing";
}

TEST_F(WriteCommands, FixedWritesAndCarrierCommand) {
    struct Case {
        const char* name;
        bool (*command)();
        std::vector<Report> reports;
    };
    const Case cases[] = {
        {"SetAddress",
         SetAddress,
         {report({0xC8, 0x30, 0xD0, 0x03, 0x03, 0x04, 0x05, 0x06}),
          report({0x00, 0xD1, 0x00, 0xD9, 0x03, 0x04, 0x05, 0x06})}},
        {"SetFlag",
         SetFlag,
         {report({0xC8, 0x20, 0xD0, 0x03, 0x03, 0x04, 0x05, 0x06}),
          report({0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x04, 0x05, 0x06})}},
        {"SetCodeCarrierWave",
         SetCodeCarrierWave,
         {report({0x20, 0x20, 0xB4, 0x02, 0x03, 0x04, 0x05, 0x06})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::reset();
        ASSERT_TRUE(c.command());
        EXPECT_EQ(vorkel::sim::reports(), c.reports);
        for (std::size_t refused = 0; refused < c.reports.size(); ++refused) {
            vorkel::sim::clear_records();
            vorkel::sim::refuse_report_at(refused);
            EXPECT_FALSE(c.command()) << "report " << refused << " refused";
            EXPECT_EQ(vorkel::sim::reports().size(), refused) << "nothing sent after the refusal";
            EXPECT_EQ(vorkel::sim::open_handles(), 0u);
        }
    }
    vorkel::sim::reset();
    ASSERT_TRUE(SetFlag());
    ASSERT_TRUE(SetAddress());
    EXPECT_EQ(vorkel::sim::read_memory(0xD0, 32, 8),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x04, 0x05, 0x06}));
    EXPECT_EQ(vorkel::sim::read_memory(0xD0, 48, 8),
              (std::vector<uint8_t>{0x00, 0xD1, 0x00, 0xD9, 0x03, 0x04, 0x05, 0x06}));
}

TEST_F(WriteCommands, CarrierCommandReachesTheRemoteBehindAnotherDevice) {
    vorkel::sim::add_other_device(0x046D, 0xC077, true, true);
    ASSERT_TRUE(SetCodeCarrierWave());
    const auto devices = vorkel::sim::devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_FALSE(devices[0].remote);
    EXPECT_EQ(devices[0].reports_received, 0u);
    EXPECT_EQ(devices[1].reports_received, 1u);
    vorkel::sim::refuse_report_at(0);
    EXPECT_FALSE(SetCodeCarrierWave()) << "the result is that of the write to the remote";
}

TEST_F(WriteCommands, RefusedReportStopsAtOnceAndKeepsEarlierBlocks) {
    const std::vector<uint8_t> before = vorkel::sim::code_table(256);
    const std::string text = pattern_text(256);  // four blocks, 20 reports
    // Refuse the header of block 2 (report 10), then a data report of block 2 (report 12).
    for (std::size_t refused : {10u, 12u}) {
        SCOPED_TRACE(refused);
        vorkel::sim::set_code_table(before);
        vorkel::sim::clear_records();
        vorkel::sim::refuse_report_at(refused);
        EXPECT_FALSE(WCodeTypeData(text.c_str()));
        // A refused header sends nothing more; a refused data report is followed by
        // closing commands for the three data reports the remote still counts.
        const auto sent = vorkel::sim::reports();
        ASSERT_EQ(sent.size(), refused == 10u ? 10u : 15u);
        for (std::size_t i = refused; i < sent.size(); ++i)
            EXPECT_EQ(sent[i], report({0x20, 0x20, 0xFF, 0x02, 0x03, 0x04, 0x05, 0x06}));
        const auto memory = vorkel::sim::code_table(256);
        const auto wanted = vorkel::hex_to_bytes(text);
        EXPECT_TRUE(std::equal(wanted.begin(), wanted.begin() + 64, memory.begin()))
            << "blocks 0 and 1 stay written";
        EXPECT_TRUE(std::equal(before.begin() + 96, before.end(), memory.begin() + 96))
            << "block 3 never sent";
    }
}

// A data report refused inside a block: the next write's header is not taken as
// data, so that write lands whole.
TEST_F(WriteCommands, WriteAfterARefusedDataReportLandsWhole) {
    const std::string first = pattern_text(512);
    std::string second = pattern_text(512);
    std::reverse(second.begin(), second.end());
    for (const std::size_t refused : {1u, 2u, 3u, 4u, 12u, 24u}) {
        SCOPED_TRACE(refused);
        vorkel::sim::refuse_report_at(refused);
        EXPECT_FALSE(WCodeTypeData(first.c_str()));
        ASSERT_TRUE(WCodeTypeData(second.c_str()));
        const auto memory = vorkel::sim::code_table(256);
        EXPECT_EQ(memory, vorkel::hex_to_bytes(second));
    }
}

TEST_F(WriteCommands, UnpluggedInTheMiddleOfAWrite) {
    const std::string text = pattern_text(8200);
    vorkel::sim::unplug_after_reports(100);
    EXPECT_FALSE(WCodeTypeData(text.c_str()));
    EXPECT_EQ(vorkel::sim::reports().size(), 100u);
    EXPECT_FALSE(link_state());
}

// Unplugged after a block header and two of its data reports: once plugged back, the
// remote has forgotten the half-sent block, so the next write lands whole.
TEST_F(WriteCommands, WriteAfterReplugLandsWhole) {
    const std::string first = pattern_text(640);
    vorkel::sim::unplug_after_reports(3);
    EXPECT_FALSE(WCodeTypeData(first.c_str()));
    vorkel::sim::set_attached(true);
    const std::string second = pattern_text(8200);
    ASSERT_TRUE(WCodeTypeData(second.c_str()));
    const std::vector<uint8_t> expected = vorkel::hex_to_bytes(second);
    const std::vector<uint8_t> table = vorkel::sim::code_table(expected.size());
    EXPECT_EQ(table, expected);
}

}  // namespace
