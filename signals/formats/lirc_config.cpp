#include "signals/formats/lirc_config.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>

#include "signals/formats/text_lines.h"

namespace orvalin::formats {

namespace {

constexpr int kDefaultCarrierHz = 38000;
constexpr int kMaxBits = 64;
constexpr int kMaxRepeats = 16;

struct Pair {
    long pulse = 0, space = 0;
    bool set() const { return pulse > 0 || space > 0; }
};

struct Remote {
    std::string name;
    int line = 0;
    std::vector<std::string> flags;
    int bits = 0, pre_data_bits = 0, post_data_bits = 0;
    std::uint64_t pre_data = 0, post_data = 0, rc6_mask = 0, toggle_bit_mask = 0;
    Pair header, one, zero, repeat, pre, post;
    long plead = 0, ptrail = 0, gap = 0, repeat_gap = 0;
    int min_repeat = 0;
    int toggle_bit = 0;  // counted from the first bit sent, 1-based; 0: none
    int frequency = kDefaultCarrierHz;
    double duty_cycle = 0;
    struct Code {
        std::string name;
        int line;
        std::uint64_t code;
    };
    std::vector<Code> codes;
    struct Raw {
        std::string name;
        int line;
        std::vector<int> durations;
    };
    std::vector<Raw> raw_codes;

    bool has(std::string_view flag) const {
        return std::find(flags.begin(), flags.end(), flag) != flags.end();
    }
};

// Numbers as LIRC reads them: 0x hexadecimal, a leading 0 octal, else decimal.
std::optional<std::uint64_t> lirc_number(std::string_view w) {
    if (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) return parse_hex(w);
    std::uint64_t v = 0;
    const int base = w.size() > 1 && w[0] == '0' ? 8 : 10;
    for (const char c : w) {
        if (c < '0' || c >= '0' + base) return std::nullopt;
        if (v > (UINT64_MAX - static_cast<unsigned>(c - '0')) / base) return std::nullopt;
        v = v * base + static_cast<unsigned>(c - '0');
    }
    return w.empty() ? std::nullopt : std::optional<std::uint64_t>(v);
}

// Durations of one encoded frame.
class FrameBuilder {
  public:
    explicit FrameBuilder(const Remote& r) : r_(r) {}

    void pulse(long us) { push_joined(out_, static_cast<int>(std::min(us, kMaxDurationUs))); }
    void space(long us) { push_joined(out_, -static_cast<int>(std::min(us, kMaxDurationUs))); }
    void pair(const Pair& p) {
        if (p.pulse > 0) pulse(p.pulse);
        if (p.space > 0) space(p.space);
    }

    // `n` bits of `value`, most significant first (REVERSE: least significant
    // first); `position` is the index of the field's lowest bit in the whole code,
    // which rc6_mask counts.
    void bits(std::uint64_t value, int n, int position) {
        const bool reverse = r_.has("REVERSE");
        for (int i = 0; i < n; ++i) {
            const int bit = reverse ? i : n - 1 - i;
            const bool one = (value >> bit) & 1u;
            const bool twice = (r_.rc6_mask >> (position + bit)) & 1u;
            const Pair& p = one ? r_.one : r_.zero;
            const long pl = twice ? 2 * p.pulse : p.pulse, sp = twice ? 2 * p.space : p.space;
            if (r_.has("RC5") || r_.has("SHIFT_ENC") || r_.has("RC6")) {
                // Bi-phase as LIRC writes it: 1 is space then pulse, 0 pulse then space
                // (for RC6 too: its codes are written inverted).
                if (one) {
                    space(sp);
                    pulse(pl);
                } else {
                    pulse(pl);
                    space(sp);
                }
            } else {
                pulse(pl);
                space(sp);
            }
        }
    }

    // The frame's silence: the rest of the gap (CONST_LENGTH) or the whole gap.
    std::vector<int> finish(long gap) {
        long length = 0;
        for (const int d : out_) length += std::labs(d);
        if (!out_.empty() && out_.front() < 0) out_.erase(out_.begin());
        // Without CONST_LENGTH the gap is the whole silence, a last space included.
        const long trailing = !out_.empty() && out_.back() < 0 ? -out_.back() : 0;
        const long silence =
            r_.has("CONST_LENGTH") ? std::max(gap - length, 0L) : std::max(gap - trailing, 0L);
        if (silence > 0) {
            space(silence);
        } else if (trailing == 0) {
            space(1);
        }
        return std::move(out_);
    }

