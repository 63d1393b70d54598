// Names from the update configuration become file names in the program folder,
// the staging folder and the overlay, and parts of download URLs: only a plain
// base name may pass, and only data files are ever updated, never code.
#pragma once

#include <string>
#include <string_view>

namespace orvalin::update {

// A base name of letters, digits, '_', '-' and '.', 1 to 64 characters, not
// starting with '.', with no ".." in it. Anything with a path separator, a drive
// letter, spaces or control characters is refused.
bool is_safe_base_name(std::string_view name);

// The file a configuration name stands for: name + ".dll", unless the name already
// carries the extension of another data file (".csl" code-info, ".chm" help).
std::string update_file_name(std::string_view name);

// Data files that may be updated online: the picture libraries, the code-info
// file and help files. Code (the fallback converter, the device library, the
// programs) never is, whatever a configuration lists.
bool is_updatable_data_file(std::string_view file);

// A safe name of an updatable data file (what may be staged and installed).
bool is_safe_file_name(std::string_view file);

}  // namespace orvalin::update
