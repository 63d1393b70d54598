// Sets a file's last-write time to a local wall-clock time.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <string>

#include "update/local_time.h"

namespace orvalin::update::testing {

inline void set_local_mtime(const std::string& path, LocalSeconds when) {
    const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(when)};
    const auto in_day = when - std::chrono::floor<std::chrono::days>(when);
    std::tm tm{};
    tm.tm_year = static_cast<int>(date.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    tm.tm_sec = static_cast<int>(in_day.count());
    tm.tm_isdst = -1;  // mktime normalises the second count
    const std::time_t t = std::mktime(&tm);
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace orvalin::update::testing
