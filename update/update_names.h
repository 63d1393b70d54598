// Names from the update configuration become file names in the program folder and
// the update folder, and parts of download URLs: only a plain base name may pass.
#pragma once

#include <string_view>

namespace orvalin::update {

// A base name of letters, digits, '_', '-' and '.', 1 to 64 characters, not
// starting with '.', with no ".." in it. Anything with a path separator, a drive
// letter, spaces or control characters is refused.
bool is_safe_base_name(std::string_view name);

// The same rule for a file name that must also end with ".dll" (the staged files).
bool is_safe_file_name(std::string_view file);

}  // namespace orvalin::update
