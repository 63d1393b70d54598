// Where a download lands: a new file in the update folder that takes at most the
// size the configuration announced. More bytes than that mean a wrong file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace orvalin::update {

class DownloadSink {
  public:
    // Replaces any file of that name; never writes through a symbolic link.
    DownloadSink(const std::filesystem::path& file, std::uint64_t limit);
    ~DownloadSink();
    DownloadSink(const DownloadSink&) = delete;
    DownloadSink& operator=(const DownloadSink&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // false ends the transfer: a write error, or the body went past the limit (only
    // the bytes up to the limit are kept).
    bool write(const char* data, std::size_t size);
    // Closes the file; false if closing failed.
    bool close();

    std::uint64_t written() const { return written_; }
    bool overflowed() const { return overflowed_; }
    bool failed() const { return failed_; }

  private:
    int fd_ = -1;
    std::uint64_t limit_;
    std::uint64_t written_ = 0;
    bool overflowed_ = false;
    bool failed_ = false;
};

}  // namespace orvalin::update
