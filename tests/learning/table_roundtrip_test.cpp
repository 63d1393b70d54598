// Properties of the rebuild over many generated tables: a learned key shows as
// learned and leaves every other key and its pieces as they were; removing a key
// just learned gives the table back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "learning/code_table.h"
#include "table_builder.h"

namespace orvalin::learning {
namespace {

using testing::build_table;
using testing::hex2;
using testing::one_key;
using testing::Rec;

struct Generated {
    std::vector<std::pair<std::string, std::string>> links;
    std::vector<Rec> recs;  // distinct codes, in random order
    std::string text;
};

class TableGenerator {
  public:
    explicit TableGenerator(unsigned start) : rng_(start) {}

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    std::string piece(int min_bytes, int max_bytes) {
        std::string s;
        for (int i = pick(min_bytes, max_bytes); i > 0; --i)
            s += hex2(static_cast<unsigned>(pick(0, 255)));
        return s;
    }

    Generated table() {
        Generated g;
        std::set<int> codes;
        const int count = pick(0, 40);
        while (static_cast<int>(codes.size()) < count) codes.insert(pick(0, 0x98));
        std::vector<std::string> pool = {piece(3, 12), piece(3, 12), piece(1, 2)};
        static const char* const kAttrs[] = {"0F", "4F", "CF", "C7", "00", "40", "8F"};
        for (int code : codes) {
            Rec r;
            r.code = hex2(static_cast<unsigned>(code));
            r.attr = kAttrs[pick(0, 6)];
            const int kind = pick(0, 3);
            r.type = kind < 3 ? pool[kind] : piece(0, 12);
            r.key = piece(0, 12);
            g.recs.push_back(r);
        }
        std::shuffle(g.recs.begin(), g.recs.end(), rng_);
        for (int i = pick(0, 3); i > 0 && g.recs.size() >= 2; --i) {
            const int a = pick(0, static_cast<int>(g.recs.size()) - 1);
            const int b = pick(0, static_cast<int>(g.recs.size()) - 1);
            if (a != b) g.links.emplace_back(g.recs[a].code, g.recs[b].code);
        }
        g.text = build_table(g.links, g.recs);
        return g;
    }

    // A table code that is in no link pair and, when `absent_from` is given, has no
    // record there.
    std::string free_code(const Generated& g, const KeyLines* absent_from = nullptr) {
        for (;;) {
            const std::string code = hex2(static_cast<unsigned>(pick(0, 0x98)));
            const bool linked = std::any_of(g.links.begin(), g.links.end(), [&](const auto& l) {
                return l.first == code || l.second == code;
            });
            const bool present =
                absent_from &&
                std::any_of(absent_from->begin(), absent_from->end(),
                            [&](const std::string& line) { return line.substr(0, 2) == code; });
            const bool has_record = std::any_of(g.recs.begin(), g.recs.end(),
                                                [&](const Rec& r) { return r.code == code; });
            if (!linked && !present && !(absent_from && has_record)) return code;
        }
    }

  private:
    std::mt19937 rng_;
};

// The lines a table must give, worked out from what the generator put in it.
KeyLines expected_lines(const Generated& g) {
    std::map<std::string, char> states;
    for (const Rec& r : g.recs) {
        const bool learned = std::stoi(r.attr, nullptr, 16) & 0x40;
        const bool hidden = std::any_of(g.links.begin(), g.links.end(),
                                        [&](const auto& l) { return l.second == r.code; });
        if (learned || !hidden) states[r.code] = learned ? '2' : '1';
    }
    KeyLines lines;
    for (const auto& [code, state] : states) lines.push_back(code + "|" + state);
    return lines;
}

struct Pieces {
    std::string type, key;
    bool operator==(const Pieces&) const = default;
};

// Pieces of the record for `code`, read straight from the layout.
Pieces pieces_of(const std::string& table, const std::string& code) {
    const std::size_t links = 2 + 4 * std::stoul(table.substr(0, 2), nullptr, 16);
    const std::size_t count = std::stoul(table.substr(links, 2), nullptr, 16);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string rec = table.substr(links + 2 + 16 * i, 16);
        if (rec.substr(0, 2) != code) continue;
        auto word = [&](std::size_t pos) {
            return std::stoul(rec.substr(pos + 2, 2) + rec.substr(pos, 2), nullptr, 16);
        };
        const std::size_t type_len = std::stoul(rec.substr(8, 2), nullptr, 16);
        const std::size_t key_len = std::stoul(rec.substr(14, 2), nullptr, 16);
        return {table.substr(2 * word(4), 2 * type_len), table.substr(2 * word(10), 2 * key_len)};
    }
    ADD_FAILURE() << "no record " << code;
    return {};
}

TEST(RebuildProperty, LearnedKeyShowsAsLearnedAndOtherKeysKeepTheirCodes) {
    TableGenerator gen(20261209);
    for (int round = 0; round < 400; ++round) {
        const Generated g = gen.table();
        SCOPED_TRACE(g.text);
        const KeyLinesResult before = parse_key_lines(g.text);
        ASSERT_TRUE(before.ok());
        ASSERT_EQ(before.lines, expected_lines(g));

        const std::string code = gen.free_code(g);
        const std::string type = gen.piece(3, 12), key = gen.piece(1, 12);
        const TableResult after = rebuild_code_text(g.text, one_key(code, type, key));
        ASSERT_TRUE(after.ok()) << describe(after.error);

        KeyLines want = expected_lines(g);
        std::erase_if(want, [&](const std::string& line) { return line.substr(0, 2) == code; });
        want.push_back(code + "|2");
        std::sort(want.begin(), want.end());
        const KeyLinesResult parsed = parse_key_lines(after.text);
        ASSERT_TRUE(parsed.ok());
        EXPECT_EQ(parsed.lines, want);

        EXPECT_EQ(pieces_of(after.text, code), (Pieces{type, key}));
        for (const Rec& r : g.recs) {
            if (r.code == code) continue;
            const Pieces got = pieces_of(after.text, r.code);
            EXPECT_EQ(got.key, r.key) << r.code;
            // Type pieces of one or two bytes are not stored (offset 0).
            if (r.type.size() > 4) {
                EXPECT_EQ(got.type, r.type) << r.code;
            }
        }
    }
}

TEST(RebuildProperty, RemovingAKeyJustLearnedGivesTheTableBack) {
    TableGenerator gen(7);
    for (int round = 0; round < 400; ++round) {
        const Generated g = gen.table();
        // A table as the rebuild writes it.
        const TableResult written = rebuild_code_text(
            g.text, one_key(gen.free_code(g), gen.piece(1, 12), gen.piece(1, 12)));
        ASSERT_TRUE(written.ok());
        const KeyLinesResult lines = parse_key_lines(written.text);
        ASSERT_TRUE(lines.ok());

        const std::string code = gen.free_code(g, &lines.lines);
        SCOPED_TRACE(written.text + " + " + code);
        const TableResult learned =
            rebuild_code_text(written.text, one_key(code, gen.piece(1, 12), gen.piece(1, 12)));
        ASSERT_TRUE(learned.ok());
        EXPECT_NE(learned.text, written.text);
        const std::string removal =
            round % 2 ? testing::delete_one(code) : testing::clear_one(code);
        const TableResult removed = rebuild_code_text(learned.text, removal);
        ASSERT_TRUE(removed.ok());
        EXPECT_EQ(removed.text, written.text);
    }
}

}  // namespace
}  // namespace orvalin::learning
