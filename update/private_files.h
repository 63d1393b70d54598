// Temporary files of the program go into a folder of this user's alone: the
// runtime folder ($XDG_RUNTIME_DIR, checked to be private), else a new folder made
// by mkdtemp. Files are created with O_EXCL | O_NOFOLLOW, so that a name planted by
// someone else, a symbolic link above all, is never written through.
#pragma once

#include <filesystem>
#include <string_view>

namespace orvalin::update {

class PrivateFolder {
  public:
    // runtime: the user's private runtime folder, or empty for a folder of its own
    // under $TMPDIR (else /tmp), removed again with this object.
    explicit PrivateFolder(const std::filesystem::path& runtime);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Empty when no private folder could be had.
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    bool owned_ = false;
};

// Creates file (which must not exist; mode 600, never through a link) holding data;
// false, and no file, on any error.
bool write_new_file(const std::filesystem::path& file, std::string_view data);

}  // namespace orvalin::update
