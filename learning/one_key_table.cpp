#include "learning/one_key_table.h"

#include "common/hex_text.h"
#include "learning/table_layout.h"

namespace orvalin::learning {

std::optional<std::string> one_key_table_of(std::string_view table_text, int table_code) {
    TableLayout layout;
    if (read_table(table_text, layout) != TableError::none) return std::nullopt;
    for (const TableRecord& r : layout.records) {
        if (r.table_code != table_code || r.type_len == 0 || r.key_len == 0) continue;
        // Two bytes of counts and eight of the record come before the pieces.
        constexpr unsigned kHeaderBytes = 10;
        std::string out = "0001";
        out.append(r.code);
        out.append(r.attr);
        hex::append_word_le(out, kHeaderBytes);
        hex::append(out, static_cast<unsigned long>(r.type_len), 2);
        hex::append_word_le(out, kHeaderBytes + static_cast<unsigned>(r.type_len));
        hex::append(out, static_cast<unsigned long>(r.key_len), 2);
        out.append(r.type_data);
        out.append(r.key_data);
        return out;
    }
    return std::nullopt;
}

}  // namespace orvalin::learning
