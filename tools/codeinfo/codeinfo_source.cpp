#include "tools/codeinfo/codeinfo_source.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "common/hex_text.h"
#include "ircode/code_item.h"
#include "ircode/codeinfo_layout.h"

namespace orvalin::codeinfo {
namespace {

using ircode::CodeTypeDescription;
using ircode::make_item;
namespace layout = ircode::layout;

// Item types of the record body.
constexpr std::uint8_t kGapHundredths = ircode::item_type::kGapHundredths;
constexpr std::uint8_t kGapPeriods = ircode::item_type::kGapCarrier;
constexpr std::uint8_t kPulseHundredths = ircode::item_type::kPulseHundredths;
constexpr std::uint8_t kPulsePeriods = ircode::item_type::kPulseCarrier;
constexpr std::uint8_t kToggleItem = ircode::item_type::kToggle;
constexpr std::uint8_t kDataField = ircode::item_type::kDataField;
constexpr std::uint8_t kGapEntry = ircode::item_type::kGapEntry;
constexpr std::uint8_t kPeriodEntry = ircode::item_type::kPeriodEntry;

constexpr std::uint32_t kMaxItemValue = 0xFFFFFF;
constexpr std::uint32_t kMaxEntryTime = 0xFFFFF;  // 20 bits of 10 microseconds
constexpr double kMaxPatternUs = 0xFFFF;          // four hex digits in the pattern text
constexpr std::size_t kMaxNameLength = ircode::kRecordNameSize - 1;

struct Context {
    const std::string& file;
    int line = 0;
};

[[noreturn]] void fail(const Context& at, const std::string& message) {
    throw SourceError(at.file + ":" + std::to_string(at.line) + ": " + message);
}

std::vector<std::string_view> split_words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::uint32_t parse_unsigned(const Context& at, std::string_view word, std::uint32_t maximum,
                             const char* what) {
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) {
        fail(at, std::string("expected a whole number for ") + what + ", got \"" +
                     std::string(word) + "\"");
    }
    if (value > maximum) {
        fail(at,
             std::string(what) + " " + std::string(word) + " is above " + std::to_string(maximum));
    }
    return value;
}

// A decimal number with at most two decimals, returned in hundredths.
std::uint64_t parse_hundredths(const Context& at, std::string_view word, const char* what) {
    const std::size_t dot = word.find('.');
    const std::string_view whole = word.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? "" : word.substr(dot + 1);
    if (whole.empty() || fraction.size() > 2 ||
        (dot != std::string_view::npos && fraction.empty())) {
        fail(at, std::string("bad ") + what + " \"" + std::string(word) + "\"");
    }
    std::uint64_t value = 0;
    for (char c : whole) {
        if (c < '0' || c > '9')
            fail(at, std::string("bad ") + what + " \"" + std::string(word) + "\"");
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 100000000) fail(at, std::string(what) + " too large");
    }
    std::uint64_t hundredths = value * 100;
    for (std::size_t i = 0; i < 2; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9')
            fail(at, std::string("bad ") + what + " \"" + std::string(word) + "\"");
        hundredths += static_cast<std::uint64_t>(c - '0') * (i == 0 ? 10 : 1);
    }
    return hundredths;
}

// "560", "-1690", "444.44": a pulse (positive) or gap (negative), in microseconds.
std::uint32_t parse_duration(const Context& at, std::string_view word) {
    bool gap = false;
    if (!word.empty() && (word.front() == '-' || word.front() == '+')) {
        gap = word.front() == '-';
        word.remove_prefix(1);
    }
    if (!word.empty() && word.back() == 'p') {
        // Items in carrier periods decode to microseconds where the analysis
        // expects hundredths of a microsecond: they would match 100 times short.
        fail(at,
             "give durations in microseconds, not carrier periods (\"" + std::string(word) + "\")");
    }
    if (word.size() > 2 && word.substr(word.size() - 2) == "us") word.remove_suffix(2);
    const std::uint64_t hundredths = parse_hundredths(at, word, "duration");
    if (hundredths == 0) fail(at, "a duration must not be zero");
    if (hundredths > static_cast<std::uint64_t>(kMaxPatternUs) * 100) {
        fail(at, "duration " + std::string(word) + " us is longer than 65535 us");
    }
    return make_item(gap ? kGapHundredths : kPulseHundredths,
                     static_cast<std::uint32_t>(hundredths));
}

