#include "ircode/pattern_builder.h"

#include <cstdlib>
#include <vector>

#include "ircode/code_item.h"
#include "ircode/text_scan.h"

namespace orvalin::ircode {
namespace {

bool AppendPlaceholders(std::string& out, int count) {
    out.append(static_cast<std::size_t>(count), 'u');
    return true;
}

// One sequence's pattern; false when it cannot be written.
bool BuildSequence(const CodeTypeRecord& record, int j, VariableTables& vars, std::string& out) {
    for (int i = 0; i < record.sequence_length(j); ++i) {
        const CodeItem item = record.sequence_item(j, i);
        const std::int64_t v = DecodeItem(item, record);
        if (IsDataField(item)) {
            AppendPlaceholders(out, static_cast<int>(v / 65536));
        } else if (IsToggle(item)) {
            const int width = record.toggle_width();
            if (width == 1) out += 'u';
            if (width >= 2 && width <= 4) out += "uu";
        } else if (IsDuration(item)) {
            const std::int64_t us = std::llabs(v) / 100;
            if (us > 0xFFFF) return false;
            AppendHex4(out, static_cast<std::uint32_t>(us));
        } else if (IsSetA(item)) {
            if (IsSetADefine(item)) {
                const int n = VariableNumber(v, true);
                if (n < 0) return false;
                vars.set_a[n] = static_cast<int>(v % 16);
                AppendPlaceholders(out, vars.set_a[n]);
            } else {
                const int n = VariableNumber(v, false);
                if (n < 0) return false;
                AppendPlaceholders(out, vars.set_a[n]);
            }
        } else if (IsSetBDefine(item)) {
            const int n = VariableNumber(v, true);
            if (n < 0) return false;
            vars.set_b[n] = static_cast<int>(v % 16);
            AppendPlaceholders(out, vars.set_b[n]);
        } else {
            const int n = VariableNumber(v, false);
            if (n < 0) return false;
            AppendPlaceholders(out, vars.set_b[n]);
        }
    }
    return true;
}

void AppendSeparator(std::string& out, CodeItem entry) {
    out += IsPeriodEntry(entry) ? 'h' : 't';
    AppendHex4(out, EntryTime(entry) / 100);
}

}  // namespace

int VariableNumber(std::int64_t value, bool by_div) {
    if (value < 0) return -1;
    const std::int64_t n = by_div ? value / 16 : value % 16;
    return n < 4 ? static_cast<int>(n) : -1;
}

std::optional<Pattern> BuildPattern(const CodeTypeRecord& record) {
    if (!IsWellFormed(record)) return std::nullopt;
    Pattern pattern;
    std::vector<std::string> seq(static_cast<std::size_t>(record.sequence_count()));
    for (int j = 0; j < record.sequence_count(); ++j) {
        if (!BuildSequence(record, j, pattern.variables, seq[static_cast<std::size_t>(j)])) {
            return std::nullopt;
        }
    }
    auto sequence = [&](CodeItem entry) -> const std::string& {
        return seq.at(static_cast<std::size_t>(EntrySequence(entry)));
    };
    if (!seq.empty()) pattern.text = seq[0];
    const int order_count = record.frame_order_count();
    for (int i = 1; i < order_count; ++i) {
        const CodeItem entry = record.frame_order_entry(i);
        AppendSeparator(pattern.text, entry);
        pattern.text += sequence(entry);
    }
    for (int i = order_count - record.repeat_tail(); i < order_count; ++i) {
        const CodeItem entry = record.frame_order_entry(i);
        AppendSeparator(pattern.text, entry);
        pattern.text += sequence(entry);
    }
    return pattern;
}

}  // namespace orvalin::ircode
