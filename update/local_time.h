// Local ("wall clock") dates and times on std::chrono's calendar types, without a
// time zone: the update configuration gives local times, and file times are
// compared with them as local times.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace orvalin::update {

using LocalSeconds = std::chrono::local_seconds;

// nullopt for a date or time that does not exist (month 13, 31 April, 24:00, ...)
// or a year outside 1 .. 9999.
std::optional<LocalSeconds> local_time(int year, int month, int day, int hour = 0, int minute = 0,
                                       int second = 0);

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" ('T' also separates), with
// an optional fraction of a second that is dropped.
std::optional<LocalSeconds> parse_iso_datetime(std::string_view text);

// File dates have two-second resolution on the systems the configuration is made
// for, so a file time is rounded down to an even second before it is compared.
LocalSeconds two_second_floor(LocalSeconds t);

// The local last-write time of an open file (fstat), rounded down to two seconds;
// nullopt if the descriptor is not a regular file.
std::optional<LocalSeconds> local_file_time(int fd);

}  // namespace orvalin::update
