// A code file as a user names it: read from disk within a size limit, its
// format told from the content or extension unless given, and one signal
// picked by name. orvalin-cli and the window learn from files through these.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/signal_format.h"

namespace orvalin::formats {

// Far more than any code file of a household's remotes.
inline constexpr std::size_t kMaxCodeFileBytes = 64 * 1024 * 1024;

// A file's text read in the format given or told from it; nullopt with a
// message naming the file (and the line or field) otherwise.
std::optional<SignalFile> parse_code_file(std::string_view text, const std::string& file_name,
                                          std::optional<SignalFormat> format, std::string* error);

// The same from the file at path.
std::optional<SignalFile> load_signal_file(const std::string& path,
                                           std::optional<SignalFormat> format, std::string* error);

// A signal's name as a user gives it: "REMOTE/KEY" where the file groups keys.
std::string listed_name(const CodeSignal& signal);
std::vector<std::string> listed_names(const SignalFile& file);

// The signal of that name, or the only one of the file when no name is given;
// nullptr with a message listing the file's signals otherwise.
const CodeSignal* pick_signal(const SignalFile& file, const std::optional<std::string>& name,
                              std::string* error);

}  // namespace orvalin::formats
