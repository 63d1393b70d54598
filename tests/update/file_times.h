// Sets a file's last-write time to a local wall-clock time (civil seconds).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "update/civil_time.h"

namespace orvalin::update::testing {

inline void set_local_mtime(const std::string& path, CivilSeconds civil) {
    std::tm tm{};
    tm.tm_year = 70;
    tm.tm_mday = static_cast<int>(1 + civil / 86400);
    tm.tm_sec = static_cast<int>(civil % 86400);
    tm.tm_isdst = -1;  // mktime normalises the day and second counts
    const std::time_t t = std::mktime(&tm);
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace orvalin::update::testing
