#include "ircode/frame_matching.h"

#include "common/timing_markers.h"
#include "ircode/matchers.h"
#include "ircode/text_scan.h"

namespace orvalin::ircode {
namespace {

using timing::kEndMark;
using timing::kGapMark;
constexpr int kLeadInLimit = 20;

}  // namespace

std::optional<bool> TimingCheck(std::string_view separator, std::string_view frame) {
    std::int64_t a = 0;
    if (separator.empty() || !ParseHex(separator, 1, 4, a)) return std::nullopt;
    const double nominal = static_cast<double>(a);
    if (separator[0] == 'h') {
        std::int64_t sum = 0;
        std::size_t pos = 0;
        while (pos < frame.size()) {
            std::int64_t value = 0;
            if (Cut(frame, pos, 4) == kGapMark) {
                if (!ParseHex(frame, pos + 4, 4, value)) return std::nullopt;
                sum += 1000 * value;
                pos += 12;
            } else {
                if (!ParseHex(frame, pos, 4, value)) return std::nullopt;
                sum += value;
                pos += 4;
            }
        }
        const double total = static_cast<double>(sum);
        return 0.9 * 1000.0 * nominal < total && total < 1.1 * 1000.0 * nominal;
    }
    const std::size_t at = FindWord(frame, kGapMark);
    if (at == std::string_view::npos) return false;
    std::int64_t b = 0;
    if (!ParseHex(frame, at + 4, 4, b)) return std::nullopt;
    const double gap = static_cast<double>(b);
    return 0.9 * nominal < gap && gap < 1.1 * nominal;
}

std::optional<std::string> StripLeadIn(std::string_view lead_in, std::string_view frame) {
    const std::size_t n = lead_in.size() / 4;
    std::string head;  // a replaced first duration, in front of `frame`
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t a = 0;
        std::int64_t b = 0;
        if (!ParseHex(lead_in, 4 * i, 4, a) || !ParseHex(frame, 0, 4, b)) return std::nullopt;
        const double nominal = static_cast<double>(a);
        const double measured = static_cast<double>(b);
        if (0.8 * nominal < measured && measured < 1.2 * nominal) {
            frame = Drop(frame, 4);
        } else if (i == n - 1 && a < b) {
            // A longer last lead-in duration: the excess opens the frame rest.
            AppendHex4(head, static_cast<std::uint32_t>(b - a));
            frame = Drop(frame, 4);
        } else {
            return std::string{};
        }
    }
    head += frame;
    return head;
}

std::optional<std::string> CompareFrame(std::string_view o, std::string_view t) {
    std::string merged;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < o.size() && j < t.size()) {
        const bool o_letter = IsSymbolLetter(o[i]);
        const bool t_letter = IsSymbolLetter(t[j]);
        if (o_letter && t_letter) {
            merged += t[j];
            ++i;
            ++j;
            continue;
        }
        if (o_letter || t_letter) return std::string{};
        const bool o_separator = IsSeparator(o[i]);
        const bool t_separator = IsSeparator(t[j]);
        if (o_separator && t_separator) {
            merged += Cut(o, i, 5);
            i += 5;
            j += 5;
            continue;
        }
        if (o_separator || t_separator) return std::string{};
        std::int64_t a = 0;
        std::int64_t b = 0;
        if (!ParseHex(o, i, 4, a) || !ParseHex(t, j, 4, b)) return std::nullopt;
        const double nominal = static_cast<double>(a);
        const double measured = static_cast<double>(b);
        if (!(0.7 * nominal < measured && measured < 1.3 * nominal)) return std::string{};
        merged += Cut(o, i, 4);
        i += 4;
        j += 4;
    }
    return merged;
}

FrameMatch MatchFrames(std::string_view pattern, std::string_view input,
                       const SymbolTable& symbols) {
    FrameMatch result;
    std::string_view m = pattern;
    std::string_view u = input;
    std::string& e = result.matched;
    auto conversion_failure = [&result]() {
        result.matched.clear();
        result.conversion_failed = true;
        return result;
    };
    std::string o;
    std::string lead_in;
    while (true) {
        // Frame pattern: everything up to the next separator; its first durations,
        // before any placeholder, form the lead-in.
        o.clear();
        lead_in.clear();
        int lead_count = 0;
        while (!m.empty() && !IsSeparator(m[0])) {
            if (IsSymbolLetter(m[0])) {
                o += m[0];
                m = Drop(m, 1);
                lead_count = kLeadInLimit;
            } else {
                const std::string_view duration = Cut(m, 0, 4);
                o += duration;
                if (lead_count < kLeadInLimit) {
                    lead_in += duration;
                    ++lead_count;
                }
                m = Drop(m, 4);
            }
        }
        if (m.empty()) break;
        const std::string_view separator = Cut(m, 0, 5);
        o += separator;
        m = Drop(m, 5);

        // Next recorded frame: up to and including its "EDED".
        const std::size_t end = FindWord(u, kEndMark);
        const std::size_t frame_length = end == std::string_view::npos ? 3 : end + 4;
        const std::string_view frame = Cut(u, 0, frame_length);
        u = Drop(u, frame_length);

        const std::optional<bool> timing = TimingCheck(separator, frame);
        if (!timing) return conversion_failure();
        const bool passes = *timing || FindWord(frame, kGapMark) == std::string_view::npos;

        const std::optional<std::string> rest = StripLeadIn(lead_in, frame);
        if (!rest) return conversion_failure();
        if (*rest == kEndMark) {
            e += lead_in;
        } else {
            if (rest->empty()) {
                e.clear();
                break;
            }
            bool any = false;
            for (const Matcher matcher : kMatcherOrder) {
                bool failed = false;
                const std::optional<std::string> decoded =
                    RunMatcher(matcher, *rest, symbols, failed);
                if (failed) return conversion_failure();
                if (!decoded) continue;
                const std::optional<std::string> merged = CompareFrame(o, lead_in + *decoded);
                if (!merged) return conversion_failure();
                if (!merged->empty()) {
                    e += *merged;
                    any = true;
                }
            }
            if (!any || !passes) {
                e.clear();
                break;
            }
        }
        if (u.empty()) break;
    }
    return result;
}

}  // namespace orvalin::ircode
