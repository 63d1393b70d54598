#include "learning/table_layout.h"

#include "common/hex_text.h"

namespace orvalin::learning {
namespace {

constexpr std::size_t kRecordChars = 16;

// Digits of a piece: `bytes` bytes at byte `offset` of the table.
TableError read_piece(std::string_view text, long offset, long bytes, std::string_view& piece) {
    if (bytes > kMaxPieceBytes) return TableError::piece_too_long;
    if (bytes == 0) {
        piece = {};
        return TableError::none;
    }
    const std::size_t start = 2 * static_cast<std::size_t>(offset);
    const std::size_t count = 2 * static_cast<std::size_t>(bytes);
    if (start > text.size() || count > text.size() - start) return TableError::malformed;
    piece = text.substr(start, count);
    return hex::is_hex_text(piece) ? TableError::none : TableError::malformed;
}

long word_le(std::string_view text, std::size_t pos) {
    const long low = hex::number_at(text, pos, 2);
    const long high = hex::number_at(text, pos + 2, 2);
    return (low < 0 || high < 0) ? -1 : high * 256 + low;
}

}  // namespace

TableError read_table(std::string_view text, TableLayout& layout) {
    layout = {};
    const int link_count = hex::byte_at(text, 0);
    if (link_count < 0) return TableError::malformed;
    const std::size_t links_end = 2 + 4 * static_cast<std::size_t>(link_count);
    if (links_end > text.size()) return TableError::malformed;
    layout.links = text.substr(0, links_end);
    layout.pairs.reserve(link_count);
    for (std::size_t pos = 2; pos < links_end; pos += 4) {
        LinkPair pair;
        pair.text = text.substr(pos, 4);
        pair.first = text.substr(pos, 2);
        pair.second = text.substr(pos + 2, 2);
        pair.second_code = hex::byte_at(text, pos + 2);
        if (hex::byte_at(text, pos) < 0 || pair.second_code < 0) return TableError::malformed;
        layout.pairs.push_back(pair);
    }

    const int record_count = hex::byte_at(text, links_end);
    if (record_count < 0) return TableError::malformed;
    const std::size_t records_begin = links_end + 2;
    if (kRecordChars * record_count > text.size() - records_begin) return TableError::malformed;
    layout.records.reserve(record_count);
    for (int i = 0; i < record_count; ++i) {
        const std::size_t pos = records_begin + kRecordChars * i;
        TableRecord record;
        record.text = text.substr(pos, kRecordChars);
        record.code = record.text.substr(0, 2);
        record.attr = record.text.substr(2, 2);
        record.table_code = hex::byte_at(record.text, 0);
        record.attribute = hex::byte_at(record.text, 2);
        const long type_offset = word_le(record.text, 4);
        const long type_len = hex::byte_at(record.text, 8);
        const long key_offset = word_le(record.text, 10);
        const long key_len = hex::byte_at(record.text, 14);
        if (record.table_code < 0 || record.attribute < 0 || type_offset < 0 || type_len < 0 ||
            key_offset < 0 || key_len < 0)
            return TableError::malformed;
        if (const auto e = read_piece(text, type_offset, type_len, record.type_data);
            e != TableError::none)
            return e;
        if (const auto e = read_piece(text, key_offset, key_len, record.key_data);
            e != TableError::none)
            return e;
        record.type_len = static_cast<int>(type_len);
        record.key_len = static_cast<int>(key_len);
        layout.records.push_back(record);
    }
    return TableError::none;
}

TableError read_one_key(std::string_view text, OneKeyTable& key) {
    key = {};
    // "00" links, "01" record, then the record's sixteen digits.
    constexpr std::size_t kHeaderChars = 4 + kRecordChars;
    if (text.size() < kHeaderChars || text.substr(0, 4) != "0001" ||
        !hex::is_hex_text(text.substr(0, kHeaderChars)))
        return TableError::malformed;
    key.code = text.substr(4, 2);
    key.table_code = hex::byte_at(text, 4);
    key.type_len = hex::byte_at(text, 12);
    key.key_len = hex::byte_at(text, 18);
    if (key.removes_key()) return TableError::none;
    if (key.type_len > kMaxPieceBytes || key.key_len > kMaxPieceBytes)
        return TableError::piece_too_long;
    const std::size_t type_chars = 2 * static_cast<std::size_t>(key.type_len);
    const std::size_t key_chars = 2 * static_cast<std::size_t>(key.key_len);
    if (text.size() - kHeaderChars < type_chars + key_chars) return TableError::malformed;
    key.type_data = text.substr(kHeaderChars, type_chars);
    key.key_data = text.substr(kHeaderChars + type_chars, key_chars);
    if (!hex::is_hex_text(key.type_data) || !hex::is_hex_text(key.key_data))
        return TableError::malformed;
    return TableError::none;
}

}  // namespace orvalin::learning
