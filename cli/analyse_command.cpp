#include <charconv>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/commands.h"
#include "common/data_files.h"
#include "common/timing_markers.h"
#include "ircode/analysis.h"
#include "learning/fallback_converter.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "signals/formats/code_file.h"

namespace orvalin::cli {
namespace {

constexpr std::size_t kTimingPrefix = timing::kPrefixLength;
constexpr long kMaxKey = 255;  // the table code is one byte of the image
constexpr long kMaxCarrierHz = 500000;

struct AnalyseOptions {
    std::filesystem::path codeinfo;
    std::filesystem::path converter;
    std::optional<int> carrier_hz;
    int key = 0;
    std::optional<std::string> timing;
    std::optional<std::string> signal_path;
    std::optional<formats::SignalFormat> format;
    std::optional<std::string> signal_name;
};

std::optional<long> parse_number(const std::string& text) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::filesystem::path program_dir() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

int usage_error(Streams io, const std::string& message) {
    io.err << "orvalin-cli analyse: " << message << "\n" << usage_text();
    return kExitBadInput;
}

// A timing text as convert_collected writes it: a frame count digit, four
// carrier characters, then hex digits only.
bool plausible_timing(const std::string& text) {
    if (text.size() <= kTimingPrefix || text[0] < '1' || text[0] > '9') return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return (text.size() - kTimingPrefix) % 4 == 0;
}

}  // namespace

int run_analyse(const std::vector<std::string>& args, Streams io) {
    AnalyseOptions o;
    // The copy the window uses too: an update may have put a newer one in the overlay.
    o.codeinfo = data_file(program_dir(), ircode::kCodeInfoFileName);
    o.converter = program_dir() / learning::kFallbackLibraryName;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--codeinfo" || a == "--converter" || a == "--carrier" || a == "--key" ||
            a == "--timing" || a == "--format" || a == "--signal") {
            if (!has_value) return usage_error(io, a + " needs a value");
            const std::string& v = args[++i];
            if (a == "--codeinfo") {
                o.codeinfo = v;
            } else if (a == "--converter") {
                o.converter = v;
            } else if (a == "--timing") {
                o.timing = v;
            } else if (a == "--signal") {
                o.signal_name = v;
            } else if (a == "--format") {
                o.format = formats::format_from_name(v);
                if (!o.format) {
                    return usage_error(
                        io, "--format needs one of mode2, pronto, flipper, lirc, broadlink");
                }
            } else {
                const std::optional<long> n = parse_number(v);
                const long maximum = a == "--key" ? kMaxKey : kMaxCarrierHz;
                if (!n || *n < 0 || *n > maximum) {
                    return usage_error(io,
                                       a + " needs a number from 0 to " + std::to_string(maximum));
                }
                (a == "--key" ? o.key : o.carrier_hz.emplace()) = static_cast<int>(*n);
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return usage_error(io, "unknown option " + a);
        } else if (!o.signal_path) {
            o.signal_path = a;
        } else {
            return usage_error(io, "more than one signal given");
        }
    }
    if (o.timing && o.signal_path) return usage_error(io, "give a signal or --timing, not both");
    if (!o.timing && !o.signal_path) return usage_error(io, "no signal given");
    if (o.timing && o.carrier_hz)
        return usage_error(io, "--carrier applies to a signal, not to --timing");
    if (o.timing && (o.format || o.signal_name))
        return usage_error(io, "--format and --signal apply to a signal file, not to --timing");
    if (!std::filesystem::is_regular_file(o.codeinfo)) {
        io.err << "orvalin-cli analyse: code-info file not found: " << o.codeinfo.string() << "\n";
        return kExitBadInput;
    }

    std::string timing;
    if (o.timing) {
        timing = *o.timing;
        if (!plausible_timing(timing)) {
            io.err << "orvalin-cli analyse: not a timing text: " << timing << "\n";
            return kExitBadInput;
        }
    } else {
        std::string error;
        std::optional<formats::SignalFile> file;
        if (*o.signal_path == "-") {
            const std::string text(std::istreambuf_iterator<char>(io.in), {});
            file = formats::parse_code_file(text, "standard input", o.format, &error);
        } else {
            file = formats::load_signal_file(*o.signal_path, o.format, &error);
        }
        if (!file) {
            io.err << "orvalin-cli analyse: " << error << "\n";
            return kExitBadInput;
        }
        const formats::CodeSignal* picked = formats::pick_signal(*file, o.signal_name, &error);
        if (picked == nullptr) {
            io.err << "orvalin-cli analyse: " << error << "\n";
            return kExitBadInput;
        }
        // One key press, as the remote captures it from the key held briefly.
        ir_signals::PulseSignal signal = formats::render_press(*picked, 1);
        if (o.carrier_hz) signal.carrier_hz = *o.carrier_hz;
        timing = ir_signals::timing_text_of(signal);
        if (timing.empty()) {
            io.err << "orvalin-cli analyse: the capture of this signal holds no complete signal\n";
            return kExitBadInput;
        }
    }

    // The program's recognition: the code types first, then the fallback converter.
    const learning::Recognition result =
        learning::recognise_timing(timing, o.key, o.codeinfo, o.converter);
    if (result.converter_asked && !result.converter_error.empty())
        io.err << "orvalin-cli analyse: converter: " << result.converter_error << "\n";
    const bool fits = result.ok();
    std::string type = "none";
    if (fits && result.by_converter)
        type = "generic (" + (result.shape.empty() ? std::string("learned") : result.shape) + ")";
    else if (fits)
        type = result.type_name;
    io.out << "timing: " << result.timing << "\n";
    io.out << "type: " << type << "\n";
    io.out << "table: " << result.table << "\n";
    return fits ? kExitFit : kExitNoFit;
}

}  // namespace orvalin::cli