// "108ms", "23.1ms", "113778us": a frame time in units of 10 microseconds.
std::uint32_t parse_frame_time(const Context& at, std::string_view word) {
    std::uint64_t tens_of_us = 0;
    if (word.size() > 2 && word.substr(word.size() - 2) == "ms") {
        tens_of_us = parse_hundredths(at, word.substr(0, word.size() - 2), "time");  // 10 us units
    } else if (word.size() > 2 && word.substr(word.size() - 2) == "us") {
        const std::uint64_t hundredths =
            parse_hundredths(at, word.substr(0, word.size() - 2), "time");
        tens_of_us = (hundredths + 500) / 1000;
    } else {
        fail(at, "a frame time needs a unit, ms or us: \"" + std::string(word) + "\"");
    }
    if (tens_of_us == 0) fail(at, "a frame time must not be zero");
    if (tens_of_us > kMaxEntryTime) fail(at, "frame time " + std::string(word) + " is too long");
    return static_cast<std::uint32_t>(tens_of_us);
}

bool is_duration(std::uint32_t item) {
    const std::uint32_t type = item >> 24;
    return type == kGapHundredths || type == kGapPeriods || type == kPulseHundredths ||
           type == kPulsePeriods;
}

struct Record {
    CodeTypeDescription d;
    int line = 0;
    bool has_carrier = false;
    bool has_toggle = false;
    std::vector<int> sequence_lines;
    std::vector<int> frame_lines;
    std::vector<int> repeat_lines;
};

// An order entry: "SEQ period TIME" or "SEQ gap TIME".
std::uint32_t parse_order_entry(const Context& at, const std::vector<std::string_view>& w) {
    if (w.size() != 4) fail(at, std::string(w[0]) + " needs: SEQUENCE period|gap TIME");
    const std::uint32_t sequence =
        parse_unsigned(at, w[1], layout::kMaxSequences - 1, "sequence number");
    std::uint8_t type = 0;
    if (w[2] == "period") {
        type = kPeriodEntry;
    } else if (w[2] == "gap") {
        type = kGapEntry;
    } else {
        fail(at, "expected \"period\" or \"gap\", got \"" + std::string(w[2]) + "\"");
    }
    return make_item(type, (sequence << 20) | parse_frame_time(at, w[3]));
}

void parse_sequence(const Context& at, const std::vector<std::string_view>& w, Record& r) {
    std::vector<std::uint32_t> items;
    for (std::size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "toggle") {
            items.push_back(make_item(kToggleItem, 0));
        } else if (w[i] == "data") {
            if (i + 1 >= w.size()) fail(at, "\"data\" needs a symbol count");
            const std::string_view field = w[++i];
            const std::size_t eq = field.find('=');
            const std::uint32_t count =
                parse_unsigned(at, field.substr(0, eq), 8, "data field length");
            if (count == 0) fail(at, "a data field needs at least one symbol");
            std::uint32_t fallback = 0;
            if (eq != std::string_view::npos) {
                const std::string_view digits = field.substr(eq + 1);
                const long value = hex::number_at(digits, 0, digits.size());
                if (value < 0 || value > 0xFFFF) {
                    fail(at,
                         "bad default value \"" + std::string(digits) + "\" (up to 4 hex digits)");
                }
                fallback = static_cast<std::uint32_t>(value);
            }
            items.push_back(make_item(kDataField, (count << 16) | fallback));
        } else {
            items.push_back(parse_duration(at, w[i]));
        }
    }
    if (items.empty()) fail(at, "empty sequence");
    if (items.size() > layout::kMaxSequenceItems) fail(at, "more than 32 items in a sequence");
    if (r.d.sequences.size() >= layout::kMaxSequences) fail(at, "more than 6 sequences");
    r.d.sequences.push_back(std::move(items));
    r.sequence_lines.push_back(at.line);
}

