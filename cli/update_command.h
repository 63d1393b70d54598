// orvalin-cli update: what a server offers, fetching and installing a signed
// update, undoing the last one, and where each data file is taken from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/data_files.h"
#include "update/http_client.h"
#include "update/signature.h"

namespace orvalin::cli {

// What the command works with; run_update takes the program's own.
struct UpdateSetup {
    std::optional<update::PublicKey> key;  // none: this build takes no online updates
    UserFolders folders;
    std::filesystem::path program_dir;
    update::HttpOptions http;
    // The release the program folder's data files count as (see data_file).
    std::optional<std::uint64_t> package_serial = package_data_serial();
};

int run_update_with(const std::vector<std::string>& args, Streams io, const UpdateSetup& setup);

}  // namespace orvalin::cli
