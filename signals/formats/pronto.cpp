#include "signals/formats/pronto.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "signals/formats/protocol_codes.h"
#include "signals/formats/text_lines.h"

namespace orvalin::formats {

namespace {

// The Pronto clock: one frequency unit is 0.241246 microseconds.
constexpr double kUnitUs = 0.241246;
constexpr int kDefaultGapUs = 20000;

bool hex_word(std::string_view w) {
    if (w.empty() || w.size() > 4) return false;
    for (const char c : w) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool known_type(std::uint64_t word) {
    return word == 0x0000 || word == 0x0100 || word == 0x5000 || word == 0x6000 || word == 0x900A;
}

struct PendingCode {
    std::string name;
    int line = 0;
    std::vector<unsigned> words;
    // Words a complete code has; 0 while the header is incomplete.
    std::size_t expected() const {
        if (words.size() < 4) return 0;
        return 4 + 2 * (static_cast<std::size_t>(words[2]) + words[3]);
    }
    bool complete() const { return expected() != 0 && words.size() >= expected(); }
};

class Reader {
  public:
    Reader(const std::string& file_name, std::string* error) : file_(file_name), error_(error) {}

    std::optional<SignalFile> read(std::string_view text) {
        SignalFile out;
        out.file_name = file_;
        std::optional<std::string> next_name;
        std::optional<PendingCode> code;
        for (const TextLine& line : split_lines(text)) {
            std::string_view rest = line.text;
            if (rest.empty() || rest.front() == '#' || rest.front() == ';') continue;
            std::optional<std::string> name;
            const std::size_t colon = rest.rfind(':');
            if (colon != std::string_view::npos) {
                name = std::string(trim(rest.substr(0, colon)));
                rest = trim(rest.substr(colon + 1));
            }
            const std::vector<std::string_view> words = split_words(rest);
            const bool all_hex = std::all_of(words.begin(), words.end(), hex_word);
            if (!all_hex || words.empty()) {
                if (!all_hex && name)
                    return fail(line.number,
                                "not a Pronto hex word in '" + std::string(rest) + "'");
                if (code && !code->complete()) {
                    return fail(line.number,
                                "code of line " + std::to_string(code->line) + " ends early");
                }
                next_name = name ? *name : std::string(line.text);
                continue;
            }
            if (name || !code || code->complete()) {
                // A short line that cannot start a code is the name of the next one ("1", "Add").
                if (!name && words.size() < 4 && !known_type(*parse_hex(words[0]))) {
                    next_name = std::string(line.text);
                    continue;
                }
                if (code && !finish(*code, out)) return std::nullopt;
                code = PendingCode{};
                code->line = line.number;
                if (name) {
                    code->name = *name;
                } else if (next_name) {
                    code->name = *next_name;
                }
                next_name.reset();
            }
            for (const std::string_view w : words) {
                if (code->complete()) {
                    return fail(line.number, "more words than the code's header declares");
                }
                code->words.push_back(static_cast<unsigned>(*parse_hex(w)));
            }
        }
        if (code && !finish(*code, out)) return std::nullopt;
        if (out.signals.empty()) return fail(0, "no Pronto code in the file");
        return out;
    }

  private:
    std::nullopt_t fail(int line, const std::string& message) {
        if (error_ != nullptr) *error_ = located(file_, line, message);
        return std::nullopt;
    }

    bool finish(PendingCode& code, SignalFile& out) {
        if (!code.complete()) {
            fail(code.line, "code ends early: " + std::to_string(code.words.size()) + " of " +
                                std::to_string(std::max<std::size_t>(code.expected(), 4)) +
                                " words");
            return false;
        }
        if (code.name.empty()) code.name = std::to_string(out.signals.size() + 1);
        const unsigned type = code.words[0], frequency = code.words[1];
        const std::size_t intro_pairs = code.words[2];
        CodeSignal s;
        s.name = code.name;
        const auto check_frequency = [&] {
            if (frequency == 0) {
                fail(code.line, "frequency word is 0");
                return false;
            }
            return true;
        };
        switch (type) {
            case 0x0000:
            case 0x0100: {
                if (!check_frequency()) return false;
                const double unit = frequency * kUnitUs;
                if (type == 0x0000) s.carrier_hz = static_cast<int>(std::lround(1e6 / unit));
                for (std::size_t i = 4; i < code.words.size(); ++i) {
                    const long us =
                        std::min<long>(std::lround(code.words[i] * unit), kMaxDurationUs);
                    const int d = static_cast<int>((i - 4) % 2 == 0 ? us : -us);
                    push_joined(i - 4 < 2 * intro_pairs ? s.intro_us : s.repeat_us, d);
                }
                if (s.intro_us.empty() && s.repeat_us.empty()) {
                    fail(code.line, "code holds no burst pair");
                    return false;
                }
                if ((!s.intro_us.empty() && s.intro_us.front() < 0) ||
                    (!s.repeat_us.empty() && s.repeat_us.front() < 0)) {
                    fail(code.line, "a burst sequence starts with a zero-length pulse");
                    return false;
                }
                break;
            }
            case 0x5000:
            case 0x6000:
            case 0x900A: {
                if (!check_frequency()) return false;
                if (code.words.size() < 6) {
                    fail(code.line, "predefined code needs two data words");
                    return false;
                }
                const unsigned a = code.words[4], c = code.words[5];
                ParsedCode parsed{type == 0x5000 ? "RC5" : type == 0x6000 ? "RC6" : "NECext", a, c};
                if (type == 0x900A) {
                    // Device and subdevice, then function and its complement, high byte first.
                    parsed.address = (a >> 8) | (a & 0xFF) << 8;
                    parsed.command = (c >> 8) | (c & 0xFF) << 8;
                }
                std::string why;
                std::optional<CodeSignal> rendered = render_parsed(parsed, &why);
                if (!rendered) {
                    fail(code.line, why);
                    return false;
                }
                s.intro_us = std::move(rendered->intro_us);
                s.repeat_us = std::move(rendered->repeat_us);
                s.carrier_hz = static_cast<int>(std::lround(1e6 / (frequency * kUnitUs)));
                break;
            }
            default: {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%04X", type);
                fail(code.line, std::string("unknown Pronto code type ") + hex);
                return false;
            }
        }
        out.signals.push_back(std::move(s));
        return true;
    }

    std::string file_;
    std::string* error_;
};

void append_word(std::string& out, long value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, " %04X", static_cast<unsigned>(std::clamp(value, 0L, 0xFFFFL)));
    out += buf;
}

// Burst pairs of one part: pulse then space, a missing last space added.
std::vector<long> pairs_of(const std::vector<int>& part, double unit) {
    std::vector<long> out;
    for (const int d : part) {
        if (out.empty() && d < 0) continue;
        out.push_back(std::max(1L, std::lround(std::abs(d) / unit)));
    }
    if (out.size() % 2 == 1) out.push_back(std::lround(kDefaultGapUs / unit));
    return out;
}

}  // namespace

std::optional<SignalFile> read_pronto(std::string_view text, const std::string& file_name,
                                      std::string* error) {
    return Reader(file_name, error).read(text);
}

std::string pronto_code(const CodeSignal& signal) {
    long frequency = 0;
    if (signal.carrier_hz > 0) {
        frequency = std::lround(1e6 / (signal.carrier_hz * kUnitUs));
    } else {
        // Unmodulated: the smallest time base that holds the longest duration.
        long longest = 0;
        for (const int d : signal.intro_us) longest = std::max<long>(longest, std::abs(d));
        for (const int d : signal.repeat_us) longest = std::max<long>(longest, std::abs(d));
        longest = std::max<long>(longest, kDefaultGapUs);
        frequency = static_cast<long>(std::ceil(longest / (0xFFFF * kUnitUs)));
    }
    frequency = std::clamp(frequency, 1L, 0xFFFFL);
    const double unit = frequency * kUnitUs;
    const std::vector<long> intro = pairs_of(signal.intro_us, unit);
    const std::vector<long> repeat = pairs_of(signal.repeat_us, unit);
    std::string out = signal.carrier_hz > 0 ? "0000" : "0100";
    append_word(out, frequency);
    append_word(out, static_cast<long>(intro.size() / 2));
    append_word(out, static_cast<long>(repeat.size() / 2));
    for (const long w : intro) append_word(out, w);
    for (const long w : repeat) append_word(out, w);
    return out;
}

std::string write_pronto(const std::vector<CodeSignal>& signals) {
    std::string out;
    for (const CodeSignal& s : signals) {
        std::string name = s.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        out += name + ": " + pronto_code(s) + "\n";
    }
    return out;
}

}  // namespace orvalin::formats
