#include "learning/key_code.h"

#include <cstdio>

#include "ircode/generic_learner.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "signals/formats/code_signal.h"

namespace orvalin::learning {
namespace {

template <typename T, typename F>
std::string json_array(const std::vector<T>& items, F each) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        out += each(items[i]);
    }
    return out + "]";
}

std::string int_array(const std::vector<int>& v) {
    return json_array(v, [](int d) { return std::to_string(d); });
}

std::optional<std::uint32_t> parameter(const KeyCode& code, std::string_view name) {
    for (const ircode::Parameter& p : code.parameters)
        if (p.name == name) return p.value;
    return std::nullopt;
}

}  // namespace

std::optional<formats::ParsedCode> parsed_code_of(const KeyCode& code) {
    const auto device = parameter(code, "device");
    const auto function = parameter(code, "function");
    if (code.generic() || !device || !function) return std::nullopt;
    const auto subdevice = parameter(code, "subdevice");
    const std::string& t = code.type_name;
    const auto parsed = [](const char* protocol, std::uint32_t address, std::uint32_t command) {
        return formats::ParsedCode{protocol, address, command};
    };
    // NEC with a ditto repeat: S = ~D and the inverted function are left out
    // of the parameters (the plain form); anything else is the 16-bit form.
    if (t == "NEC1" || t == "NEC (1 frame)") {
        const auto inverse = parameter(code, "inverse");
        if (!subdevice && !inverse) return parsed("NEC", *device, *function);
        const std::uint32_t s = subdevice.value_or(~*device & 0xFF);
        const std::uint32_t i = inverse.value_or(~*function & 0xFF);
        return parsed("NECext", *device | s << 8, *function | i << 8);
    }
    if (t == "Samsung32" && subdevice == device && !parameter(code, "inverse"))
        return parsed("Samsung32", *device, *function);
    if (t == "RC5" || t == "RC5 (1 frame)") return parsed("RC5", *device, *function);
    if ((t == "RC6" || t == "RC6 (1 frame)") && parameter(code, "mode") == 0u)
        return parsed("RC6", *device, *function);
    if (t.starts_with("Sony12")) return parsed("SIRC", *device, *function);
    if (t.starts_with("Sony15")) return parsed("SIRC15", *device, *function);
    if (t.starts_with("Sony20") && subdevice)
        return parsed("SIRC20", *device | *subdevice << 5, *function);
    if (t.starts_with("LC7461")) return parsed("NEC42", *device, *function);
    if (t.starts_with("RCA")) return parsed("RCA", *device, *function);
    return std::nullopt;
}

std::optional<KeyCode> describe_key_code(std::string_view table_hex, int table_code,
                                         const std::filesystem::path& codeinfo,
                                         std::string* error) {
    auto replayed = ircode::replay_table(table_hex, error);
    if (!replayed) return std::nullopt;
    KeyCode code;
    code.replayed = std::move(*replayed);
    // The code type is what the analysis recognises the replay as; the numbers
    // are read from the image's own symbols.
    const std::string timing = ir_signals::timing_text_of(
        formats::render_press(formats::from_replay("key", code.replayed)));
    code.type_name = recognise_timing(timing, table_code, codeinfo, {}).type_name;
    if (!code.type_name.empty()) {
        if (const auto* entry =
                ircode::find_parameters(ircode::builtin_parameter_table(), code.type_name)) {
            if (auto decoded = ircode::decode_parameters(*entry, code.replayed))
                code.parameters = std::move(*decoded);
        }
    } else if (const auto generic = ircode::LearnGeneric(timing, table_code)) {
        code.shape = generic->shape;
    }
    return code;
}

std::string carrier_text(int carrier_hz) {
    if (carrier_hz <= 0) return "none";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1fkHz", carrier_hz / 1000.0);
    return buffer;
}

std::string key_code_text(const KeyCode& code) {
    std::string out;
    if (code.generic()) {
        out = "generic";
        if (!code.shape.empty()) out += " (" + code.shape + ")";
    } else {
        out = code.type_name;
        if (!code.parameters.empty()) out += " " + ircode::parameters_text(code.parameters);
    }
    return out + " carrier=" + carrier_text(code.replayed.carrier_hz);
}

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string key_code_json(const KeyCode& code) {
    std::string out = "{\"type\":";
    out += code.generic() ? "null" : json_string(code.type_name);
    out += ",\"parameters\":{";
    for (std::size_t i = 0; i < code.parameters.size(); ++i) {
        if (i > 0) out += ',';
        out +=
            json_string(code.parameters[i].name) + ":" + std::to_string(code.parameters[i].value);
    }
    out += "},\"shape\":" + json_string(code.shape);
    out += ",\"carrier_hz\":" + std::to_string(code.replayed.carrier_hz);
    out += ",\"symbols\":" + json_array(code.replayed.symbols_us, int_array);
    out += ",\"frames\":[";
    for (std::size_t i = 0; i < code.replayed.frames.size(); ++i) {
        const ircode::ReplayedFrame& f = code.replayed.frames[i];
        if (i > 0) out += ',';
        out += "{\"durations\":" + int_array(f.durations_us) +
               ",\"gap_after\":" + std::to_string(f.gap_after_us) +
               ",\"repeat\":" + (f.repeat ? "true" : "false") + ",\"symbols\":" +
               int_array(i < code.replayed.frame_symbols.size() ? code.replayed.frame_symbols[i]
                                                                : std::vector<int>{}) +
               "}";
    }
    out += "]";
    return out + "}";
}

}  // namespace orvalin::learning
