#include "learning/code_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>

#include "common/hex_text.h"
#include "common/ui_text.h"
#include "learning/table_layout.h"

namespace orvalin::learning {
namespace {

constexpr int kSlotCount = 256;
constexpr int kLearnedBit = 0x40;
// Attribute of every record this program creates.
constexpr std::string_view kNewAttr = "CF";

bool ci_less(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return (x >= 'a' && x <= 'z' ? x - 32 : x) < (y >= 'a' && y <= 'z' ? y - 32 : y);
    });
}

bool ci_equal(std::string_view a, std::string_view b) {
    return !ci_less(a, b) && !ci_less(b, a);
}

// Working record of one table code during a rebuild. The texts point into the
// base text or the one-key text, which outlive the rebuild.
struct KeySlot {
    std::string_view code;
    std::string_view attr;
    int type_len = 0;
    int key_len = 0;
    std::string_view type_data;
    std::string_view key_data;
    long type_offset = 0;
    bool used = false;
};

using KeySlots = std::array<KeySlot, kSlotCount>;

// A type piece of three bytes or more gets a place at the cursor; later slots with
// the same piece share that place and drop their copy. Shorter pieces get no place
// (their records keep offset 0), as the tables written so far have them.
void place_type_pieces(KeySlots& slots, long& cursor) {
    std::unordered_map<std::string_view, long> placed;
    placed.reserve(kSlotCount);
    for (KeySlot& slot : slots) {
        if (!slot.used || slot.type_data.size() <= 4) continue;
        const auto [it, fresh] = placed.try_emplace(slot.type_data, cursor);
        slot.type_offset = it->second;
        if (fresh)
            cursor += static_cast<long>(slot.type_data.size() / 2);
        else
            slot.type_data = {};
    }
}

}  // namespace

std::string describe(TableError error) {
    switch (error) {
        case TableError::none:
            return {};
        case TableError::malformed:
            return ORVALIN_UI_TEXT("learning", "遥控器编码表的数据格式不正确，无法处理！");
        case TableError::piece_too_long:
            return ORVALIN_UI_TEXT("learning", "编码数据过长（超过127字节），无法写入遥控器！");
        case TableError::too_large:
            return ORVALIN_UI_TEXT(
                "learning", "编码表超过遥控器能保存的4100字节，无法写入！请先删除一些自学习按键。");
    }
    return ORVALIN_UI_TEXT("learning", "遥控器编码表出错！");
}

std::string table_code(int key_code, int mode) {
    const int code = key_code + 51 * mode;
    if (code < 0 || code > 0xFF) return {};
    std::string text;
    hex::append(text, static_cast<unsigned>(code), 2);
    return text;
}

KeyLinesResult parse_key_lines(std::string_view table_text) {
    TableLayout layout;
    if (const TableError error = read_table(table_text, layout); error != TableError::none)
        return {{}, error};

    KeyLines lines;
    lines.reserve(layout.records.size());
    for (const TableRecord& record : layout.records) {
        std::string line;
        if (record.attribute & kLearnedBit) {
            hex::append(line, static_cast<unsigned>(record.table_code), 2);
            line += "|2";
        } else {
            line.append(record.code);
            line += "|1";
        }
        lines.push_back(std::move(line));
    }
    // A sorted list that ignores duplicates keeps the first of equal lines.
    std::stable_sort(lines.begin(), lines.end(), ci_less);
    lines.erase(std::unique(lines.begin(), lines.end(), ci_equal), lines.end());

    // The second key of a link pair is not listed while it holds a preset code.
    std::erase_if(lines, [&](const std::string& line) {
        return std::any_of(layout.pairs.begin(), layout.pairs.end(), [&](const LinkPair& pair) {
            return line.size() == 4 && ci_equal(line.substr(0, 2), pair.second) &&
                   line.substr(2) == "|1";
        });
    });
    return {std::move(lines), TableError::none};
}

