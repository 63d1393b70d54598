#include "app/help_page.h"

#include <array>
#include <system_error>

namespace orvalin::app {

std::optional<std::filesystem::path> find_manual_page(const std::filesystem::path& program_dir,
                                                      const std::filesystem::path& doc_dir,
                                                      std::string_view language) {
    const std::array<std::string_view, 2> languages{language, "zh"};
    const std::array<const std::filesystem::path*, 2> folders{&program_dir, &doc_dir};
    for (const std::string_view lang : languages) {
        if (lang.empty() || lang.find('/') != std::string_view::npos || lang == "..") continue;
        for (const std::filesystem::path* folder : folders) {
            if (folder->empty() || !folder->is_absolute()) continue;
            const std::filesystem::path page = *folder / "manual" / lang / "index.html";
            std::error_code error;
            if (std::filesystem::is_regular_file(page, error)) return page;
        }
    }
    return std::nullopt;
}

}  // namespace orvalin::app
