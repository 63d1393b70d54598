// Recognition of a learned code: the timing text is matched against the code
// types of the code-info file, and the first that fits is encoded as a one-key
// table. Qt-free; reads the code-info file afresh on every call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ircode/codeinfo_file.h"

namespace orvalin::ircode {

// Name of the code-info file in the program folder.
inline constexpr const char* kCodeInfoFileName = "QZ01.csl";

struct AnalysisResult {
    std::string table;      // one-key table (hex text); empty when no code type fits
    std::string type_name;  // name of the fitting record; empty when none fits
    int record_index = -1;
};

// timing_text: the timing text without its first five characters (frame count and
// carrier). Never throws: a text that does not convert gives "no fit".
AnalysisResult analyse(std::string_view timing_text, std::int32_t key_number,
                       const std::filesystem::path& codeinfo_path);

// The same against records already loaded (tools, fuzzing). Records that are not
// well formed or have no symbols are passed over.
AnalysisResult analyse_records(std::string_view timing_text, std::int32_t key_number,
                               const std::vector<CodeTypeRecord>& records);

// The analysis as the program calls it: the one-key table, or empty text.
std::string AnalyseLearnedCode(std::string_view timing_text, std::int32_t key_number,
                               const std::filesystem::path& codeinfo_path);

}  // namespace orvalin::ircode
