// The irdb CSV layout: Brand/Type/Device,Subdevice.csv, one row per key
// "functionname,protocol,device,subdevice,function" (subdevice -1: none). Rows
// of protocols our generators know become signals; the others are kept with the
// reason they cannot be.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::library {

struct UnsupportedRow {
    std::string name;
    std::string reason;
};

struct IrdbFile {
    std::vector<formats::CodeSignal> signals;
    std::vector<UnsupportedRow> unsupported;
};

// Whether a file's first line is the irdb header.
bool looks_like_irdb_csv(std::string_view content);

// The rows of one file; nullopt with "<file>:<line>: ..." when a row is malformed.
std::optional<IrdbFile> read_irdb_csv(std::string_view content, const std::string& file_name,
                                      std::string* error);

}  // namespace orvalin::library
