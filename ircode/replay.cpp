#include "ircode/replay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "common/hex_text.h"

namespace orvalin::ircode {
namespace {

// The remote's timer clock: 6 ticks per microsecond.
constexpr double kTicksPerUs = 6.0;

// One-key table header (bytes 0..9):
//   0 link count (0), 1 record count (1), 2 table code, 3 attribute,
//   4..5 type offset (little-endian), 6 type length, 7..8 key offset, 9 key length.
constexpr std::size_t kHeaderSize = 10;

// Timing block B (type piece), offsets from its start:
//   0 offset of the symbol table T2, 1 length of B, 2 P - 1, 3 carrier byte,
//   4 and 5 D - 1, 6..7 attributes, 8 sequences x 16 + frame order entries,
//   9 repeat tail x 16 + repeat order entries, 10.. T1 (4 bytes per entry), then T2.
constexpr std::size_t kTimingFixed = 10;
constexpr std::uint8_t kNoCarrierByte = 0x80;
constexpr int kCarrierCodeStep = 7;  // carrier byte = 7 x class code + divisor

// Duration bytes: 0x80..0xBF a gap of (b - 0x7F) units, 0xC0..0xFF a pulse of
// (b - 0xBF) units. Neighbours of one kind add up (long durations are split).
constexpr std::uint8_t kFirstGapByte = 0x80;
// Longer silences than any remote leaves between frames are cut to this.
constexpr long kMaxSilenceUs = 10'000'000;
constexpr std::uint8_t kFirstPulseByte = 0xC0;

// Field and toggle items of a frame block. Binary images (at most 2 symbols):
// 0x3F + n then a byte of n bits from bit 7 down; 0x70 a toggle. Quaternary
// images: 0x4F + n then n symbols of 2 bits from bit 7 down; 0x74 and a toggle
// byte whose bits 7..6 name the symbol of the first press.
constexpr std::uint8_t kBinaryField = 0x3F;
constexpr std::uint8_t kQuaternaryField = 0x4F;
constexpr std::uint8_t kBinaryToggle = 0x70;
constexpr std::uint8_t kQuaternaryToggle = 0x74;
constexpr int kBinaryFieldMax = 8;
constexpr int kQuaternaryFieldMax = 4;

struct Failure {
    std::string message;
};

[[noreturn]] void fail(std::string message) {
    throw Failure{std::move(message)};
}

// A bounds-checked view of one piece of the image.
class Piece {
  public:
    Piece(const std::uint8_t* data, std::size_t size, const char* name)
        : data_(data), size_(size), name_(name) {}
    std::uint8_t at(std::size_t i) const {
        if (i >= size_) fail(std::string(name_) + " ends early (byte " + std::to_string(i) + ")");
        return data_[i];
    }
    std::size_t size() const { return size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    const char* name_;
};

struct OrderEntry {
    bool period = false;  // true: start-to-start time; false: gap after the frame
    long time_ticks = 0;  // in units of P ticks
    int sequence = 0;
};

// Appends a duration in units to a frame, joining neighbours of one kind.
void push_units(std::vector<long>& units, long value) {
    if (value == 0) return;
    if (!units.empty() && (units.back() > 0) == (value > 0)) {
        units.back() += value;
    } else {
        units.push_back(value);
    }
}

long duration_units(std::uint8_t byte) {
    if (byte >= kFirstPulseByte) return byte - (kFirstPulseByte - 1);
    if (byte >= kFirstGapByte) return -(byte - (kFirstGapByte - 1));
    fail("byte " + std::to_string(byte) + " is not a duration");
}

class Reader {
  public:
    explicit Reader(const std::vector<std::uint8_t>& table) : table_(table) {}

    ReplayedSignal run() {
        Piece header(table_.data(), table_.size(), "table header");
        if (table_.size() < kHeaderSize) fail("table shorter than its 10-byte header");
        if (header.at(0) != 0 || header.at(1) != 1) {
            fail("not a one-key table (link count " + std::to_string(header.at(0)) +
                 ", record count " + std::to_string(header.at(1)) + ")");
        }
        signal_.key_number = header.at(2);
        const std::size_t type_offset = header.at(4) + 256u * header.at(5);
        const std::size_t type_length = header.at(6);
        const std::size_t key_offset = header.at(7) + 256u * header.at(8);
        const std::size_t key_length = header.at(9);
        if (type_offset + type_length > table_.size() || key_offset + key_length > table_.size()) {
            fail("type or key piece lies beyond the end of the table");
        }
        const Piece timing(table_.data() + type_offset, type_length, "timing block");
        const Piece frames(table_.data() + key_offset, key_length, "frame data");
        read_timing(timing);
        read_frames(frames);
        return std::move(signal_);
    }

