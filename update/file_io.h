// Small POSIX file helpers shared by the download, record and install code.
#pragma once

#include <cstddef>

namespace orvalin::update {

// Writes all of data to fd, retrying after interrupts; false on any error.
bool write_all(int fd, const char* data, std::size_t size);

}  // namespace orvalin::update
