#include "device/capture_text.h"

#include <cstddef>
#include <string_view>

#include "device/transport.h"

namespace vorkel {

namespace {

constexpr std::string_view kSilenceWord = "7FFF";
constexpr std::size_t kSilenceWords = 20;
constexpr int kMaxRuns = 6;

// Start of the last run of back-to-back "7FFF", counting at most max_runs runs.
std::size_t cut_position(const std::string& h) {
    const int max_runs = h.starts_with(kSilenceWord) ? kMaxRuns + 1 : kMaxRuns;
    std::size_t cut = 0;
    int runs = 0;
    std::size_t previous = std::string::npos;
    for (std::size_t at = h.find(kSilenceWord); at != std::string::npos;
         at = h.find(kSilenceWord, at + 1)) {
        const bool continues = previous != std::string::npos && at == previous + 4;
        previous = at;
        if (continues) continue;
        if (runs == max_runs) break;
        ++runs;
        cut = at;
    }
    return cut;
}

}  // namespace

std::string capture_text(const std::vector<std::uint8_t>& samples,
                         const std::array<std::uint8_t, 3>& status) {
    const std::size_t even = samples.size() & ~std::size_t{1};
    if (even == 0) return {};
    const std::string h = bytes_to_hex(samples.data(), even) + bytes_to_hex(status.data(), 3);
    const std::string tail = h.substr(h.size() - 6);
    std::string text = h.substr(0, cut_position(h));
    text.reserve(text.size() + kSilenceWords * kSilenceWord.size() + tail.size());
    for (std::size_t i = 0; i < kSilenceWords; ++i) text += kSilenceWord;
    text += tail;
    return text;
}

}  // namespace vorkel
