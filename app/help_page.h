// Where 帮助 finds the user manual: among the program's own data only, never in
// the current folder (a folder the user happens to be in may hold anything).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace orvalin::app {

// The manual's page for language ("zh", "en"): manual/LANGUAGE/index.html in the
// program folder, then in the installed documentation folder; the Chinese page
// when that language has none. Only absolute folders are searched; nothing when no
// page exists.
std::optional<std::filesystem::path> find_manual_page(const std::filesystem::path& program_dir,
                                                      const std::filesystem::path& doc_dir,
                                                      std::string_view language);

}  // namespace orvalin::app