// The checks that need the whole record.
void check_record(const std::string& file, Record& r) {
    const CodeTypeDescription& d = r.d;
    Context at{file, r.line};
    if (!r.has_carrier) fail(at, "type " + d.name + ": no \"carrier\" line");
    if (d.symbols.size() < 2) fail(at, "type " + d.name + ": needs at least 2 symbols");
    for (const auto& s : d.symbols) {
        if (s.size() != d.symbols.back().size()) {
            // The matchers read every symbol with the last symbol's count.
            fail(at, "type " + d.name + ": all symbols need the same number of durations");
        }
    }
    const bool quaternary = d.symbols.size() > 2;
    const std::uint32_t max_field = quaternary ? 4 : 8;
    for (std::size_t j = 0; j < d.sequences.size(); ++j) {
        Context seq_at{file, r.sequence_lines[j]};
        for (const std::uint32_t item : d.sequences[j]) {
            if ((item >> 24) == kDataField && ((item & kMaxItemValue) >> 16) > max_field) {
                fail(seq_at, "a data field holds at most " + std::to_string(max_field) +
                                 " symbols with " + std::to_string(d.symbols.size()) + " symbols");
            }
            if ((item >> 24) == kToggleItem && !r.has_toggle) {
                fail(seq_at, "\"toggle\" used without a \"toggle\" line");
            }
        }
    }
    if (d.sequences.empty()) fail(at, "type " + d.name + ": no sequence");
    if (d.frame_order.empty()) fail(at, "type " + d.name + ": no \"frame\" line");
    if (d.repeat_tail > d.frame_order.size()) {
        fail(at, "type " + d.name + ": tail is longer than the frame order");
    }
    if (d.frame_order.size() < 2 && d.repeat_tail == 0) {
        // Only pattern parts followed by a separator are compared.
        fail(at, "type " + d.name + ": needs a second frame or \"tail 1\", else it never fits");
    }
    // The encoder writes a block for each new, higher sequence of the frame order
    // and one for the repeat frame, with offsets that assume one block per
    // sequence; anything else gives an image whose offsets miss their blocks.
    int highest = -1;
    std::vector<bool> emitted(d.sequences.size(), false);
    for (std::size_t i = 0; i < d.frame_order.size(); ++i) {
        Context entry_at{file, r.frame_lines[i]};
        const int s = static_cast<int>((d.frame_order[i] & kMaxItemValue) >> 20);
        if (s >= static_cast<int>(d.sequences.size())) fail(entry_at, "no such sequence");
        if (i == 0 && s != 0) fail(entry_at, "the first frame must be sequence 0");
        if (s > highest) {
            if (s != highest + 1) fail(entry_at, "sequences must first appear in order 0, 1, 2...");
            emitted[static_cast<std::size_t>(s)] = true;
            highest = s;
        }
    }
    std::size_t blocks = static_cast<std::size_t>(highest + 1);
    if (!d.repeat_order.empty()) {
        const std::size_t last = d.sequences.size() - 1;
        for (std::size_t i = 0; i < d.repeat_order.size(); ++i) {
            Context entry_at{file, r.repeat_lines[i]};
            if (((d.repeat_order[i] & kMaxItemValue) >> 20) != last) {
                fail(entry_at, "a repeat entry must name the last sequence");
            }
        }
        if (emitted[last]) fail(at, "type " + d.name + ": the repeat sequence is also a frame");
        ++blocks;
    }
    if (blocks != d.sequences.size()) {
        fail(at, "type " + d.name + ": every sequence must be a frame or the repeat frame");
    }
    bool has_symbol_slot = false;
    for (const std::uint32_t item : d.sequences[0]) has_symbol_slot |= !is_duration(item);
    if (!has_symbol_slot) fail(at, "type " + d.name + ": sequence 0 carries no data");
}

}  // namespace

