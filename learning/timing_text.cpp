#include "learning/timing_text.h"

#include "common/hex_text.h"
#include "common/timing_markers.h"

namespace orvalin::learning {
namespace {

using timing::kEndMark;
using timing::kFullWord;
using timing::kGapMark;
constexpr long kFullDuration = 0x7FFF;
// Receiver delay in microseconds: marks arrive late and end early.
constexpr long kDelayUs = 58;
// Frames that fit the one-digit frame count.
constexpr int kMaxFrames = 9;
// Silence words after the signal that end it.
constexpr int kEndRun = 20;

// A mark shorter than the receiver delay is written as 0 rather than as a negative
// number, which would not fit its four digits.
void append_mark(std::string& out, long duration) {
    const long us = duration / 3 - kDelayUs;
    hex::append(out, static_cast<unsigned long>(us < 0 ? 0 : us), 4);
}

void append_space(std::string& out, long duration) {
    hex::append(out, static_cast<unsigned long>(duration / 3 + kDelayUs), 4);
}

// Carrier in kHz from the three status bytes: trunc(1000 / ((b0 + b1 + b2) / 9)),
// computed exactly as 9000 / sum. Sums under 36 would need more than two digits
// and are written as the largest value that fits.
void append_carrier(std::string& out, int b0, int b1, int b2) {
    const int sum = b0 + b1 + b2;
    if (sum == 0) {
        out += "0000";
        return;
    }
    const int khz = 9000 / sum;
    hex::append(out, static_cast<unsigned long>(khz > 0xFF ? 0xFF : khz), 2);
    out += "12";
}

}  // namespace

bool is_mark_word(std::string_view word) {
    const long value = word.size() == 4 ? hex::number_at(word, 0, 4) : -1;
    return value >= 0 && (value & 0x8000) != 0;
}

unsigned word_duration(unsigned value) {
    return value & 0x7FFF;
}

std::string_view analysis_text(std::string_view timing_text) {
    return timing_text.size() > timing::kPrefixLength ? timing_text.substr(timing::kPrefixLength)
                                                      : std::string_view();
}

std::string convert_collected(std::string_view text) {
    const std::size_t length = text.size();
    std::size_t p = 0;  // position of the current word, from 0
    int frames = 0;
    std::string out;
    out.reserve(length + 16);
    bool ended = false;      // the silence after the signal has been seen
    std::string_view prior;  // previous word
    long n = 0;              // word counter: odd counts are mark positions
    bool merge = false;      // the mark continues a "7FFF" mark word
    int run = 0;             // words in the run list
    std::string_view run_first, run_second;
    std::size_t ninth_frame_end = std::string::npos;

    while (p < length) {
        const bool has_next = length >= p + 5;  // a character follows the word at p
        std::string_view w;
        if (!has_next) {
            if (!ended) return {};
            w = text.substr(p);
        } else {
            w = text.substr(p, 4);
            ++n;
        }
        const bool full = w == kFullWord;
        const std::string_view next = has_next ? text.substr(p + 4, 4) : std::string_view();

        // A "7FFF" in a mark position: a long mark when a mark word follows.
        if (full && n % 2 == 1 && has_next) {
            if (is_mark_word(next)) {
                --n;
                merge = true;
                p += 4;
                continue;
            }
            if (!ended) {
                append_mark(out, kFullDuration);
                p += 4;
                continue;
            }
        }

        if (full || ended) {
            if (run == 0) run_first = w;
            if (run == 1) run_second = w;
            ++run;
        }

        // A run of "7FFF": a long space or the silence after the signal.
        if (full && has_next) {
            if (next == kFullWord) {
                prior = w;
                --n;
            } else if (prior != kFullWord) {
                prior = w;
            }
            p += 4;
            continue;
        }

        if (ended && run == 2) {
            const int b0 = hex::byte_at(run_first, 0);
            const int b1 = hex::byte_at(run_first, 2);
            const int b2 = hex::byte_at(run_second, 0);
            if (b0 < 0 || b1 < 0 || b2 < 0) return {};
            if (frames == 0) frames = 1;
            if (frames > kMaxFrames) {
                // Keep the first nine frames: the count is one digit.
                if (ninth_frame_end == std::string::npos) return {};
                out.resize(ninth_frame_end);
                out += kEndMark;
                frames = kMaxFrames;
            }
            std::string result;
            result.reserve(out.size() + 5);
            result += static_cast<char>('0' + frames);
            append_carrier(result, b0, b1, b2);
            result += out;
            return result;
        }

        if (prior == kFullWord && run >= kEndRun && !full) {
            run = 1;
            run_first = w;
            ++frames;
            if (frames == 1) {
                out += kGapMark;
                out += timing::kLoneFrameGap;
            }
            out += kEndMark;
            ended = true;
        }

        if (prior == kFullWord && run >= 1 && run < kEndRun && !full && !ended &&
            !is_mark_word(w)) {
            const long value = hex::number_at(w, 0, 4);
            if (value < 0) return {};
            const long gap_ms = ((run * kFullDuration + value) / 3 + kDelayUs) / 1000;
            if (frames == kMaxFrames - 1) ninth_frame_end = out.size();
            out += kGapMark;
            hex::append(out, static_cast<unsigned long>(gap_ms), 4);
            out += kEndMark;
            ++frames;
            run = 0;
            prior = w;
            p += 4;
            --n;
            continue;
        }

        if (!ended) {
            const long value = hex::number_at(w, 0, 4);
            if (value < 0) return {};
            if (is_mark_word(w))
                append_mark(
                    out, word_duration(static_cast<unsigned>(value)) + (merge ? kFullDuration : 0));
            else
                append_space(out, value);
        }
        prior = w;
        p += 4;
        merge = false;
    }
    return {};
}

}  // namespace orvalin::learning
