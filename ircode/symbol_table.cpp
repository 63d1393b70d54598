#include "ircode/symbol_table.h"

#include <algorithm>

#include "ircode/code_item.h"

namespace orvalin::ircode {

SymbolTable BuildSymbolTable(const CodeTypeRecord& record) {
    SymbolTable table;
    table.count = std::clamp(record.symbol_count(), 0, 4);
    for (int k = 0; k < table.count; ++k) {
        table.length[k] = std::clamp(record.symbol_length(k), 0, 6);
        for (int i = 0; i < table.length[k]; ++i) {
            table.nominal[k][i] = DecodeItem(record.symbol_item(k, i), record) / 100;
        }
    }
    table.positions = table.count > 0 ? table.length[table.count - 1] : 0;
    return table;
}

}  // namespace orvalin::ircode