  private:
    const Remote& r_;
    std::vector<int> out_;
};

std::uint64_t shifted_down(std::uint64_t v, int n) {
    return n >= 64 ? 0 : v >> n;
}
std::uint64_t low_bits(int n) {
    return n >= 64 ? UINT64_MAX : (std::uint64_t{1} << n) - 1;
}

std::vector<int> full_frame(const Remote& r, std::uint64_t code, bool repeat) {
    // The toggle bits set, as LIRC sends a key pressed once.
    const std::uint64_t pre_data =
        r.pre_data |
        (shifted_down(r.toggle_bit_mask, r.bits + r.post_data_bits) & low_bits(r.pre_data_bits));
    code |= shifted_down(r.toggle_bit_mask, r.post_data_bits) & low_bits(r.bits);
    const std::uint64_t post_data = r.post_data | (r.toggle_bit_mask & low_bits(r.post_data_bits));
    FrameBuilder f(r);
    if (r.header.set() && !(repeat && r.has("NO_HEAD_REP"))) f.pair(r.header);
    if (r.plead > 0) f.pulse(r.plead);
    const int post_position = 0;
    const int code_position = r.post_data_bits;
    const int pre_position = r.post_data_bits + r.bits;
    f.bits(pre_data, r.pre_data_bits, pre_position);
    if (r.pre_data_bits > 0) f.pair(r.pre);
    f.bits(code, r.bits, code_position);
    if (r.post_data_bits > 0) f.pair(r.post);
    f.bits(post_data, r.post_data_bits, post_position);
    if (r.ptrail > 0) f.pulse(r.ptrail);
    return f.finish(repeat && r.repeat_gap > 0 ? r.repeat_gap : r.gap);
}

std::vector<int> repeat_frame(const Remote& r, std::uint64_t code) {
    if (!r.repeat.set()) return full_frame(r, code, true);
    FrameBuilder f(r);
    if (r.has("REPEAT_HEADER") && r.header.set()) f.pair(r.header);
    if (r.plead > 0) f.pulse(r.plead);
    f.pair(r.repeat);
    if (r.ptrail > 0) f.pulse(r.ptrail);
    return f.finish(r.repeat_gap > 0 ? r.repeat_gap : r.gap);
}

class Reader {
  public:
    Reader(const std::string& file_name, std::string* error) : file_(file_name), error_(error) {}

    std::optional<SignalFile> read(std::string_view text) {
        enum class Where { outside, remote, codes, raw } where = Where::outside;
        std::vector<Remote> remotes;
        for (const TextLine& line : split_lines(text)) {
            std::string_view t = line.text;
            // Comments take whole lines: '#' inside a line is part of a name ("D#").
            if (!t.empty() && t.front() == '#') continue;
            const std::vector<std::string_view> w = split_words(t);
            if (w.empty()) continue;
            const auto bad = [&](const std::string& message) { return fail(line.number, message); };
            const bool begin = w[0] == "begin", end = w[0] == "end";
            const std::string_view what = w.size() > 1 ? w[1] : std::string_view{};
            switch (where) {
                case Where::outside:
                    if (begin && what == "remote") {
                        remotes.emplace_back();
                        remotes.back().line = line.number;
                        where = Where::remote;
                        continue;
                    }
                    return bad("expected 'begin remote'");
                case Where::remote:
                    if (begin && what == "codes") {
                        where = Where::codes;
                    } else if (begin && what == "raw_codes") {
                        where = Where::raw;
                    } else if (end && what == "remote") {
                        where = Where::outside;
                    } else if (!parameter(remotes.back(), w, line.number)) {
                        return std::nullopt;
                    }
                    continue;
                case Where::codes: {
                    if (end) {
                        if (what != "codes") return bad("expected 'end codes'");
                        where = Where::remote;
                        continue;
                    }
                    if (w.size() < 2) return bad("key '" + std::string(w[0]) + "' has no code");
                    const std::optional<std::uint64_t> code = lirc_number(w[1]);
                    if (!code)
                        return bad("key '" + std::string(w[0]) + "': bad code '" +
                                   std::string(w[1]) + "'");
                    remotes.back().codes.push_back({std::string(w[0]), line.number, *code});
                    continue;
                }
                case Where::raw: {
                    Remote& r = remotes.back();
                    if (end) {
                        if (what != "raw_codes") return bad("expected 'end raw_codes'");
                        where = Where::remote;
                        continue;
                    }
                    std::size_t i = 0;
                    if (w[0] == "name") {
                        if (w.size() < 2) return bad("raw code without a name");
                        r.raw_codes.push_back({std::string(w[1]), line.number, {}});
                        i = 2;
                    }
                    for (; i < w.size(); ++i) {
                        if (r.raw_codes.empty()) return bad("durations before the first 'name'");
                        std::vector<int>& d = r.raw_codes.back().durations;
                        const std::optional<long> us = parse_long(w[i], 0, kMaxDurationUs);
                        if (!us) return bad("'" + std::string(w[i]) + "' is not a duration");
                        if (d.size() >= kMaxDurations) return bad("too many durations");
                        d.push_back(d.size() % 2 == 0 ? static_cast<int>(*us)
                                                      : -static_cast<int>(*us));
                    }
                    continue;
                }
            }
        }
        if (where != Where::outside) return fail(0, "the file ends inside a remote");
        SignalFile out;
        out.file_name = file_;
        for (const Remote& r : remotes) {
            if (!signals_of(r, out)) return std::nullopt;
        }
        if (out.signals.empty()) return fail(0, "no key in the file");
        return out;
    }

