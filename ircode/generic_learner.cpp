#include "ircode/generic_learner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>

#include "ircode/captured_frames.h"
#include "ircode/code_item.h"
#include "ircode/duration_classes.h"
#include "ircode/encoder.h"
#include "ircode/replay.h"
#include "ircode/time_base.h"

namespace orvalin::ircode {
namespace {

constexpr double kTicksPerUs = 6.0;
constexpr int kMaxSymbols = 4;
constexpr int kMaxSymbolBytes = 6;
constexpr int kUnitsPerByte = 64;
constexpr std::int64_t kMaxPrescaler = 256;
constexpr std::int64_t kMaxDivisor = 256;
constexpr int kNoCarrierPrescaler = 6;  // 1 us per prescaler tick
// A clipped first mark is taken for a class up to this many times longer.
constexpr double kClipRatio = 2.5;
// A clipped reading (0.6 of the mark) of a mark read 25 % long and one read
// 25 % short lie up to this ratio apart.
constexpr double kClipReach = 2.8;
// A first mark this many times the code's most common mark is a lead-in.
constexpr double kLeadRatio = 2.0;
// Lead marks within this ratio of each other are one lead-in read with a
// receiver's spread (+-25 %); farther apart they are different ones.
constexpr double kLeadSpan = 1.75;
// The replay check as strict as a receiver: each captured duration within 35 %
// of the replayed one, or 100 us for short ones (a receiver that takes +-25 %
// around a protocol's nominal timing takes a capture with that spread).
constexpr double kReceiverTolerance = 0.35;
constexpr double kReceiverSlackUs = 100;

// A duration named by its kind and class.
struct Classed {
    bool mark = true;
    int cls = 0;
    bool operator<(const Classed& o) const { return mark != o.mark ? mark < o.mark : cls < o.cls; }
    bool operator==(const Classed& o) const = default;
};

// A mark with the space after it; a frame's last mark has none (space.cls < 0).
struct Pair {
    Classed mark;
    Classed space{false, -1};
    bool operator<(const Pair& o) const { return mark == o.mark ? space < o.space : mark < o.mark; }
    bool operator==(const Pair& o) const = default;
    bool whole() const { return space.cls >= 0; }
};

struct Model {
    Capture capture;
    std::vector<DurationClass> marks, spaces;
    std::vector<std::vector<Classed>> frames;  // each duration of each frame by class
    std::vector<std::vector<Pair>> pairs;      // each frame as pairs
    std::vector<int> sequence_of_frame;        // frames with the same classes share one
    std::vector<int> first_frame_of_sequence;
    // The class of a first mark that no other mark's class took (it may be a
    // clipped one): replayed no longer than read.
    int first_mark_class = -1;
};

// A space this long inside a frame is a silence between two sendings of a code
// (longer than any lead-in's space).
constexpr int kInnerSilenceUs = 8000;

// A frame's lead mark; a receiver's stray short space inside it (a mark, a
// space of at most kStraySpaceUs far shorter than both marks, a mark) is read
// as the one mark it split.
constexpr int kStraySpaceUs = 200;
int LeadMark(const CapturedFrame& f) {
    const auto& d = f.durations;
    if (d.size() >= 3 && d[1] <= kStraySpaceUs && 4 * d[1] < d[0] && 4 * d[1] < d[2])
        return d[0] + d[1] + d[2];
    return d[0];
}

int ClassValue(const Model& m, const Classed& c) {
    return (c.mark ? m.marks : m.spaces)[static_cast<std::size_t>(c.cls)].value;
}

// Classes of every duration; a clipped first mark joins the next longer class.
bool Classify(Model& m) {
    std::vector<int> marks, spaces;
    for (std::size_t f = 0; f < m.capture.frames.size(); ++f) {
        const auto& d = m.capture.frames[f].durations;
        for (std::size_t i = 0; i < d.size(); ++i) {
            if (f == 0 && i == 0) continue;  // may be clipped: placed below
            (i % 2 == 0 ? marks : spaces).push_back(d[i]);
        }
    }
    const int first = m.capture.frames[0].durations[0];
    m.marks = GroupDurations(marks);
    int first_class = -1;
    // Later frames that all start with one lead-in, read within a receiver's
    // spread: the first mark, clipped or not, is the class of its middle one.
    // (Their lower middle one: two leads read apart by the spread may fall in
    // two classes, and a clipped mark is held to the shortest of them.)
    // (Also the marks after a silence within a frame: a code sent again with a
    // gap shorter than the one that separates frames.)
    std::vector<int> later;
    for (std::size_t f = 0; f < m.capture.frames.size(); ++f) {
        const auto& d = m.capture.frames[f].durations;
        if (f > 0) later.push_back(LeadMark(m.capture.frames[f]));
        for (std::size_t i = 2; i < d.size(); i += 2)
            if (d[i - 1] >= kInnerSilenceUs) later.push_back(d[i]);
    }
    if (!later.empty()) {
        std::sort(later.begin(), later.end());
        if (later.back() <= kLeadSpan * later.front())
            first_class = ClassHolding(m.marks, later[(later.size() - 1) / 2]);
    }
    if (first_class >= 0) {
        const int value = m.marks[static_cast<std::size_t>(first_class)].value;
        if (first > 1.25 * value || first * kClipRatio < later.front()) first_class = -1;
    }
    if (first_class < 0) first_class = ClassHolding(m.marks, first);
    if (first_class < 0) {
        const int nearest = NearestClass(m.marks, first);
        if (nearest >= 0 && first >= 0.8 * m.marks[static_cast<std::size_t>(nearest)].value &&
            first <= 1.2 * m.marks[static_cast<std::size_t>(nearest)].value) {
            first_class = nearest;
        }
    }
    if (first_class < 0) {
        for (std::size_t k = 0; k < m.marks.size(); ++k) {
            if (m.marks[k].value > first && m.marks[k].value <= first * kClipRatio) {
                first_class = static_cast<int>(k);
                break;
            }
        }
    }
    if (first_class >= 0) {
        // The class now holds the first mark too (its value stays the others').
        DurationClass& k = m.marks[static_cast<std::size_t>(first_class)];
        k.low = std::min(k.low, first);
        k.high = std::max(k.high, first);
    } else {
        if (first <= 0) return false;
        marks.push_back(first);
        m.marks = GroupDurations(marks);
        const int own = ClassHolding(m.marks, first);
        if (own >= 0 && m.marks[static_cast<std::size_t>(own)].count == 1) m.first_mark_class = own;
    }
    m.spaces = GroupDurations(spaces);
    for (std::size_t f = 0; f < m.capture.frames.size(); ++f) {
        const auto& d = m.capture.frames[f].durations;
        std::vector<Classed> frame;
        for (std::size_t i = 0; i < d.size(); ++i) {
            const bool mark = i % 2 == 0;
            int cls = ClassHolding(mark ? m.marks : m.spaces, d[i]);
            if (f == 0 && i == 0 && first_class >= 0) cls = first_class;
            if (cls < 0) return false;
            frame.push_back({mark, cls});
        }
        std::vector<Pair> pairs;
        for (std::size_t i = 0; i < frame.size(); i += 2) {
            Pair p{frame[i]};
            if (i + 1 < frame.size()) p.space = frame[i + 1];
            pairs.push_back(p);
        }
        m.frames.push_back(std::move(frame));
        m.pairs.push_back(std::move(pairs));
    }
    for (std::size_t f = 0; f < m.frames.size(); ++f) {
        int s = -1;
        for (std::size_t k = 0; k < m.first_frame_of_sequence.size(); ++k) {
            if (m.frames[static_cast<std::size_t>(m.first_frame_of_sequence[k])] == m.frames[f]) {
                s = static_cast<int>(k);
                break;
            }
        }
        if (s < 0) {
            s = static_cast<int>(m.first_frame_of_sequence.size());
            m.first_frame_of_sequence.push_back(static_cast<int>(f));
        }
        m.sequence_of_frame.push_back(s);
    }
    return true;
}

// Whole pairs by how often the distinct frames use them, most frequent first.
std::vector<Pair> PairsByUse(const Model& m) {
    std::map<Pair, int> uses;
    for (const int f : m.first_frame_of_sequence) {
        for (const Pair& p : m.pairs[static_cast<std::size_t>(f)]) {
            if (p.whole()) ++uses[p];
        }
    }
    std::vector<std::pair<int, Pair>> order;
    for (const auto& [p, n] : uses) order.push_back({n, p});
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Pair> out;
    for (const auto& [n, p] : order) {
        if (n >= 2) out.push_back(p);
    }
    return out;
}

enum class Leads { agree, dropped, refused };

// A lead-in that varies between frames is a fault of the capture, never a class
// of its own nor an average: the frames whose lead mark agrees with most frames
// are kept and the others dropped; without a majority, or when the first
// frame (the one that carries the data) is the odd one, nothing is learned.
Leads DropFramesWithOddLead(const Model& m, Capture& kept) {
    // The code's short marks: a tenth of the marks are at most as long (a code
    // may have few short marks; a lead read as short as one is still odd).
    std::vector<int> marks;
    for (std::size_t f = 0; f < m.capture.frames.size(); ++f)
        for (std::size_t i = f == 0 ? 2 : 0; i < m.capture.frames[f].durations.size(); i += 2)
            marks.push_back(m.capture.frames[f].durations[i]);
    if (marks.empty()) return Leads::agree;
    std::nth_element(marks.begin(), marks.begin() + static_cast<long>(marks.size() / 10),
                     marks.end());
    const double lead_above = kLeadRatio * marks[marks.size() / 10];
    // Frames of one length (give or take a receiver's stray space) are one code
    // sent again (a repeat frame of its own
    // shape, NEC's ditto say, may lead with another mark). Within such a group,
    // the lead marks of the frames that have one; when most have one, every
    // frame's first mark is a lead (one read as short as a data mark is odd).
    // They agree when they lie within a receiver's spread of the lead that most
    // others lie near.
    std::vector<int> lead(m.frames.size(), 0);
    for (std::size_t f = 0; f < m.frames.size(); ++f) lead[f] = LeadMark(m.capture.frames[f]);
    // The first frame's lead may be clipped by the receiver: shorter is no fault.
    const auto agree = [&](std::size_t f, std::size_t g) {
        const int a = lead[f], b = lead[g];
        if (std::max(a, b) <= kLeadSpan * std::min(a, b)) return true;
        return (f == 0 && a < b && a * kClipRatio >= b) || (g == 0 && b < a && b * kClipRatio >= a);
    };
    int all_leads = 0;
    for (const int l : lead) all_leads += l > lead_above ? 1 : 0;
    std::vector<bool> odd(m.frames.size(), false);
    bool any_odd = false;
    std::vector<bool> done(m.frames.size(), false);
    for (std::size_t first = 0; first < m.frames.size(); ++first) {
        const std::size_t size = m.frames[first].size();
        if (done[first] || size < 3) continue;
        std::vector<std::size_t> group, with_lead;
        for (std::size_t f = first; f < m.frames.size(); ++f) {
            // A stray short space inside a mark adds two durations.
            if (done[f] || m.frames[f].size() + 2 < size || m.frames[f].size() > size + 2) continue;
            done[f] = true;
            group.push_back(f);
            if (lead[f] > lead_above) with_lead.push_back(f);
        }
        if (2 * with_lead.size() > group.size()) with_lead = group;
        if (with_lead.size() < 2) continue;
        // The reference is a later frame's lead where there is one: the first
        // may be clipped, and a clipped lead agrees with too much.
        std::size_t reference = with_lead.front();
        int best = -1;
        for (const std::size_t f : with_lead) {
            if (f == 0) continue;
            int n = 0;
            for (const std::size_t g : with_lead) n += agree(f, g) ? 1 : 0;
            if (n > best) {
                best = n;
                reference = f;
            }
        }
        if (best == static_cast<int>(with_lead.size())) continue;
        if (2 * best <= static_cast<int>(with_lead.size())) {
            // No majority within the group (two repeat frames, one read off):
            // the lead marks of the other frames decide (one remote leads its
            // frames with one mark), by a majority of all lead marks.
            // Between leads that agree with as many, the one nearest to what
            // the first frame's lead reads as clipped or not (its clipped
            // reading lies between 0.6 and 1 of the mark sent).
            best = -1;
            const double expected = lead[0] / std::sqrt(0.6);
            double nearest = 0;
            for (const std::size_t f : with_lead) {
                int n = 0;
                for (std::size_t g = 0; g < m.frames.size(); ++g)
                    n += lead[g] > lead_above && agree(f, g) ? 1 : 0;
                const double distance = std::abs(std::log(lead[f] / expected));
                if (n > best || (n == best && distance < nearest)) {
                    best = n;
                    reference = f;
                    nearest = distance;
                }
            }
            // A lead read across a stray space is the weaker reading: it does not
            // outvote one that the first frame's lead may be a clipped reading of.
            for (const std::size_t g : with_lead) {
                const bool could_be =
                    agree(0, g) || (lead[0] < lead[g] && lead[0] * kClipReach >= lead[g]);
                if (g != 0 && !agree(g, reference) && could_be &&
                    lead[reference] != m.capture.frames[reference].durations[0]) {
                    return Leads::refused;
                }
            }
            if (2 * best <= all_leads) return Leads::refused;
        }
        if (with_lead.front() == 0 && !agree(0, reference)) return Leads::refused;
        for (const std::size_t f : with_lead) {
            odd[f] = !agree(f, reference);
            any_odd = any_odd || odd[f];
        }
    }
    if (!any_odd) return Leads::agree;
    kept.carrier_khz = m.capture.carrier_khz;
    kept.frames.clear();
    for (std::size_t f = 0; f < m.frames.size(); ++f)
        if (!odd[f]) kept.frames.push_back(m.capture.frames[f]);
    return Leads::dropped;
}

struct Timer {
    std::int64_t prescaler = 1;
    int carrier_byte = 0x80;
    std::int64_t divisor = 2;
    std::int64_t unit_ticks() const { return prescaler * divisor; }
    std::int64_t Units(int us) const {
        return std::max<std::int64_t>(
            1, RoundHalfEven(kTicksPerUs * us / static_cast<double>(unit_ticks())));
    }
    std::int64_t UnitsAtMost(int us) const {
        return std::max<std::int64_t>(
            1, static_cast<std::int64_t>(kTicksPerUs * us / static_cast<double>(unit_ticks())));
    }
};

// Prescaler and carrier byte that replay the capture's carrier most closely, the
// carrier split as the code types split it; the divisor from the classes.
std::optional<Timer> ChooseTimer(const Model& m) {
    Timer t;
    if (m.capture.carrier_khz == 0) {
        t.prescaler = kNoCarrierPrescaler;
        t.carrier_byte = 0x80;
    } else {
        // The finest prescaler whose carrier is within 2 % of the capture's (the
        // capture keeps whole kHz), else the closest carrier.
        const double wanted = m.capture.carrier_khz * 1000.0;
        double best = -1;
        for (const int cd : {6, 5, 4, 3, 2, 1}) {
            const std::int64_t p =
                PrescalerOf(CarrierTimeBase(static_cast<std::int32_t>(wanted), cd));
            if (p < 1 || p > kMaxPrescaler) continue;
            const double replayed = kTicksPerUs * 1e6 / (static_cast<double>(p) * cd);
            const double error = std::abs(replayed - wanted);
            const bool close = error <= 0.02 * wanted;
            if (best < 0 || (close ? best > 0.02 * wanted : error < best - 1e-9)) {
                best = error;
                t.prescaler = p;
                t.carrier_byte = cd;  // carrier code 0
            }
        }
        if (best < 0) return std::nullopt;
    }
    std::vector<std::int64_t> ticks;
    for (const auto* classes : {&m.marks, &m.spaces}) {
        for (const DurationClass& c : *classes) {
            ticks.push_back(std::max<std::int64_t>(
                1, RoundHalfEven(kTicksPerUs * c.value / static_cast<double>(t.prescaler))));
        }
    }
    t.divisor = std::clamp<std::int64_t>(CommonDivisor(ticks), 2, kMaxDivisor);
    return t;
}

// Units of a class's duration (a lone first mark rounded down).
std::int64_t ClassUnits(const Model& m, const Timer& t, const Classed& c) {
    const int value = ClassValue(m, c);
    return c.mark && c.cls == m.first_mark_class ? t.UnitsAtMost(value) : t.Units(value);
}

// Duration bytes of one symbol duration, split in pieces of at most 64 units.
void AppendSymbolDuration(std::vector<int>& out, std::int64_t units, bool gap) {
    while (units > kUnitsPerByte) {
        out.push_back(UnitDurationByte(kUnitsPerByte, gap));
        units -= kUnitsPerByte;
    }
    out.push_back(UnitDurationByte(units, gap));
}

struct Layout {
    std::vector<Pair> symbols;
    bool quaternary = false;
};

std::vector<int> FrameBlock(const Model& m, const Timer& t, const Layout& l,
                            const std::vector<Pair>& pairs) {
    std::vector<int> items;
    int count = 0;
    std::string run;  // symbol letters not yet packed
    const std::size_t room = l.quaternary ? 4 : 8;
    const auto flush = [&] {
        for (std::size_t at = 0; at < run.size(); at += room) {
            const std::string_view part = std::string_view(run).substr(at, room);
            AppendPackedField(items, part, static_cast<int>(part.size()), l.quaternary);
            ++count;
        }
        run.clear();
    };
    for (const Pair& p : pairs) {
        const auto found = std::find(l.symbols.begin(), l.symbols.end(), p);
        if (found != l.symbols.end()) {
            run += kSymbolLetters[found - l.symbols.begin()];
            continue;
        }
        flush();
        count += 1 + AppendSplitDuration(items, ClassUnits(m, t, p.mark), false);
        if (p.whole()) count += 1 + AppendSplitDuration(items, ClassUnits(m, t, p.space), true);
    }
    flush();
    items.insert(items.begin(), count);
    return items;
}

// Gap after a frame in prescaler ticks: the text keeps whole milliseconds
// (truncated), so the middle of that millisecond.
std::int64_t GapTicks(int gap_ms, const Timer& t) {
    return RoundHalfEven((gap_ms * 1000.0 + 500.0) * kTicksPerUs /
                         static_cast<double>(t.prescaler));
}

std::optional<std::string> Write(const Model& m, const Timer& t, const Layout& l, int key) {
    ImageParts parts;
    parts.prescaler = t.prescaler;
    parts.carrier_byte = t.carrier_byte;
    parts.divisor = t.divisor;
    for (const Pair& p : l.symbols) {
        std::vector<int> bytes;
        AppendSymbolDuration(bytes, ClassUnits(m, t, p.mark), false);
        AppendSymbolDuration(bytes, ClassUnits(m, t, p.space), true);
        if (bytes.size() > kMaxSymbolBytes) return std::nullopt;
        parts.symbols.push_back(std::move(bytes));
    }
    if (parts.symbols.empty()) {
        // The symbol table needs one symbol, even when no field uses it.
        parts.symbols.push_back({UnitDurationByte(1, false), UnitDurationByte(1, true)});
    }
    // Frames after the last one that differs from the final frame are its repeats.
    const std::size_t n = m.frames.size();
    std::size_t tail = n - 1;
    while (tail > 0 && m.sequence_of_frame[tail - 1] == m.sequence_of_frame[n - 1]) --tail;
    if (tail == 0) tail = 1;
    int highest = -1;
    for (std::size_t f = 0; f < tail; ++f) {
        const int s = m.sequence_of_frame[f];
        if (s > highest) {
            if (s != highest + 1) return std::nullopt;  // sequences appear in order
            parts.blocks.push_back(FrameBlock(m, t, l, m.pairs[f]));
            highest = s;
        }
        if (f > 0) {
            parts.frame_order.push_back({GapTicks(m.capture.frames[f - 1].gap_ms, t), false, s});
        }
    }
    if (tail < n) {
        parts.blocks.push_back(FrameBlock(m, t, l, m.pairs[n - 1]));
        for (std::size_t f = tail; f < n; ++f) {
            parts.repeat_order.push_back({GapTicks(m.capture.frames[f - 1].gap_ms, t), false,
                                          static_cast<int>(highest + 1)});
        }
        parts.repeat_tail = 1;
    }
    parts.sequence_count = static_cast<int>(parts.blocks.size());
    if (parts.sequence_count > 15) return std::nullopt;
    return WriteImage(parts, key);
}

// The replay of the image against the capture: as many frames, each duration of
// the same kind, its replayed length at its class's length (within 2 % and a
// tick), nearest to that class and within the spread of the class's captured
// members; the gaps between frames and the carrier as captured.
bool ReplaysAsCaptured(const Model& m, const Timer& t, const std::string& table) {
    const std::optional<ReplayedSignal> r = replay_table(table);
    if (!r || r->frames.size() != m.frames.size()) return false;
    const int khz = m.capture.carrier_khz;
    if (khz == 0) {
        if (r->carrier_hz != 0) return false;
    } else if (std::abs(r->carrier_hz - khz * 1000.0) > 0.03 * khz * 1000.0 + 1000.0) {
        return false;
    }
    for (std::size_t f = 0; f < m.frames.size(); ++f) {
        const auto& replayed = r->frames[f].durations_us;
        const auto& captured = m.capture.frames[f].durations;
        if (replayed.size() != captured.size()) return false;
        for (std::size_t i = 0; i < captured.size(); ++i) {
            const Classed& c = m.frames[f][i];
            const int got = replayed[i];
            if ((got > 0) != c.mark) return false;
            const int value = ClassValue(m, c);
            const int length = std::abs(got);
            // The captured timing within the 2 % of the divisor and one tick.
            const double tick_us = static_cast<double>(t.prescaler) / kTicksPerUs;
            // (A lone first mark, rounded down, up to one unit shorter.)
            const bool lone_first = c.mark && c.cls == m.first_mark_class;
            const double below = lone_first ? static_cast<double>(t.unit_ticks()) / kTicksPerUs : 0;
            if (length - value > 0.02 * value + tick_us + 1 ||
                value - length > 0.02 * value + below + tick_us + 1) {
                return false;
            }
            const auto& classes = c.mark ? m.marks : m.spaces;
            if (NearestClass(classes, length) != c.cls) return false;
            // Within the spread that the capture itself shows for the class (a
            // clipped first mark lies below its class and replays at its length).
            const DurationClass& k = classes[static_cast<std::size_t>(c.cls)];
            const double margin = 0.05 * k.value + r->unit_us;
            if (length < k.low - margin || length > k.high + margin) return false;
            const int x = captured[i];
            const bool clipped_first = f == 0 && i == 0 && length > x;
            if (!clipped_first && (x < k.low || x > k.high)) return false;
            // And each captured duration itself as a receiver would take it: a
            // widely spread class must not carry a member far from its value.
            if (!clipped_first &&
                std::abs(length - x) > std::max(kReceiverTolerance * length, kReceiverSlackUs)) {
                return false;
            }
        }
        if (f + 1 < m.frames.size()) {
            const double gap = m.capture.frames[f].gap_ms * 1000.0 + 500.0;
            if (std::abs(r->frames[f].gap_after_us - gap) > std::max(0.05 * gap, 1000.0)) {
                return false;
            }
        }
    }
    return true;
}

std::string Describe(const Model& m, const Layout& l) {
    const auto& first = m.pairs[0];
    std::size_t data = 0;
    std::size_t lead_at = first.size();
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (std::find(l.symbols.begin(), l.symbols.end(), first[i]) != l.symbols.end()) {
            ++data;
            lead_at = std::min(lead_at, i);
        }
    }
    std::string shape;
    if (l.symbols.empty() || data == 0) {
        shape = "literal " + std::to_string(m.frames[0].size()) + " durations";
    } else {
        // Bi-phase: the marks and the spaces of the data both come in one and two
        // half-bit units.
        std::vector<int> mark_values, space_values;
        for (std::size_t i = lead_at; i < first.size(); ++i) {
            mark_values.push_back(ClassValue(m, first[i].mark));
            if (first[i].whole()) space_values.push_back(ClassValue(m, first[i].space));
        }
        const auto halves = [](std::vector<int> v) {
            if (v.empty()) return 0;
            const int h = *std::min_element(v.begin(), v.end());
            bool doubled = false;
            for (const int x : v) {
                const double ratio = x / static_cast<double>(std::max(1, h));
                if (std::abs(ratio - 2) <= 0.3) {
                    doubled = true;
                } else if (std::abs(ratio - 1) > 0.2) {
                    return 0;
                }
            }
            return doubled ? h : 0;
        };
        const int half = halves(mark_values);
        const int space_half = halves(space_values);
        const bool biphase =
            half > 0 && space_half > 0 && space_half < 1.6 * half && half < 1.6 * space_half;
        bool same_mark = true, same_space = true;
        for (const Pair& p : l.symbols) {
            same_mark = same_mark && p.mark == l.symbols[0].mark;
            same_space = same_space && p.space == l.symbols[0].space;
        }
        if (biphase) {
            shape = "bi-phase, half-bit " + std::to_string(half) + "/" +
                    std::to_string(space_half) + " us";
        } else if (l.symbols.size() > 2) {
            shape = std::to_string(l.symbols.size()) + "-symbol " +
                    (same_mark ? "pulse-distance " : "") + std::to_string(data) + " symbols";
        } else {
            shape = std::string(same_mark    ? "pulse-distance "
                                : same_space ? "pulse-width "
                                             : "") +
                    std::to_string(data) + " bits";
        }
        if (lead_at > 0 && first[0].whole()) {
            shape += ", lead " + std::to_string(ClassValue(m, first[0].mark)) + "/" +
                     std::to_string(ClassValue(m, first[0].space));
        }
    }
    if (m.first_frame_of_sequence.size() > 1) shape += ", repeat frame";
    if (m.frames.size() > 1) shape += ", " + std::to_string(m.frames.size()) + " frames";
    return shape;
}

}  // namespace

