// The outside code converter "quendrix.dll": asked for a one-key table when no
// code type of the code-info file fits a learned signal. Loaded by file name from
// the program folder; its export "Cominput" takes and returns zero-terminated text
// in the GBK code page. Qt-free.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvalin::learning {

inline constexpr const char* kFallbackLibraryName = "quendrix.dll";
inline constexpr const char* kFallbackExportName = "Cominput";
// Optional: our own converter also says what shape it learned (for orvalin-cli).
inline constexpr const char* kFallbackShapeExportName = "CominputShape";

// Drops a first frame that is a single mark of less than 30 microseconds (the mark
// and the gap block after it) and lowers the frame count by one.
std::string drop_short_first_frame(std::string timing_text);

// The request text (UTF-8): "#99|01" + table code + CR LF + "0:按钮0:{X=310,Y=120}|" +
// timing text + CR LF.
std::string fallback_request(std::string_view timing_text, std::string_view table_code);

// Text conversions across the library boundary; nullopt-like empty result with
// ok=false when the text cannot be converted.
struct Converted {
    bool ok = false;
    std::string text;
};
Converted utf8_to_gbk(std::string_view utf8);
Converted gbk_to_utf8(std::string_view gbk);

struct FallbackAnswer {
    bool loaded = false;      // the library was found and loaded
    bool has_export = false;  // it exports "Cominput"
    std::string answer;       // its answer as UTF-8; empty when there is none
    std::string shape;        // what it learned, where the library says (UTF-8)
    std::string error;        // why there is no answer (for the diagnostic memo)
};

// The converter's exports, from the one loader that every caller goes through: a
// library with "Cominput" stays loaded for the life of the process.
using ConverterExport = const char* (*)(const char*);
struct ConverterLibrary {
    bool loaded = false;                 // the file was found and loaded
    ConverterExport cominput = nullptr;  // "Cominput"; null when missing
    ConverterExport shape = nullptr;     // "CominputShape", when the library has it
    std::string error;                   // why there is no "Cominput"
};
ConverterLibrary load_converter(const std::filesystem::path& file);

// Loads program_dir/quendrix.dll (it stays loaded when it has the export) and
// hands it the request.
FallbackAnswer ask_fallback_converter(const std::filesystem::path& program_dir,
                                      std::string_view request_utf8);
// The same with the library's file named.
FallbackAnswer ask_converter_file(const std::filesystem::path& file, std::string_view request_utf8);

// True when text is a one-key table for table_code that holds a code: no link
// pairs, one record with that code, type and key lengths above zero and both
// pieces present as hex digits.
bool is_one_key_table_for(std::string_view text, std::string_view table_code);

}  // namespace orvalin::learning
