#include "ircode/parameter_decoder.h"

#include <algorithm>
#include <charconv>

namespace orvalin::ircode {

// Generated from data/codeinfo/parameters.txt by the build.
extern const char* const kBuiltinParameterTable;

namespace {

constexpr int kMaxSymbols = 4;
constexpr int kMaxFieldBits = 32;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::optional<int> number(std::string_view s) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || end != s.data() + s.size() || v < 0) return std::nullopt;
    return v;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// "START+LENGTH" or "!START+LENGTH".
std::optional<ParameterPart> parse_part(std::string_view s) {
    ParameterPart part;
    if (!s.empty() && s.front() == '!') {
        part.inverted = true;
        s.remove_prefix(1);
    }
    const std::size_t plus = s.find('+');
    if (plus == std::string_view::npos) return std::nullopt;
    const auto start = number(s.substr(0, plus));
    const auto length = number(s.substr(plus + 1));
    if (!start || !length || *length < 1 || *length > kMaxFieldBits) return std::nullopt;
    part.start = *start;
    part.length = *length;
    return part;
}

std::optional<ParameterField> parse_field(std::string_view s) {
    const std::size_t eq = s.find('=');
    if (eq == 0 || eq == std::string_view::npos) return std::nullopt;
    ParameterField field;
    field.name = std::string(s.substr(0, eq));
    std::string_view rest = s.substr(eq + 1);
    if (const std::size_t tilde = rest.find('~'); tilde != std::string_view::npos) {
        field.omit_if_complement_of = std::string(rest.substr(tilde + 1));
        if (field.omit_if_complement_of.empty()) return std::nullopt;
        rest = rest.substr(0, tilde);
    }
    int total = 0;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const auto part = parse_part(rest.substr(0, comma));
        if (!part) return std::nullopt;
        total += part->length;
        field.parts.push_back(*part);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    if (field.parts.empty() || total > kMaxFieldBits) return std::nullopt;
    return field;
}

std::optional<CodeTypeParameters> parse_line(std::string_view line, std::string& why) {
    const std::size_t colon = line.rfind(':');
    if (colon == std::string_view::npos || trim(line.substr(0, colon)).empty()) {
        why = "expected \"NAME: symbols order fields\"";
        return std::nullopt;
    }
    CodeTypeParameters entry;
    entry.type_name = std::string(trim(line.substr(0, colon)));
    entry.symbol_values.assign(kMaxSymbols, -1);
    bool ordered = false;
    for (const std::string_view w : words(line.substr(colon + 1))) {
        if (w == "lsb" || w == "msb") {
            entry.msb_first = w == "msb";
            ordered = true;
        } else if (w.size() > 2 && w[1] == '=' && w[0] >= 'u' && w[0] <= 'x') {
            const auto v = number(w.substr(2));
            if (!v || *v >= (1 << entry.bits_per_symbol)) {
                why = "symbol value " + std::string(w) + " does not fit its bits";
                return std::nullopt;
            }
            entry.symbol_values[static_cast<std::size_t>(w[0] - 'u')] = *v;
        } else if (w.starts_with("bits=")) {
            const auto v = number(w.substr(5));
            if (!v || *v < 1 || *v > 2) {
                why = "bits= takes 1 or 2";
                return std::nullopt;
            }
            entry.bits_per_symbol = *v;
        } else if (const auto field = parse_field(w)) {
            entry.fields.push_back(*field);
        } else {
            why = "cannot read \"" + std::string(w) + "\"";
            return std::nullopt;
        }
    }
    if (!ordered || entry.fields.empty()) {
        why = "a code type needs its bit order (lsb or msb) and at least one field";
        return std::nullopt;
    }
    for (const ParameterField& f : entry.fields) {
        if (f.omit_if_complement_of.empty()) continue;
        if (std::none_of(entry.fields.begin(), entry.fields.end(), [&](const ParameterField& g) {
                return g.name == f.omit_if_complement_of;
            })) {
            why = "field " + f.name + " refers to no field " + f.omit_if_complement_of;
            return std::nullopt;
        }
    }
    return entry;
}

std::uint32_t mask_of(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
}

}  // namespace

