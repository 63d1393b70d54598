#include "update/local_time.h"

#include <sys/stat.h>

#include <ctime>

namespace orvalin::update {
namespace chr = std::chrono;

namespace {

// Reads exactly n digits at pos (GCC 12's library has no chrono::parse).
std::optional<int> digits(std::string_view s, std::size_t& pos, std::size_t n) {
    if (pos + n > s.size()) return std::nullopt;
    int v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = s[pos + i];
        if (c < '0' || c > '9') return std::nullopt;
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

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<LocalSeconds> local_time(int year, int month, int day, int hour, int minute,
                                       int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const chr::year_month_day date{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                   chr::day{static_cast<unsigned>(day)}};
    if (!date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    return chr::local_days{date} + chr::hours{hour} + chr::minutes{minute} + chr::seconds{second};
}

std::optional<LocalSeconds> parse_iso_datetime(std::string_view text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
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
                while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
                if (pos == start) return std::nullopt;
            }
        }
    }
    if (pos != text.size()) return std::nullopt;
    return local_time(*y, *mo, *d, h, mi, s);
}

LocalSeconds two_second_floor(LocalSeconds t) {
    return chr::floor<chr::duration<std::int64_t, std::ratio<2>>>(t);
}

std::optional<LocalSeconds> local_file_time(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const std::time_t t = st.st_mtim.tv_sec;
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return std::nullopt;
    const auto when =
        local_time(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
    if (!when) return std::nullopt;
    return two_second_floor(*when);
}

}  // namespace orvalin::update
