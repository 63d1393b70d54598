#include "library/irdb_csv.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "signals/formats/protocol_codes.h"

namespace orvalin::library {

namespace {

constexpr std::string_view kHeader = "functionname,protocol,device,subdevice,function";
// No device has more keys than this; a larger file is not an irdb file.
constexpr std::size_t kMaxRows = 10000;

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<long> number(std::string_view s) {
    s = trim(s);
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// Splits a row on commas; a quoted field may hold commas ("a,b").
std::vector<std::string> fields_of(std::string_view line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == ',' && !quoted) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

// The irdb protocol with its device, subdevice (-1: none) and function as the
// protocol our renderer knows it by; the reason when it has none.
std::optional<formats::ParsedCode> as_parsed(const std::string& protocol, long d, long s, long f,
                                             std::string& why) {
    const std::string p = lower(protocol);
    const auto byte = [](long v) { return v >= 0 && v <= 255; };
    if (!byte(d) || !byte(f) || s < -1 || s > 255) {
        why = "device, subdevice or function out of range";
        return std::nullopt;
    }
    const auto ud = static_cast<std::uint32_t>(d), uf = static_cast<std::uint32_t>(f);
    if (p == "nec1" || p == "nec2" || p == "nec") {
        if (s < 0 || s == 255 - d) return formats::ParsedCode{"NEC", ud, uf};
        return formats::ParsedCode{"NECext", ud | static_cast<std::uint32_t>(s) << 8,
                                   uf | (255u - uf) << 8};
    }
    if (p == "necx1" || p == "necx2") {
        const auto us = static_cast<std::uint32_t>(s < 0 ? d : s);
        return formats::ParsedCode{"NECext", ud | us << 8, uf | (255u - uf) << 8};
    }
    if (p == "sony12" && s < 0) return formats::ParsedCode{"SIRC", ud, uf};
    if (p == "sony15" && s < 0) return formats::ParsedCode{"SIRC15", ud, uf};
    if (p == "sony20") {
        return formats::ParsedCode{"SIRC20", ud | static_cast<std::uint32_t>(std::max(s, 0L)) << 5,
                                   uf};
    }
    if (p == "rc5" && s < 0) return formats::ParsedCode{"RC5", ud, uf};
    if ((p == "rc6" || p == "rc6-0-16") && s < 0) return formats::ParsedCode{"RC6", ud, uf};
    if (p == "samsung32" && (s < 0 || s == d)) return formats::ParsedCode{"Samsung32", ud, uf};
    if (p == "rca" && s < 0) return formats::ParsedCode{"RCA", ud, uf};
    if (p == "pioneer" && s < 0) return formats::ParsedCode{"Pioneer", ud, uf};
    why = "protocol " + protocol + (s >= 0 ? " with a subdevice" : "") + " is not supported";
    return std::nullopt;
}

}  // namespace

bool looks_like_irdb_csv(std::string_view content) {
    const std::size_t end = content.find('\n');
    std::string_view first = content.substr(0, end);
    if (first.substr(0, 3) == "\xEF\xBB\xBF") first.remove_prefix(3);
    return lower(trim(first)) == kHeader;
}

std::optional<IrdbFile> read_irdb_csv(std::string_view content, const std::string& file_name,
                                      std::string* error) {
    const auto fail = [&](int line, const std::string& message) -> std::optional<IrdbFile> {
        if (error != nullptr) *error = formats::located(file_name, line, message);
        return std::nullopt;
    };
    if (!looks_like_irdb_csv(content)) {
        return fail(1, "not an irdb file (the first line is not '" + std::string(kHeader) + "')");
    }
    IrdbFile file;
    int line_number = 0;
    std::size_t rows = 0;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t end = content.find('\n', at);
        if (end == std::string_view::npos) end = content.size();
        const std::string_view line = trim(content.substr(at, end - at));
        at = end + 1;
        if (++line_number == 1 || line.empty()) continue;
        if (++rows > kMaxRows) return fail(line_number, "more rows than any remote has keys");
        const std::vector<std::string> f = fields_of(line);
        if (f.size() != 5) return fail(line_number, "a row has five fields");
        const std::string name(trim(f[0]));
        if (name.empty()) return fail(line_number, "a row without a function name");
        const auto d = number(f[2]), s = number(f[3]), fn = number(f[4]);
        if (!d || !s || !fn) return fail(line_number, "device, subdevice and function are numbers");
        std::string why;
        const auto parsed = as_parsed(std::string(trim(f[1])), *d, *s, *fn, why);
        std::optional<formats::CodeSignal> signal;
        if (parsed) signal = formats::render_parsed(*parsed, &why);
        if (!signal) {
            file.unsupported.push_back({name, why});
            continue;
        }
        signal->name = name;
        file.signals.push_back(std::move(*signal));
    }
    return file;
}

}  // namespace orvalin::library
