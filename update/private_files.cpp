#include "update/private_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "update/file_io.h"

namespace orvalin::update {
namespace fs = std::filesystem;

PrivateFolder::PrivateFolder(const fs::path& runtime) {
    if (!runtime.empty()) {
        path_ = runtime;
        return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        (fs::path(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") / "orvalin-XXXXXX").string();
    // mkdtemp makes the folder with mode 700 under a name nobody could guess.
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
        owned_ = true;
    }
}

PrivateFolder::~PrivateFolder() {
    if (!owned_) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

bool write_new_file(const fs::path& file, std::string_view data) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = write_all(fd, data.data(), data.size());
    ok = ::close(fd) == 0 && ok;
    if (!ok) ::unlink(file.c_str());
    return ok;
}

}  // namespace orvalin::update
