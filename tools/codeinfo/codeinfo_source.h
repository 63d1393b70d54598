// Reader of the readable code-type sources in data/codeinfo/. Each source file
// lists code types in the order the analysis should try them; the reader checks
// every limit the analysis and the encoders rely on and reports the first
// problem as "file:line: message".
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ircode/codeinfo_writer.h"

namespace orvalin::codeinfo {

class SourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses one source text. `file_name` is used in messages only. Throws SourceError.
std::vector<ircode::CodeTypeDescription> parse_source(std::string_view text,
                                                      const std::string& file_name);

// Reads and parses the files in the order given; a name used twice across the
// files is an error. Throws SourceError.
std::vector<ircode::CodeTypeDescription> read_sources(const std::vector<std::string>& paths);

}  // namespace orvalin::codeinfo