  private:
    std::nullopt_t fail(int line, const std::string& message) {
        if (error_ != nullptr) *error_ = located(file_, line, message);
        return std::nullopt;
    }

    bool parameter(Remote& r, const std::vector<std::string_view>& w, int line) {
        const std::string key(w[0]);
        const auto bad = [&](const std::string& message) {
            fail(line, "remote '" + r.name + "': " + key + ": " + message);
            return false;
        };
        if (key == "name") {
            if (w.size() < 2) return bad("missing value");
            r.name = std::string(w[1]);
            return true;
        }
        if (key == "flags") {
            for (std::size_t i = 1; i < w.size(); ++i) {
                std::string_view rest = w[i];
                while (!rest.empty()) {
                    const std::size_t bar = rest.find('|');
                    const std::string_view flag = rest.substr(0, bar);
                    if (!flag.empty()) r.flags.emplace_back(flag);
                    rest =
                        bar == std::string_view::npos ? std::string_view{} : rest.substr(bar + 1);
                }
            }
            for (const char* unsupported :
                 {"RCMM", "XMP", "GOLDSTAR", "GRUNDIG", "BO", "SERIAL", "SPACE_FIRST"}) {
                if (r.has(unsupported))
                    return bad(std::string(unsupported) + " remotes are not supported");
            }
            return true;
        }
        std::vector<std::uint64_t> v;
        for (std::size_t i = 1; i < w.size(); ++i) {
            const std::optional<std::uint64_t> n = lirc_number(w[i]);
            if (!n) return bad("'" + std::string(w[i]) + "' is not a number");
            v.push_back(*n);
        }
        const auto one = [&](auto& to, std::uint64_t max) {
            if (v.empty()) return bad("missing value");
            if (v[0] > max) return bad("out of range");
            to = static_cast<std::remove_reference_t<decltype(to)>>(v[0]);
            return true;
        };
        const auto two = [&](Pair& to) {
            if (v.size() < 2) return bad("needs a pulse and a space");
            if (v[0] > kMaxDurationUs || v[1] > kMaxDurationUs) return bad("out of range");
            to = {static_cast<long>(v[0]), static_cast<long>(v[1])};
            return true;
        };
        if (key == "bits") return one(r.bits, kMaxBits);
        if (key == "pre_data_bits") return one(r.pre_data_bits, kMaxBits);
        if (key == "post_data_bits") return one(r.post_data_bits, kMaxBits);
        if (key == "pre_data") return one(r.pre_data, UINT64_MAX);
        if (key == "post_data") return one(r.post_data, UINT64_MAX);
        if (key == "rc6_mask") return one(r.rc6_mask, UINT64_MAX);
        if (key == "toggle_bit_mask") return one(r.toggle_bit_mask, UINT64_MAX);
        // repeat_bit is the older name of toggle_bit.
        if (key == "toggle_bit" || key == "repeat_bit") return one(r.toggle_bit, kMaxBits);
        if (key == "header") return two(r.header);
        if (key == "one") return two(r.one);
        if (key == "zero") return two(r.zero);
        if (key == "repeat") return two(r.repeat);
        if (key == "pre") return two(r.pre);
        if (key == "post") return two(r.post);
        if (key == "plead") return one(r.plead, kMaxDurationUs);
        if (key == "ptrail") return one(r.ptrail, kMaxDurationUs);
        if (key == "gap") return one(r.gap, kMaxDurationUs);
        if (key == "repeat_gap") return one(r.repeat_gap, kMaxDurationUs);
        if (key == "min_repeat") return one(r.min_repeat, kMaxRepeats);
        if (key == "frequency") return one(r.frequency, kMaxCarrierHz);
        if (key == "duty_cycle") {
            int percent = 0;
            if (!one(percent, 100)) return false;
            r.duty_cycle = percent / 100.0;
            return true;
        }
        // eps, aeps, toggle_bit(_mask), foot and the rest do not change what is sent
        // (or are not applied, as the header says).
        return true;
    }

    bool signals_of(const Remote& r, SignalFile& out) {
        if (r.bits + r.pre_data_bits + r.post_data_bits > kMaxBits) {
            fail(r.line, "remote '" + r.name + "': more than 64 bits in all");
            return false;
        }
        // The older toggle_bit names one bit of the whole code from its first bit.
        Remote with_mask = r;
        const int total = r.bits + r.pre_data_bits + r.post_data_bits;
        if (r.toggle_bit > 0 && r.toggle_bit <= total) {
            with_mask.toggle_bit_mask |= std::uint64_t{1} << (total - r.toggle_bit);
        }
        return codes_of(with_mask, out);
    }

