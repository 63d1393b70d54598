#include "ircode/matchers.h"

#include <array>
#include <cstdlib>

#include "common/timing_markers.h"
#include "ircode/code_item.h"
#include "ircode/text_scan.h"

namespace orvalin::ircode {
namespace {

using timing::kEndMark;
using timing::kGapMark;

struct Rules {
    double low;
    double high;
    int start_phase;
    bool split;            // an over-long last duration may be split (M3, M4)
    bool invisible_start;  // phase 1 marks a frame start whose first half is unseen (M3)
    bool skip_gaps;        // a gap that does not fit moves on to the next position (M3)
};

Rules RulesOf(Matcher matcher) {
    switch (matcher) {
        case Matcher::kM1:
            return {0.65, 1.35, 0, false, false, false};
        case Matcher::kM2:
            return {0.6, 1.4, 1, false, false, false};
        case Matcher::kM3:
            return {0.6, 1.4, 1, true, true, true};
        case Matcher::kM4:
            break;
    }
    return {0.6, 1.4, 0, true, false, false};
}

bool StartsWith(const std::string& text, std::size_t pos, std::string_view what) {
    return pos <= text.size() && text.size() - pos >= what.size() &&
           text.compare(pos, what.size(), what) == 0;
}

std::string Hex4(std::int64_t value) {
    std::string out;
    AppendHex4(out, static_cast<std::uint32_t>(value));
    return out;
}

// The matcher works on its own copy of the frame: `w` is where the committed rest
// starts, `s` where the scratch try of one symbol stands. A split rewrites the
// duration at `s` in place.
class Run {
  public:
    Run(Matcher matcher, std::string_view frame, const SymbolTable& symbols)
        : rules_(RulesOf(matcher)), text_(frame), symbols_(symbols) {
        for (int k = 0; k < symbols.count; ++k) {
            for (int i = 0; i < symbols.length[k]; ++i) {
                windows_[k][i] = ToleranceWindow(matcher, symbols.nominal[k][i]);
            }
        }
    }

    std::optional<std::string> Decode(bool& conversion_failed) {
        int phase = rules_.start_phase;
        std::size_t w = 0;
        // Every pass consumes text or completes a symbol at a frame start; the
        // bound only guards against a description that would stall.
        std::size_t passes_left = 4 * text_.size() + 16;
        while (Remaining(w) > 3) {
            if (passes_left-- == 0) return std::nullopt;
            if (StartsWith(text_, w, kGapMark)) {
                out_ += 'h';
                out_ += Cut(text_, w + 4, 4);
                w += 12;
            } else if (StartsWith(text_, w, kEndMark)) {
                phase = rules_.start_phase;
                w += 4;
            }
            if (Remaining(w) < 3) break;

            bool done = false;
            for (int k = 0; k < symbols_.count && !done; ++k) {
                const TryResult result = TrySymbol(k, w, phase);
                if (result == TryResult::kFailed) {
                    conversion_failed = true;
                    return std::nullopt;
                }
                done = result == TryResult::kDone;
            }
            if (!done) {
                out_ += Cut(text_, w, 4);
                ++phase;
                w += 4;
            }
        }
        return out_;
    }

  private:
    enum class TryResult { kNoFit, kDone, kFailed };

    std::size_t Remaining(std::size_t pos) const {
        return pos >= text_.size() ? 0 : text_.size() - pos;
    }

