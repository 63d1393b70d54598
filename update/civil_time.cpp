#include "update/civil_time.h"

#include <sys/stat.h>

#include <cctype>
#include <ctime>

namespace orvalin::update {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Reads exactly n digits at pos.
std::optional<int> digits(std::string_view s, std::size_t& pos, std::size_t n) {
    if (pos + n > s.size()) return std::nullopt;
    int v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = s[pos + i];
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    pos += n;
    return v;
}

bool expect(std::string_view s, std::size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

std::optional<CivilSeconds> civil_seconds(int year, int month, int day, int hour, int minute,
                                          int second) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return std::nullopt;
    const int days_in_month = kDays[month - 1] + (month == 2 && leap(year) ? 1 : 0);
    if (day > days_in_month || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    return days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second;
}

std::optional<CivilSeconds> parse_iso_datetime(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    std::size_t pos = 0;
    const auto y = digits(text, pos, 4);
    if (!y || !expect(text, pos, '-')) return std::nullopt;
    const auto mo = digits(text, pos, 2);
    if (!mo || !expect(text, pos, '-')) return std::nullopt;
    const auto d = digits(text, pos, 2);
    if (!d) return std::nullopt;
    int h = 0, mi = 0, s = 0;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
        ++pos;
        const auto hh = digits(text, pos, 2);
        if (!hh || !expect(text, pos, ':')) return std::nullopt;
        const auto mm = digits(text, pos, 2);
        if (!mm) return std::nullopt;
        h = *hh;
        mi = *mm;
        if (pos < text.size()) {
            if (!expect(text, pos, ':')) return std::nullopt;
            const auto ss = digits(text, pos, 2);
            if (!ss) return std::nullopt;
            s = *ss;
            if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
                ++pos;
                const std::size_t start = pos;
                while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
                    ++pos;
                if (pos == start) return std::nullopt;
            }
        }
    }
    if (pos != text.size()) return std::nullopt;
    return civil_seconds(*y, *mo, *d, h, mi, s);
}

CivilSeconds two_second_floor(CivilSeconds t) {
    return t - (((t % 2) + 2) % 2);
}

std::optional<CivilSeconds> local_file_time(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const std::time_t t = st.st_mtim.tv_sec;
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return std::nullopt;
    const auto c =
        civil_seconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
    if (!c) return std::nullopt;
    return two_second_floor(*c);
}

}  // namespace orvalin::update