TableResult normalised_table(std::string_view table_text) {
    if (table_text.empty()) return {{}, TableError::malformed};
    for (const char c : table_text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {{}, TableError::malformed};
    // Removing table code FF (beyond the three device modes) rebuilds every record
    // and piece as they are, and nothing of the area after them.
    return rebuild_code_text(table_text, "0001FF00000000000000");
}

TableResult one_key_text(std::string_view table_text, int table_code) {
    TableLayout layout;
    if (const TableError error = read_table(table_text, layout); error != TableError::none)
        return {{}, error};
    for (const TableRecord& r : layout.records) {
        if (r.table_code != table_code || r.type_len == 0 || r.key_len == 0) continue;
        // Offsets in bytes from the start, low byte first: the type piece follows the
        // two count bytes and the record, the key piece follows the type piece.
        auto offset = [](int at) {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            std::string s;
            for (const int b : {at & 0xFF, (at >> 8) & 0xFF}) {
                s += kDigits[b >> 4];
                s += kDigits[b & 0xF];
            }
            return s;
        };
        const int type_at = 2 + 8;
        std::string text = "0001";
        text += r.code;
        text += r.attr;
        text += offset(type_at);
        text += r.text.substr(8, 2);
        text += offset(type_at + r.type_len);
        text += r.text.substr(14, 2);
        text += r.type_data;
        text += r.key_data;
        return {std::move(text), TableError::none};
    }
    return {{}, TableError::malformed};
}

TableResult rebuild_code_text(std::string_view base_text, std::string_view one_key_text) {
    TableLayout base;
    if (const TableError error = read_table(base_text, base); error != TableError::none)
        return {{}, error};
    OneKeyTable key;
    if (const TableError error = read_one_key(one_key_text, key); error != TableError::none)
        return {{}, error};

    KeySlots slots;
    for (const TableRecord& record : base.records) {
        KeySlot& slot = slots[record.table_code];
        slot = {record.code,
                record.attr,
                record.type_len,
                record.key_len,
                record.type_data,
                record.key_data,
                0,
                true};
    }
    KeySlot& changed = slots[key.table_code];
    changed = {key.code, kNewAttr, key.type_len, key.key_len, {}, {}, 0, false};
    if (!key.removes_key()) {
        changed.type_data = key.type_data;
        changed.key_data = key.key_data;
        changed.used = true;
    }

    // A pair goes, with its partner's record, when either of its keys changes.
    std::vector<std::string_view> kept_pairs;
    kept_pairs.reserve(base.pairs.size());
    for (const LinkPair& pair : base.pairs) {
        if (key.code == pair.first)
            slots[pair.second_code].used = false;
        else if (key.code == pair.second)
            slots[hex::byte_at(pair.first, 0)].used = false;
        else
            kept_pairs.push_back(pair.text);
    }

    const long used =
        std::count_if(slots.begin(), slots.end(), [](const KeySlot& s) { return s.used; });
    if (used > 0xFF) return {{}, TableError::too_large};  // the record count is one byte

    const std::size_t head_chars = 2 + 4 * kept_pairs.size() + 2;
    long cursor = static_cast<long>(head_chars + 16 * used) / 2;
    place_type_pieces(slots, cursor);
    long total_bytes = cursor;
    for (const KeySlot& slot : slots)
        if (slot.used) total_bytes += slot.key_len;
    if (2 * static_cast<std::size_t>(total_bytes) > kMaxTableChars)
        return {{}, TableError::too_large};

    std::string out;
    out.reserve(2 * total_bytes);
    hex::append(out, kept_pairs.size(), 2);
    for (std::string_view pair : kept_pairs) out.append(pair);
    hex::append(out, static_cast<unsigned long>(used), 2);
    for (const KeySlot& slot : slots) {
        if (!slot.used) continue;
        out.append(slot.code);
        out.append(slot.attr);
        hex::append_word_le(out, static_cast<unsigned>(slot.type_offset));
        hex::append(out, static_cast<unsigned long>(slot.type_len), 2);
        hex::append_word_le(out, static_cast<unsigned>(cursor));
        hex::append(out, static_cast<unsigned long>(slot.key_len), 2);
        cursor += slot.key_len;
    }
    for (const KeySlot& slot : slots)
        if (slot.used && slot.type_data.size() > 4) out.append(slot.type_data);
    for (const KeySlot& slot : slots)
        if (slot.used) out.append(slot.key_data);
    return {std::move(out), TableError::none};
}

}  // namespace orvalin::learning
