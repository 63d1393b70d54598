// A complete, verified update waits in the user's staging folder until the next
// start, when the program (before it loads any data file) installs it: into the
// program folder when that is writable, else into the user's overlay folder. The
// install is all or nothing, and the copies it replaced are kept for one
// rollback. Qt-free.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/data_files.h"
#include "update/signature.h"

namespace orvalin::update {

struct InstallFolders {
    std::filesystem::path program;  // the program folder
    std::filesystem::path staging;  // verified downloads and their record
    std::filesystem::path overlay;  // the user's overlay, used when program is read-only

    static InstallFolders for_program(const std::filesystem::path& program_dir,
                                      const UserFolders& user);
};

struct InstallReport {
    std::vector<std::string> installed;  // files put in place
    std::filesystem::path target;        // the folder they went into
    std::string failure;                 // why nothing was installed (UTF-8); empty otherwise
    bool recovered = false;              // an install cut short earlier was undone
    std::uint64_t serial = 0;            // the release installed (when installed)

    // The text of the box shown once after start; empty when nothing happened.
    std::string message() const;
};

// Installs the staged update, if there is one; never writes outside the program
// folder, the overlay and the staging folder. The configuration it was staged under
// is verified again with key (none: nothing staged is installed), its release must
// not be older than the one accepted, and only files it signs, with its sizes and
// hashes, are installed. A failure leaves every file as it was and drops the staged
// update (the user may fetch it again).
InstallReport install_staged_updates(const InstallFolders& folders,
                                     const std::optional<PublicKey>& key);

// The release the last install put in place (none: the files as shipped, or
// rolled back to them).
std::optional<std::uint64_t> installed_serial(const InstallFolders& folders);

// Is there an install that roll_back_last_install can undo?
bool rollback_available(const InstallFolders& folders);

// Puts back what the last install replaced (files it added are removed); false,
// with the reason in *why, when there is nothing to roll back or it failed.
bool roll_back_last_install(const InstallFolders& folders, std::string* why = nullptr);

}  // namespace orvalin::update