std::optional<GenericCode> LearnGeneric(std::string_view timing_text, std::int32_t key_number) {
    if (key_number < 0 || key_number > 255) return std::nullopt;
    Model m;
    std::optional<Capture> capture = ReadTimingText(timing_text);
    if (!capture) return std::nullopt;
    DropLoneGlitch(*capture);
    m.capture = std::move(*capture);
    if (!Classify(m)) return std::nullopt;
    Capture kept;
    switch (DropFramesWithOddLead(m, kept)) {
        case Leads::agree:
            break;
        case Leads::refused:
            return std::nullopt;
        case Leads::dropped:
            m = Model{};
            m.capture = std::move(kept);
            if (!Classify(m)) return std::nullopt;
            break;
    }
    const std::optional<Timer> timer = ChooseTimer(m);
    if (!timer) return std::nullopt;

    // Layouts from the richest to the plainest; the first whose image replays as
    // the capture wins.
    const std::vector<Pair> by_use = PairsByUse(m);
    std::vector<Layout> layouts;
    if (by_use.size() >= 3) {
        layouts.push_back(
            {{by_use.begin(), by_use.begin() + std::min<std::size_t>(kMaxSymbols, by_use.size())},
             true});
    }
    if (by_use.size() >= 2) layouts.push_back({{by_use.begin(), by_use.begin() + 2}, false});
    if (!by_use.empty()) layouts.push_back({{by_use.front()}, false});
    layouts.push_back({{}, false});

    for (const Layout& l : layouts) {
        const std::optional<std::string> table = Write(m, *timer, l, key_number);
        if (!table || !ReplaysAsCaptured(m, *timer, *table)) continue;
        return GenericCode{*table, Describe(m, l)};
    }
    return std::nullopt;
}

}  // namespace orvalin::ircode
