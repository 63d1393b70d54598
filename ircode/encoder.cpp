#include "ircode/encoder.h"

#include <cstdlib>

#include "ircode/code_item.h"
#include "ircode/text_scan.h"
#include "ircode/time_base.h"

namespace orvalin::ircode {
namespace {

int LetterValue(char c) {
    switch (c) {
        case 'v':
            return 1;
        case 'w':
            return 2;
        case 'x':
            return 3;
        default:
            return 0;
    }
}

// Everything the block encoders share for one record.
struct Context {
    const CodeTypeRecord& record;
    const VariableTables& variables;
    std::int64_t unit_ticks;  // P x D
    bool quaternary;
    bool bad = false;  // something of the image does not fit
};

std::int64_t Units(std::int64_t microseconds, std::int64_t unit_ticks) {
    return RoundHalfEven(6.0 * static_cast<double>(std::llabs(microseconds)) /
                         static_cast<double>(unit_ticks));
}

// One-byte duration of T2 and of the repeat block.
int DurationByte(std::int64_t microseconds, std::int64_t unit_ticks) {
    return UnitDurationByte(Units(microseconds, unit_ticks), microseconds < 0);
}

void AppendToggle(std::vector<int>& out, const Context& c) {
    if (c.quaternary) {
        out.push_back(0x74);
        out.push_back(ToggleByte(c.record.toggle_a(), c.record.toggle_b()));
    } else {
        out.push_back(0x70);
    }
}

// Length of the variable a field item names for the encoder (v div 16), or -1.
int FieldLength(const Context& c, CodeItem item) {
    const int n = VariableNumber(DecodeItem(item, c.record), true);
    if (n < 0) return -1;
    return IsSetA(item) ? c.variables.set_a[n] : c.variables.set_b[n];
}

// Block of sequence j with its data bits from x (consumed as it is read).
std::vector<int> SequenceBlock(Context& c, int j, std::string_view& x) {
    std::vector<int> items;
    int count = c.record.sequence_length(j);
    for (int i = 0; i < c.record.sequence_length(j); ++i) {
        const CodeItem item = c.record.sequence_item(j, i);
        int n = 0;
        if (IsDataField(item)) {
            n = static_cast<int>(ItemValue(item) / 65536);
        } else if (IsToggle(item)) {
            x = Drop(x, c.record.toggle_width());
            if (c.record.toggle_width() == 1) AppendToggle(items, c);
            continue;
        } else if (IsDuration(item)) {
            x = Drop(x, 4);
            const std::int32_t value = DecodeItem(item, c.record);
            count +=
                AppendSplitDuration(items, Units(std::llabs(value) / 100, c.unit_ticks), value < 0);
            continue;
        } else {
            n = FieldLength(c, item);
            if (n < 0) {
                c.bad = true;
                return {};
            }
        }
        AppendPackedField(items, Cut(x, 0, static_cast<std::size_t>(n)), n, c.quaternary);
        x = Drop(x, static_cast<std::size_t>(n));
    }
    items.insert(items.begin(), count);
    return items;
}

// Block of the repeat frame, from the description alone.
std::vector<int> RepeatBlock(const Context& c, int j) {
    std::vector<int> items{c.record.sequence_length(j)};
    for (int i = 0; i < c.record.sequence_length(j); ++i) {
        const CodeItem item = c.record.sequence_item(j, i);
        if (IsDataField(item)) {
            const std::string letters = DefaultFieldLetters(ItemValue(item), c.quaternary);
            AppendPackedField(items, letters, static_cast<int>(letters.size()), c.quaternary);
        } else if (IsToggle(item)) {
            if (c.record.toggle_width() == 1) AppendToggle(items, c);
        } else if (IsDuration(item)) {
            items.push_back(DurationByte(DecodeItem(item, c.record) / 100, c.unit_ticks));
        }
    }
    return items;
}

// Removes the matched text up to and including the next frame separator and its
// digits. A text without a separator has no further frames: it is used up.
void SkipFrame(std::string_view& x) {
    std::size_t at = x.find('h');
    if (at == std::string_view::npos) at = x.find('t');
    x = at == std::string_view::npos ? std::string_view{} : Drop(x, at + 5);
}

OrderTime OrderTimeOf(CodeItem entry, std::int64_t prescaler) {
    return {static_cast<std::int64_t>(EntryTime(entry)) * 60 / prescaler, IsPeriodEntry(entry),
            EntrySequence(entry)};
}

void AppendT1Entry(std::vector<int>& out, const OrderTime& e) {
    if (e.time < 0 || e.time >= (std::int64_t{1} << 26)) {
        out.push_back(256);  // no flag byte can hold it
        return;
    }
    out.push_back(static_cast<int>(e.time % 256));
    out.push_back(static_cast<int>((e.time % (1 << 20)) / 256));
    out.push_back(static_cast<int>((e.period ? 128 : 192) + e.time / (1 << 20)));
    out.push_back(e.sequence);
}

bool AllBytes(const std::vector<int>& values) {
    for (const int v : values) {
        if (v < 0 || v > 255) return false;
    }
    return true;
}

}  // namespace

void AppendPackedField(std::vector<int>& out, std::string_view letters, int n, bool quaternary) {
    out.push_back((quaternary ? 0x4F : 0x3F) + n);
    int packed = 0;
    const std::size_t room = quaternary ? 4 : 8;
    for (std::size_t i = 0; i < letters.size() && i < room; ++i) {
        const int value = LetterValue(letters[i]);
        packed += quaternary ? value << (6 - 2 * i) : value << (7 - i);
    }
    out.push_back(packed & 0xFF);
}

int AppendSplitDuration(std::vector<int>& out, std::int64_t units, bool gap) {
    std::int64_t n = units - 1;
    if (n >= 64 * static_cast<std::int64_t>(kMaxPieceBytes)) {
        out.push_back(256);  // longer than any piece can hold: the image does not fit
        return 0;
    }
    int extra = 0;
    while (n >= 64) {
        out.push_back(gap ? 0xBF : 0xFF);
        ++extra;
        n -= 64;
    }
    out.push_back(static_cast<int>((gap ? 0x80 : 0xC0) + n));
    return extra;
}

std::string DefaultFieldLetters(std::uint32_t field_value, bool quaternary) {
    const int n = static_cast<int>(field_value / 65536);
    const std::uint32_t value = field_value % 65536;
    const int highest = quaternary ? 3 : 1;
    std::string letters;
    for (int i = 0; i < n; ++i) {
        const int position = n - 1 - i;  // digit position, least significant 0
        const int digit = position < 4 ? static_cast<int>((value >> (4 * position)) & 0xF) : 0;
        if (digit <= highest) letters += kSymbolLetters[digit];
    }
    return letters;
}

int UnitDurationByte(std::int64_t units, bool gap) {
    const std::int64_t value = (gap ? 127 : 191) + units;
    return value > 255 || value < 0 ? 256 : static_cast<int>(value);
}

int ToggleByte(int toggle_a, int toggle_b) {
    return 128 * (toggle_a / 2) + 64 * (toggle_a % 2) + 32 * (toggle_b / 2) + 16 * (toggle_b % 2);
}

std::optional<std::string> EncodeCodeType(const CodeTypeRecord& record,
                                          std::string_view matched_text, std::int32_t key_number,
                                          const VariableTables& variables,
                                          const SymbolTable& symbols) {
    if (key_number < 0 || key_number > 255 || !IsWellFormed(record)) return std::nullopt;
    const std::optional<TimeBase> base = ComputeTimeBase(record);
    if (!base) return std::nullopt;
    const std::int64_t p = base->prescaler;
    const std::int64_t d = base->divisor;
    Context c{record, variables, p * d, record.symbol_count() > 2};

    ImageParts parts;
    parts.prescaler = p;
    parts.carrier_byte =
        record.no_carrier() ? 0x80 : 7 * record.carrier_code() + record.carrier_divisor();
    parts.divisor = d;
    parts.attributes = record.attr_high() * 16 + record.attr_low();
    parts.attr_byte = record.attr_byte();
    parts.sequence_count = record.sequence_count();
    parts.repeat_tail = record.repeat_tail();
    for (int i = 1; i < record.frame_order_count(); ++i) {
        parts.frame_order.push_back(OrderTimeOf(record.frame_order_entry(i), p));
    }
    for (int i = 0; i < record.repeat_order_count(); ++i) {
        parts.repeat_order.push_back(OrderTimeOf(record.repeat_order_entry(i), p));
    }
    for (int k = 0; k < symbols.count; ++k) {
        std::vector<int> bytes;
        for (int i = 0; i < symbols.length[k]; ++i) {
            bytes.push_back(DurationByte(symbols.nominal[k][i], c.unit_ticks));
        }
        parts.symbols.push_back(std::move(bytes));
    }

    // Frame data: one block per sequence met in the frame order, then the repeat frame.
    const bool blocks_written = c.quaternary || record.symbol_count() == 2;
    std::string_view x = matched_text;
    int highest = -1;
    for (int i = 0; i < record.frame_order_count(); ++i) {
        const int s = EntrySequence(record.frame_order_entry(i));
        if (s > highest && blocks_written) {
            parts.blocks.push_back(SequenceBlock(c, s, x));
            if (c.bad) return std::nullopt;
            highest = s;
        }
        if (blocks_written) SkipFrame(x);
    }
    if (record.repeat_order_count() > 0) {
        parts.blocks.push_back(RepeatBlock(c, record.sequence_count() - 1));
    }
    // The writer names the frame order count from the entries: the first frame
    // has none of its own.
    if (record.frame_order_count() < 1) return std::nullopt;
    return WriteImage(parts, key_number);
}

std::optional<std::string> WriteImage(const ImageParts& parts, std::int32_t key_number) {
    if (key_number < 0 || key_number > 255) return std::nullopt;
    if (parts.frame_order.size() > 14 || parts.repeat_order.size() > 15) return std::nullopt;
    const int frame_order_count = static_cast<int>(parts.frame_order.size()) + 1;
    const int repeat_order_count = static_cast<int>(parts.repeat_order.size());

    // Timing block: set-up bytes, T1 (frame order after the first, then the repeat
    // order), T2 (symbol offsets, then each symbol's count and duration bytes).
    std::vector<int> b;
    b.push_back(static_cast<int>(parts.prescaler - 1));
    b.push_back(parts.carrier_byte);
    b.push_back(static_cast<int>(parts.divisor - 1));
    b.push_back(static_cast<int>(parts.divisor - 1));
    b.push_back(parts.attributes);
    b.push_back(parts.attr_byte);
    b.push_back(parts.sequence_count * 16 + frame_order_count);
    b.push_back(parts.repeat_tail * 16 + repeat_order_count);
    for (const OrderTime& e : parts.frame_order) AppendT1Entry(b, e);
    for (const OrderTime& e : parts.repeat_order) AppendT1Entry(b, e);
    std::vector<int> t2;
    const int symbol_count = static_cast<int>(parts.symbols.size());
    int offset = symbol_count;
    for (const auto& symbol : parts.symbols) {
        t2.push_back(offset);
        offset += 1 + static_cast<int>(symbol.size());
    }
    for (const auto& symbol : parts.symbols) {
        t2.push_back(static_cast<int>(symbol.size()));
        t2.insert(t2.end(), symbol.begin(), symbol.end());
    }
    const int t2_offset = static_cast<int>(b.size()) + 2;
    b.insert(b.end(), t2.begin(), t2.end());
    b.insert(b.begin(), {t2_offset, t2_offset + static_cast<int>(t2.size())});

    std::vector<int> f;
    int block_offset = parts.sequence_count;
    for (const auto& block : parts.blocks) {
        f.push_back(block_offset);
        block_offset += static_cast<int>(block.size());
    }
    for (const auto& block : parts.blocks) f.insert(f.end(), block.begin(), block.end());

    if (b.size() > kMaxPieceBytes || f.size() > kMaxPieceBytes) return std::nullopt;
    const int b_length = static_cast<int>(b.size());
    std::vector<int> image{0x00, 0x01,     key_number,    0xC7, 0x0A,
                           0x00, b_length, b_length + 10, 0x00, static_cast<int>(f.size())};
    image.insert(image.end(), b.begin(), b.end());
    image.insert(image.end(), f.begin(), f.end());
    if (!AllBytes(image)) return std::nullopt;

    std::string text;
    text.reserve(2 * image.size());
    for (const int v : image) AppendHexByte(text, static_cast<std::uint8_t>(v));
    return text;
}

}  // namespace orvalin::ircode
