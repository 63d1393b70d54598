// The fallback converter as orvalin-cli asks it: the library named by file, the
// program's request text, its answer accepted only as a one-key table for the key.
#pragma once

#include <filesystem>
#include <string>

namespace orvalin::cli {

struct ConverterAnswer {
    std::string table;  // one-key table; empty when the converter learned nothing
    std::string shape;  // the shape it learned, when it says (CominputShape)
    std::string error;  // why there is no answer, when the library cannot be used
};

// timing: the whole timing text; key: the table code (0..255).
ConverterAnswer ask_converter(const std::filesystem::path& library, const std::string& timing,
                              int key);

}  // namespace orvalin::cli
