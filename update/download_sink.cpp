#include "update/download_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include "update/file_io.h"

namespace orvalin::update {

DownloadSink::DownloadSink(const std::filesystem::path& file, std::uint64_t limit) : limit_(limit) {
    // Unlink first and create exclusively: a link planted under this name is
    // replaced, not followed.
    ::unlink(file.c_str());
    fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    failed_ = fd_ < 0;
}

DownloadSink::~DownloadSink() {
    close();
}

bool DownloadSink::write(const char* data, std::size_t size) {
    if (fd_ < 0 || failed_ || overflowed_) return false;
    std::size_t take = size;
    if (written_ + size > limit_) {
        take = static_cast<std::size_t>(limit_ - written_);
        overflowed_ = true;
    }
    if (!write_all(fd_, data, take)) {
        failed_ = true;
        return false;
    }
    written_ += take;
    return !overflowed_;
}

bool DownloadSink::close() {
    if (fd_ < 0) return !failed_;
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
}

}  // namespace orvalin::update