  private:
    void read_timing(const Piece& b) {
        const std::size_t t2 = b.at(0);
        const std::size_t end = b.at(1);
        if (end > b.size() || t2 >= end || t2 < kTimingFixed) {
            fail("timing block offsets out of range");
        }
        prescaler_ = b.at(2) + 1;
        const std::uint8_t carrier = b.at(3);
        divisor_ = b.at(4) + 1;
        if (b.at(5) != b.at(4)) fail("timing block holds two different divisors");
        unit_ticks_ = static_cast<long>(prescaler_) * divisor_;
        signal_.unit_us = unit_ticks_ / kTicksPerUs;
        if (carrier == kNoCarrierByte) {
            signal_.carrier_hz = 0;
        } else {
            const int carrier_divisor = carrier % kCarrierCodeStep;
            if (carrier_divisor == 0)
                fail("carrier byte " + std::to_string(carrier) + " has no divisor");
            signal_.carrier_hz = static_cast<int>(std::lround(
                kTicksPerUs * 1e6 / (static_cast<double>(prescaler_) * carrier_divisor)));
        }
        frame_count_ = b.at(8) & 0x0F;
        repeat_count_ = b.at(9) & 0x0F;
        if (frame_count_ == 0) fail("empty frame order");
        // T1: frame order entries 1.., then the repeat order entries. Bytes: time
        // low, time high, flag (bit 7 set; bit 6 set for a gap, clear for a period;
        // low bits the time above 2^20), sequence number.
        const std::size_t entries = static_cast<std::size_t>(frame_count_ - 1 + repeat_count_);
        if (kTimingFixed + 4 * entries != t2)
            fail("frame order table does not end at the symbol table");
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t at = kTimingFixed + 4 * i;
            const std::uint8_t flag = b.at(at + 2);
            if ((flag & 0x80) == 0) fail("frame order entry " + std::to_string(i) + " has no flag");
            OrderEntry e;
            e.period = (flag & 0x40) == 0;
            e.time_ticks = b.at(at) + 256L * b.at(at + 1) + (static_cast<long>(flag & 0x3F) << 20);
            e.sequence = b.at(at + 3);
            (i + 1 < static_cast<std::size_t>(frame_count_) ? frame_entries_ : repeat_entries_)
                .push_back(e);
        }
        // T2: one offset byte per symbol (so the first says how many), then per
        // symbol its count byte and one duration byte per duration.
        const std::size_t symbol_count = b.at(t2);
        if (symbol_count == 0 || symbol_count > 4)
            fail("symbol table names " + std::to_string(symbol_count) + " symbols");
        for (std::size_t k = 0; k < symbol_count; ++k) {
            const std::size_t entry = t2 + b.at(t2 + k);
            if (entry >= end) fail("symbol " + std::to_string(k) + " lies beyond the timing block");
            const std::size_t count = b.at(entry);
            if (count == 0 || count > 6)
                fail("symbol " + std::to_string(k) + " has " + std::to_string(count) +
                     " durations");
            if (entry + count >= end)
                fail("symbol " + std::to_string(k) + " runs past the timing block");
            std::vector<long> durations;
            for (std::size_t i = 0; i < count; ++i)
                durations.push_back(duration_units(b.at(entry + 1 + i)));
            std::vector<int> us;
            for (const long u : durations) us.push_back(static_cast<int>(to_us(u * unit_ticks_)));
            signal_.symbols_us.push_back(std::move(us));
            symbols_.push_back(std::move(durations));
        }
    }

    void read_frames(const Piece& f) {
        // Blocks: the first frame's (sequence 0), one per new, higher sequence of
        // the frame order, then the repeat frame's.
        std::map<int, std::size_t> block_of_sequence{{0, 0}};
        int highest = 0;
        for (const OrderEntry& e : frame_entries_) {
            if (e.sequence > highest) {
                block_of_sequence[e.sequence] = block_of_sequence.size();
                highest = e.sequence;
            }
        }
        const std::size_t blocks = block_of_sequence.size() + (repeat_entries_.empty() ? 0 : 1);
        // Each offset byte must point at its block, the blocks lying back to back
        // behind the offset table.
        std::size_t expected = blocks;
        std::vector<std::vector<long>> units(blocks);
        std::vector<std::vector<int>> sent(blocks);
        for (std::size_t i = 0; i < blocks; ++i) {
            if (f.at(i) != expected) {
                fail("frame data offset " + std::to_string(i) + " is " + std::to_string(f.at(i)) +
                     ", its block starts at " + std::to_string(expected));
            }
            expected = read_block(f, expected, units[i], sent[i]);
        }
        if (expected != f.size()) fail("frame data has bytes after its last block");

        const auto add_frame = [&](std::size_t block, bool repeat) {
            ReplayedFrame frame;
            frame.repeat = repeat;
            for (const long u : units[block]) {
                frame.durations_us.push_back(static_cast<int>(to_us(u * unit_ticks_)));
            }
            signal_.frames.push_back(std::move(frame));
            signal_.frame_symbols.push_back(sent[block]);
        };
        const auto separate = [&](const OrderEntry& e) {
            ReplayedFrame& previous = signal_.frames.back();
            const long time_us = to_us(e.time_ticks * prescaler_);
            long gap = time_us;
            if (e.period) {
                long length = 0;
                for (const int d : previous.durations_us) length += std::labs(d);
                gap = std::max(0L, time_us - length);
            }
            previous.gap_after_us = static_cast<int>(std::min(gap, kMaxSilenceUs));
        };
        add_frame(0, false);
        for (const OrderEntry& e : frame_entries_) {
            const auto found = block_of_sequence.find(e.sequence);
            if (found == block_of_sequence.end()) {
                fail("frame order names sequence " + std::to_string(e.sequence) +
                     ", which has no block");
            }
            separate(e);
            add_frame(found->second, false);
        }
        for (const OrderEntry& e : repeat_entries_) {
            separate(e);
            add_frame(blocks - 1, true);
        }
    }

