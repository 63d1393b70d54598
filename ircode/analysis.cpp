#include "ircode/analysis.h"

#include <vector>

#include "ircode/codeinfo_file.h"
#include "ircode/encoder.h"
#include "ircode/frame_matching.h"
#include "ircode/pattern_builder.h"
#include "ircode/symbol_table.h"

namespace orvalin::ircode {

AnalysisResult analyse(std::string_view timing_text, std::int32_t key_number,
                       const std::filesystem::path& codeinfo_path) {
    // The image holds the key number in one byte: no code type can be written otherwise.
    if (key_number < 0 || key_number > 255) return {};
    std::vector<CodeTypeRecord> records;
    if (!LoadCodeInfo(codeinfo_path, records)) return {};
    return analyse_records(timing_text, key_number, records);
}

AnalysisResult analyse_records(std::string_view timing_text, std::int32_t key_number,
                               const std::vector<CodeTypeRecord>& records) {
    AnalysisResult result;
    if (key_number < 0 || key_number > 255) return result;
    for (std::size_t index = 0; index < records.size(); ++index) {
        const CodeTypeRecord& record = records[index];
        if (!IsWellFormed(record) || record.symbol_count() == 0) continue;
        const SymbolTable symbols = BuildSymbolTable(record);
        const std::optional<Pattern> pattern = BuildPattern(record);
        if (!pattern) continue;
        const FrameMatch match = MatchFrames(pattern->text, timing_text, symbols);
        // A recording that is not made of numbers cannot fit any code type.
        if (match.conversion_failed) return result;
        if (match.matched.empty()) continue;
        std::optional<std::string> table =
            EncodeCodeType(record, match.matched, key_number, pattern->variables, symbols);
        if (!table) continue;
        result.table = std::move(*table);
        result.type_name = record.name_text();
        result.record_index = static_cast<int>(index);
        return result;
    }
    return result;
}

std::string AnalyseLearnedCode(std::string_view timing_text, std::int32_t key_number,
                               const std::filesystem::path& codeinfo_path) {
    return analyse(timing_text, key_number, codeinfo_path).table;
}

}  // namespace orvalin::ircode