std::optional<std::vector<CodeTypeParameters>> parse_parameter_table(std::string_view text,
                                                                     std::string* error) {
    std::vector<CodeTypeParameters> table;
    int line_number = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        ++line_number;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = trim(line);
        if (line.empty()) continue;
        std::string why;
        auto entry = parse_line(line, why);
        if (entry && find_parameters(table, entry->type_name) != nullptr)
            why = "code type " + entry->type_name + " appears twice";
        if (!entry || !why.empty()) {
            if (error != nullptr) *error = "line " + std::to_string(line_number) + ": " + why;
            return std::nullopt;
        }
        table.push_back(std::move(*entry));
    }
    return table;
}

const std::vector<CodeTypeParameters>& builtin_parameter_table() {
    // The build checks the file (the parameter tests read it too); a table that
    // does not read decodes nothing rather than stopping the program.
    static const std::vector<CodeTypeParameters> table =
        parse_parameter_table(kBuiltinParameterTable).value_or(std::vector<CodeTypeParameters>{});
    return table;
}

const CodeTypeParameters* find_parameters(const std::vector<CodeTypeParameters>& table,
                                          std::string_view type_name) {
    for (const CodeTypeParameters& e : table)
        if (e.type_name == type_name) return &e;
    return nullptr;
}

std::optional<std::vector<Parameter>> decode_parameters(const CodeTypeParameters& entry,
                                                        const ReplayedSignal& signal) {
    if (signal.frame_symbols.empty()) return std::nullopt;
    std::vector<int> bits;
    for (const int s : signal.frame_symbols.front()) {
        if (s < 0 || s >= kMaxSymbols) return std::nullopt;
        const int value = entry.symbol_values[static_cast<std::size_t>(s)];
        if (value < 0) return std::nullopt;
        for (int b = entry.bits_per_symbol - 1; b >= 0; --b) bits.push_back((value >> b) & 1);
    }
    std::vector<Parameter> out;
    for (const ParameterField& field : entry.fields) {
        std::uint32_t value = 0;
        for (const ParameterPart& part : field.parts) {
            if (static_cast<std::size_t>(part.start + part.length) > bits.size())
                return std::nullopt;
            std::uint32_t v = 0;
            for (int i = 0; i < part.length; ++i) {
                const auto bit =
                    static_cast<std::uint32_t>(bits[static_cast<std::size_t>(part.start + i)]);
                v |= bit << (entry.msb_first ? part.length - 1 - i : i);
            }
            if (part.inverted) v = ~v & mask_of(part.length);
            value = part.length >= 32 ? v : (value << part.length) | v;
        }
        out.push_back({field.name, value});
    }
    // Leave out a field that only repeats another one inverted (NEC's S = ~D).
    std::vector<Parameter> shown;
    for (std::size_t i = 0; i < entry.fields.size(); ++i) {
        const ParameterField& f = entry.fields[i];
        bool omit = false;
        if (!f.omit_if_complement_of.empty()) {
            int width = 0;
            for (const ParameterPart& p : f.parts) width += p.length;
            for (std::size_t j = 0; j < entry.fields.size(); ++j)
                if (entry.fields[j].name == f.omit_if_complement_of)
                    omit = out[i].value == (~out[j].value & mask_of(width));
        }
        if (!omit) shown.push_back(out[i]);
    }
    return shown;
}

std::string parameters_text(const std::vector<Parameter>& parameters) {
    std::string out;
    for (const Parameter& p : parameters) {
        if (!out.empty()) out += ' ';
        out += p.name + "=" + std::to_string(p.value);
    }
    return out;
}

}  // namespace orvalin::ircode
