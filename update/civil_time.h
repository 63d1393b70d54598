// Local ("wall clock") date and time as seconds since 1970-01-01 00:00 of the same
// calendar, without time zone: the update configuration gives local times, and
// file times are compared with them as local times.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace orvalin::update {

using CivilSeconds = std::int64_t;

// nullopt for a date or time that does not exist (month 13, 31 April, 24:00, ...).
std::optional<CivilSeconds> civil_seconds(int year, int month, int day, int hour = 0,
                                          int minute = 0, int second = 0);

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" ('T' also separates), with
// an optional fraction of a second that is dropped.
std::optional<CivilSeconds> parse_iso_datetime(std::string_view text);

// File dates have two-second resolution on the systems the configuration is made
// for, so a file time is rounded down to an even second before it is compared.
CivilSeconds two_second_floor(CivilSeconds t);

// The local last-write time of an open file (fstat), rounded down to two seconds;
// nullopt if the descriptor is not a regular file.
std::optional<CivilSeconds> local_file_time(int fd);

}  // namespace orvalin::update