    // Reads the block at `at` into units; returns the position behind it.
    std::size_t read_block(const Piece& f, std::size_t at, std::vector<long>& units,
                           std::vector<int>& sent) {
        const bool quaternary = symbols_.size() > 2;
        const int items = f.at(at++);
        for (int item = 0; item < items; ++item) {
            const std::uint8_t b = f.at(at++);
            if (b >= kFirstGapByte) {
                push_units(units, duration_units(b));
            } else if (!quaternary && b >= kBinaryField && b <= kBinaryField + kBinaryFieldMax) {
                const int n = b - kBinaryField;
                const std::uint8_t bits = f.at(at++);
                for (int i = 0; i < n; ++i) push_symbol(units, sent, (bits >> (7 - i)) & 1);
            } else if (quaternary && b >= kQuaternaryField &&
                       b <= kQuaternaryField + kQuaternaryFieldMax) {
                const int n = b - kQuaternaryField;
                const std::uint8_t bits = f.at(at++);
                for (int i = 0; i < n; ++i) push_symbol(units, sent, (bits >> (6 - 2 * i)) & 3);
            } else if (!quaternary && b == kBinaryToggle) {
                push_symbol(units, sent, 0);  // the first press sends symbol 0
            } else if (quaternary && b == kQuaternaryToggle) {
                push_symbol(units, sent, f.at(at++) >> 6);
            } else {
                fail("unknown item byte " + std::to_string(b) + " in the frame data");
            }
        }
        return at;
    }

    void push_symbol(std::vector<long>& units, std::vector<int>& sent, std::size_t symbol) {
        if (symbol >= symbols_.size())
            fail("symbol " + std::to_string(symbol) + " is not in the symbol table");
        for (const long u : symbols_[symbol]) push_units(units, u);
        sent.push_back(static_cast<int>(symbol));
    }

    static long to_us(long ticks_signed) {
        return std::lround(static_cast<double>(ticks_signed) / kTicksPerUs);
    }

    const std::vector<std::uint8_t>& table_;
    ReplayedSignal signal_;
    long prescaler_ = 1, divisor_ = 1;
    long unit_ticks_ = 1;
    int frame_count_ = 0, repeat_count_ = 0;
    std::vector<OrderEntry> frame_entries_, repeat_entries_;
    std::vector<std::vector<long>> symbols_;
};

}  // namespace

std::optional<ReplayedSignal> replay_table(const std::vector<std::uint8_t>& table,
                                           std::string* error) {
    try {
        return Reader(table).run();
    } catch (const Failure& f) {
        if (error != nullptr) *error = f.message;
        return std::nullopt;
    }
}

std::optional<ReplayedSignal> replay_table(std::string_view table_hex, std::string* error) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char c : table_hex) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        const int v = hex::digit_value(c);
        if (v < 0) {
            if (error != nullptr) *error = std::string("not a hex digit: '") + c + "'";
            return std::nullopt;
        }
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) {
        if (error != nullptr) *error = "odd number of hex digits";
        return std::nullopt;
    }
    return replay_table(bytes, error);
}

std::vector<int> flatten(const ReplayedSignal& signal) {
    std::vector<long> joined;
    for (const ReplayedFrame& frame : signal.frames) {
        for (const int d : frame.durations_us) push_units(joined, d);
        push_units(joined, -static_cast<long>(frame.gap_after_us));
    }
    while (!joined.empty() && joined.front() < 0) joined.erase(joined.begin());
    while (!joined.empty() && joined.back() < 0) joined.pop_back();
    return {joined.begin(), joined.end()};
}

std::string to_mode2(const ReplayedSignal& signal) {
    std::string out = "carrier " + std::to_string(signal.carrier_hz) + "\n";
    for (const int d : flatten(signal)) {
        out += d > 0 ? "pulse " : "space ";
        out += std::to_string(std::abs(d));
        out += '\n';
    }
    return out;
}

}  // namespace orvalin::ircode
