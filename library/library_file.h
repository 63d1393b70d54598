// One file of the code library read as the library shows it: its brand, model
// and device kind (from where it lies and what it holds), its format and its
// signals by name, or the reader's error. Code files in any format the readers
// know, and the irdb CSV layout.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/device_kind.h"
#include "library/irdb_csv.h"
#include "signals/formats/code_signal.h"

namespace orvalin::library {

struct LibraryFile {
    std::string path;
    std::string format;  // "flipper", "lirc", "pronto", "broadlink", "mode2", "irdb"
    std::string brand;
    std::string model;
    DeviceKind kind = DeviceKind::other;
    std::vector<formats::CodeSignal> signals;
    std::vector<UnsupportedRow> unsupported;  // irdb rows of unknown protocols
    std::string error;                        // the reader's message; empty when read
    bool ok() const { return error.empty(); }
};

// The remotes a file describes, in file order: the groups of its signals when
// it holds several (a LIRC file of several remotes), else one unnamed remote "".
std::vector<std::string> remote_names(const LibraryFile& file);
// The file narrowed to one of its remotes: that remote's signals, its name as
// the model. "" gives the file as it is.
LibraryFile one_remote(const LibraryFile& file, const std::string& remote);

// The format a file of the library is read in, from its name and first bytes;
// nullopt for files that are no code files (read-me files, pictures, lircrc).
std::optional<std::string> library_format(std::string_view file_name, std::string_view head);

// Brand, model and kind from the file's place below the library folder `root`
// (folder names, the file name) and from its signal names.
void describe(LibraryFile& file, const std::filesystem::path& root,
              const std::vector<std::string>& signal_names);

// Reads the file at path (below root); a file that cannot be read comes back
// with its error set, never as a failure of the caller.
LibraryFile read_library_file(const std::filesystem::path& path, const std::filesystem::path& root);

// The same from text already read (for tests and the fuzzer).
LibraryFile parse_library_file(std::string_view text, const std::filesystem::path& path,
                               const std::filesystem::path& root);

}  // namespace orvalin::library
