#include <iostream>
#include <iterator>
#include <optional>

#include "cli/commands.h"
#include "ircode/press_picture.h"
#include "ircode/replay.h"
#include "signals/formats/signal_format.h"

namespace orvalin::cli {
namespace {

int usage_error(Streams io, const std::string& message) {
    io.err << "orvalin-cli render: " << message << "\n" << usage_text();
    return kExitBadInput;
}

}  // namespace

int run_render(const std::vector<std::string>& args, Streams io) {
    std::optional<formats::SignalFormat> format;
    bool svg = false;  // a picture of the press instead of a code file
    std::optional<std::string> name;
    std::optional<std::string> table_arg;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--format" || a == "--name") {
            if (i + 1 >= args.size()) return usage_error(io, a + " needs a value");
            const std::string& v = args[++i];
            if (a == "--name") {
                if (v.empty() || v.find_first_of("\r\n") != std::string::npos)
                    return usage_error(io, "--name needs a name on one line");
                name = v;
            } else if (v == "svg") {
                svg = true;
            } else if (!(format = formats::format_from_name(v))) {
                return usage_error(
                    io, "--format needs one of mode2, pronto, flipper, lirc, broadlink, svg");
            }
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error(io, "unknown option " + a);
        } else if (!table_arg) {
            table_arg = a;
        } else {
            return usage_error(io, "give one table");
        }
    }
    std::string table;
    if (!table_arg || *table_arg == "-") {
        table.assign(std::istreambuf_iterator<char>(io.in), {});
    } else {
        table = *table_arg;
    }
    std::string error;
    const auto signal = ircode::replay_table(table, &error);
    if (!signal) {
        io.err << "orvalin-cli render: " << error << "\n";
        return kExitBadInput;
    }
    if (svg) {
        io.out << ircode::press_svg(
            ircode::layout_press({{name.value_or("replay"), ircode::flatten(*signal)}}));
        return kExitFit;
    }
    // Plain mode2 without a name stays the text that scripts already read.
    if (!name && (!format || *format == formats::SignalFormat::mode2)) {
        io.out << ircode::to_mode2(*signal);
        return kExitFit;
    }
    const formats::ReplayedKey key{name.value_or("key"), *signal, std::nullopt};
    io.out << formats::write_replayed_keys(format.value_or(formats::SignalFormat::mode2), {key});
    return kExitFit;
}

}  // namespace orvalin::cli