    // Tries symbol k from position w. On kDone, w and the output are committed.
    TryResult TrySymbol(int k, std::size_t& w, int& phase) {
        const int c = symbols_.positions;
        std::size_t s = w;
        for (int i = 0; i < c; ++i) {
            if (rules_.split && Remaining(s) < 3) {
                phase -= i;
                return TryResult::kNoFit;
            }
            if (!symbols_.Has(k, i)) {
                phase -= i;
                return TryResult::kNoFit;
            }
            const std::int32_t nominal = symbols_.nominal[k][i];
            if (rules_.invisible_start && phase == 1) {
                // The first half of the frame's first symbol is not in the recording.
                phase = 2;
                if (i == c - 1) return Complete(k, w, s);
                continue;
            }
            const bool pulse_expected = (phase & 1) == 0;
            if ((pulse_expected && nominal < 0) || (!pulse_expected && nominal > 0)) {
                phase -= i;
                return TryResult::kNoFit;
            }
            std::int64_t measured = 0;
            if (!ParseHex(text_, s, 4, measured)) {
                return TryResult::kFailed;
            }
            const std::int64_t d = std::llabs(nominal);
            if (windows_[k][i].Fits(measured)) {
                const int phase_here = phase;
                s += 4;
                ++phase;
                if (i < c - 1) {
                    if (EndOfFrameInside(k, i, nominal, d, w, s, phase, phase_here)) {
                        return TryResult::kDone;
                    }
                    continue;
                }
                return Complete(k, w, s);
            }
            if (rules_.split && i == c - 1 && d > 0 && measured > d) {
                // The nominal part closes the symbol; the excess stays in the frame.
                SplitAt(s, measured - d);
                phase += 2;
                return Complete(k, w, s);
            }
            if (rules_.split && nominal < 0) {
                if (rules_.skip_gaps) continue;  // M3: the same duration meets the next position
                return TryResult::kNoFit;        // M4: the phase stays as it is
            }
            phase -= i;
            return TryResult::kNoFit;
        }
        return TryResult::kNoFit;
    }

    // After a fit at position i < C-1: the frame may end inside the symbol.
    bool EndOfFrameInside(int k, int i, std::int32_t nominal, std::int64_t d, std::size_t& w,
                          std::size_t s, int& phase, int phase_here) {
        const bool gap_block = StartsWith(text_, s, kGapMark);
        const bool end_block = !gap_block && StartsWith(text_, s, kEndMark);
        if (!gap_block && !end_block) return false;
        if (rules_.split) {
            // Only after a pulse; the letter stands for a symbol missing just its last gap.
            if (nominal <= 0) return false;
            if (i == symbols_.positions - 2) out_ += kSymbolLetters[k];
        } else {
            out_ += Hex4(d);
        }
        if (gap_block) {
            out_ += 'h';
            out_ += Cut(text_, s + 4, 4);
            s += 12;
            phase = rules_.invisible_start ? phase_here + 3 : phase + 2;
        } else {
            s += 4;
        }
        w = s;
        return true;
    }

    TryResult Complete(int k, std::size_t& w, std::size_t s) {
        out_ += kSymbolLetters[k];
        if (rules_.split) {
            w = s;
        } else {
            w += 4 * static_cast<std::size_t>(symbols_.positions);
        }
        return TryResult::kDone;
    }

    void SplitAt(std::size_t s, std::int64_t excess) {
        const std::string digits = Hex4(excess);
        if (Remaining(s) >= 4) {
            text_.replace(s, 4, digits);
        } else {
            text_.replace(s, std::string::npos, digits);
        }
    }

    Rules rules_;
    std::array<std::array<Window, 6>, 4> windows_{};
    std::string text_;
    const SymbolTable& symbols_;
    std::string out_;
};

}  // namespace

Window ToleranceWindow(Matcher matcher, std::int32_t nominal) {
    const Rules rules = RulesOf(matcher);
    const std::int64_t d = std::llabs(static_cast<std::int64_t>(nominal));
    if (d < 600) {
        return {RoundHalfEven(static_cast<double>(d) * rules.low),
                RoundHalfEven(static_cast<double>(d) * rules.high)};
    }
    return {d - 200, d + 200};
}

std::optional<std::string> RunMatcher(Matcher matcher, std::string_view frame_rest,
                                      const SymbolTable& symbols, bool& conversion_failed) {
    Run run(matcher, frame_rest, symbols);
    return run.Decode(conversion_failed);
}

}  // namespace orvalin::ircode