std::vector<CodeTypeDescription> parse_source(std::string_view text, const std::string& file_name) {
    std::vector<CodeTypeDescription> records;
    std::set<std::string> names;
    std::optional<Record> open;
    Context at{file_name};
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++at.line;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::vector<std::string_view> w = split_words(line);
        if (w.empty()) continue;
        const std::string_view key = w[0];
        if (key == "type") {
            if (open) fail(at, "\"type\" before the \"end\" of type " + open->d.name);
            if (w.size() < 2) fail(at, "\"type\" needs a name");
            // The name is the rest of the line, inner spaces kept.
            const std::string name(line.substr(
                static_cast<std::size_t>(w[1].data() - line.data()),
                static_cast<std::size_t>(w.back().data() + w.back().size() - w[1].data())));
            if (name.size() > kMaxNameLength) fail(at, "name longer than 20 characters: " + name);
            for (char c : name) {
                if (c < 0x20 || c > 0x7E)
                    fail(at, "name with a character that is not printable ASCII");
            }
            if (!names.insert(name).second) fail(at, "type " + name + " is defined twice");
            open.emplace();
            open->d.name = name;
            open->line = at.line;
            continue;
        }
        if (!open)
            fail(at, "\"" + std::string(key) + "\" outside a type (start one with \"type NAME\")");
        Record& r = *open;
        CodeTypeDescription& d = r.d;
        if (key == "end") {
            if (w.size() != 1) fail(at, "\"end\" takes nothing");
            check_record(file_name, r);
            records.push_back(std::move(d));
            open.reset();
        } else if (key == "carrier") {
            if (r.has_carrier) fail(at, "second \"carrier\" line");
            r.has_carrier = true;
            if (w.size() == 2 && w[1] == "none") {
                d.no_carrier = true;
                d.carrier_hz = 0;
                d.carrier_divisor = 1;
                continue;
            }
            if (w.size() % 2 != 0) fail(at, "\"carrier\" needs: HZ [divisor N] [code N], or none");
            d.carrier_hz = static_cast<std::int32_t>(parse_unsigned(at, w[1], 500000, "carrier"));
            if (d.carrier_hz < 10000) fail(at, "carrier below 10000 Hz");
            for (std::size_t i = 2; i < w.size(); i += 2) {
                if (w[i] == "divisor") {
                    d.carrier_divisor =
                        static_cast<std::uint8_t>(parse_unsigned(at, w[i + 1], 6, "divisor"));
                    if (d.carrier_divisor == 0) fail(at, "divisor must be 1 to 6");
                } else if (w[i] == "code") {
                    d.carrier_code =
                        static_cast<std::uint8_t>(parse_unsigned(at, w[i + 1], 35, "carrier code"));
                } else {
                    fail(at, "unknown carrier option \"" + std::string(w[i]) + "\"");
                }
            }
            if (7 * d.carrier_code + d.carrier_divisor == 0x80) {
                fail(at, "carrier code and divisor give 0x80, the byte of codes without carrier");
            }
        } else if (key == "symbol") {
            if (d.symbols.size() >= layout::kMaxSymbols) fail(at, "more than 4 symbols");
            if (w.size() < 2) fail(at, "a symbol needs durations");
            if (w.size() - 1 > layout::kMaxSymbolItems)
                fail(at, "more than 6 durations in a symbol");
            std::vector<std::uint32_t> items;
            for (std::size_t i = 1; i < w.size(); ++i) {
                items.push_back(parse_duration(at, w[i]));
            }
            d.symbols.push_back(std::move(items));
        } else if (key == "toggle") {
            if (r.has_toggle) fail(at, "second \"toggle\" line");
            if (w.size() != 7 || w[1] != "width" || w[3] != "first" || w[5] != "second") {
                fail(at, "\"toggle\" needs: width W first A second B");
            }
            d.toggle_width = static_cast<std::uint8_t>(parse_unsigned(at, w[2], 2, "toggle width"));
            if (d.toggle_width == 0) fail(at, "toggle width must be 1 or 2");
            d.toggle_a = static_cast<std::uint8_t>(parse_unsigned(at, w[4], 3, "toggle value"));
            d.toggle_b = static_cast<std::uint8_t>(parse_unsigned(at, w[6], 3, "toggle value"));
            r.has_toggle = true;
        } else if (key == "sequence") {
            parse_sequence(at, w, r);
        } else if (key == "frame") {
            if (d.frame_order.size() >= layout::kMaxFrameOrder) fail(at, "more than 8 frames");
            d.frame_order.push_back(parse_order_entry(at, w));
            r.frame_lines.push_back(at.line);
        } else if (key == "repeat") {
            if (d.repeat_order.size() >= layout::kMaxRepeatOrder)
                fail(at, "more than 4 repeat entries");
            d.repeat_order.push_back(parse_order_entry(at, w));
            r.repeat_lines.push_back(at.line);
        } else if (key == "tail") {
            if (w.size() != 2) fail(at, "\"tail\" needs one number");
            d.repeat_tail =
                static_cast<std::uint8_t>(parse_unsigned(at, w[1], layout::kMaxFrameOrder, "tail"));
        } else if (key == "attributes") {
            if (w.size() != 7 || w[1] != "high" || w[3] != "byte" || w[5] != "low") {
                fail(at, "\"attributes\" needs: high H byte B low L");
            }
            d.attr_high = static_cast<std::uint8_t>(parse_unsigned(at, w[2], 15, "high attribute"));
            d.attr_byte =
                static_cast<std::uint8_t>(parse_unsigned(at, w[4], 255, "attribute byte"));
            d.attr_low = static_cast<std::uint8_t>(parse_unsigned(at, w[6], 15, "low attribute"));
        } else {
            fail(at, "unknown word \"" + std::string(key) + "\"");
        }
    }
    if (open) fail(at, "type " + open->d.name + " has no \"end\"");
    return records;
}

std::vector<CodeTypeDescription> read_sources(const std::vector<std::string>& paths) {
    std::vector<CodeTypeDescription> all;
    std::set<std::string> names;
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw SourceError(path + ": cannot be read");
        std::ostringstream content;
        content << in.rdbuf();
        for (auto& record : parse_source(content.str(), path)) {
            if (!names.insert(record.name).second) {
                throw SourceError(path + ": type " + record.name +
                                  " is defined in another file too");
            }
            all.push_back(std::move(record));
        }
    }
    return all;
}

}  // namespace orvalin::codeinfo