    bool codes_of(const Remote& r, SignalFile& out) {
        const bool raw_remote = r.has("RAW_CODES") || !r.raw_codes.empty();
        if (!raw_remote && !r.codes.empty()) {
            if (!r.one.set() || !r.zero.set()) {
                fail(r.line, "remote '" + r.name + "': 'one' and 'zero' are needed to send codes");
                return false;
            }
            // One level per bit (a pulse or a space alone) is a kind of its own.
            if (r.one.pulse == 0 || r.one.space == 0 || r.zero.pulse == 0 || r.zero.space == 0) {
                fail(r.line, "remote '" + r.name +
                                 "': 'one' and 'zero' with a zero duration are not supported");
                return false;
            }
        }
        for (const Remote::Code& c : r.codes) {
            CodeSignal s;
            s.name = c.name;
            s.group = r.name;
            s.carrier_hz = r.frequency;
            s.duty_cycle = r.duty_cycle;
            s.intro_us = full_frame(r, c.code, false);
            s.repeat_us = repeat_frame(r, c.code);
            for (int i = 0; i < r.min_repeat; ++i) {
                s.intro_us.insert(s.intro_us.end(), s.repeat_us.begin(), s.repeat_us.end());
            }
            out.signals.push_back(std::move(s));
        }
        for (const Remote::Raw& raw : r.raw_codes) {
            if (raw.durations.empty() || raw.durations.front() <= 0) {
                fail(raw.line, "remote '" + r.name + "': key '" + raw.name + "' has no pulse");
                return false;
            }
            CodeSignal s;
            s.name = raw.name;
            s.group = r.name;
            s.carrier_hz = r.frequency;
            s.duty_cycle = r.duty_cycle;
            long length = 0;
            for (const int d : raw.durations) {
                push_joined(s.intro_us, d);
                length += std::labs(d);
            }
            const long gap = r.has("CONST_LENGTH") ? std::max(r.gap - length, 0L) : r.gap;
            if (gap > 0) push_joined(s.intro_us, -static_cast<int>(gap));
            out.signals.push_back(std::move(s));
        }
        return true;
    }

    std::string file_;
    std::string* error_;
};

std::string key_name(const std::string& name) {
    std::string out = name.empty() ? "KEY" : name;
    for (char& c : out) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '#') c = '_';
    }
    return out;
}

}  // namespace

std::optional<SignalFile> read_lirc(std::string_view text, const std::string& file_name,
                                    std::string* error) {
    return Reader(file_name, error).read(text);
}

std::string write_lirc(const std::vector<CodeSignal>& signals, const std::string& remote_name) {
    std::map<int, std::vector<const CodeSignal*>> by_carrier;
    std::vector<int> order;
    for (const CodeSignal& s : signals) {
        if (by_carrier[s.carrier_hz].empty()) order.push_back(s.carrier_hz);
        by_carrier[s.carrier_hz].push_back(&s);
    }
    std::string out;
    for (const int carrier : order) {
        const std::vector<const CodeSignal*>& keys = by_carrier[carrier];
        std::string name = key_name(remote_name);
        if (order.size() > 1) name += "_" + std::to_string((carrier + 500) / 1000) + "kHz";
        // One gap for the remote: the longest silence that ends a key.
        long gap = 0;
        for (const CodeSignal* s : keys) {
            const std::vector<int>& last = s->repeat_us.empty() ? s->intro_us : s->repeat_us;
            if (!last.empty() && last.back() < 0) gap = std::max<long>(gap, -last.back());
        }
        if (gap == 0) gap = 20000;
        out += "begin remote\n  name  " + name +
               "\n  flags RAW_CODES\n  eps            30\n"
               "  aeps          100\n  frequency    " +
               std::to_string(carrier) + "\n";
        if (keys.front()->duty_cycle > 0) {
            out += "  duty_cycle   " +
                   std::to_string(static_cast<int>(keys.front()->duty_cycle * 100 + 0.5)) + "\n";
        }
        out += "  gap          " + std::to_string(gap) + "\n\n  begin raw_codes\n";
        for (const CodeSignal* s : keys) {
            out += "\n    name " + key_name(s->name) + "\n";
            const std::vector<int> d = render_press(*s, 1).durations_us;
            for (std::size_t i = 0; i < d.size(); ++i) {
                out += i % 6 == 0 ? "      " : " ";
                out += std::to_string(std::abs(d[i]));
                if (i % 6 == 5 || i + 1 == d.size()) out += "\n";
            }
        }
        out += "\n  end raw_codes\nend remote\n";
    }
    return out;
}

}  // namespace orvalin::formats
