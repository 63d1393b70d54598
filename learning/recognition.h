// Recognition of a learned code in one place: collected text -> timing text ->
// analysis with the code-info file -> the outside converter when no code type
// fits -> the one-key table of the key. The window's end of collection,
// orvalin-cli and the benchmarks all call it. Qt-free.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvalin::learning {

struct Recognition {
    std::string timing;     // the timing text (frame count and carrier included)
    std::string table;      // one-key table for the key; empty when nothing fits
    std::string type_name;  // the fitting code type's name; empty when none fits
    std::string shape;      // a converter's description of what it built; may be empty
    std::string reason;     // why there is no table; empty when there is one
    bool by_converter = false;
    // What each step said, for the diagnostic memo.
    std::string analysis;  // the analysis's answer (empty: no code type fits)
    bool converter_asked = false;
    std::string converter_request;  // UTF-8
    std::string converter_answer;   // UTF-8
    std::string converter_error;
    bool ok() const { return !table.empty(); }
};

// converter: the converter library file; empty for none.
Recognition recognise_timing(std::string timing_text, int table_code,
                             const std::filesystem::path& codeinfo,
                             const std::filesystem::path& converter);

// The same from the collected text of a capture (one character per byte).
Recognition recognise_collected(std::string_view collected_text, int table_code,
                                const std::filesystem::path& codeinfo,
                                const std::filesystem::path& converter);

}  // namespace orvalin::learning
