#include <iostream>
#include <iterator>

#include "cli/commands.h"
#include "ircode/replay.h"

namespace orvalin::cli {

int run_render(const std::vector<std::string>& args, Streams io) {
    if (args.size() > 1) {
        io.err << "orvalin-cli render: give one table\n" << usage_text();
        return kExitBadInput;
    }
    if (!args.empty() && args[0].size() > 1 && args[0][0] == '-') {
        io.err << "orvalin-cli render: unknown option " << args[0] << "\n" << usage_text();
        return kExitBadInput;
    }
    std::string table;
    if (args.empty() || args[0] == "-") {
        table.assign(std::istreambuf_iterator<char>(io.in), {});
    } else {
        table = args[0];
    }
    std::string error;
    const auto signal = ircode::replay_table(table, &error);
    if (!signal) {
        io.err << "orvalin-cli render: " << error << "\n";
        return kExitBadInput;
    }
    io.out << ircode::to_mode2(*signal);
    return kExitFit;
}

}  // namespace orvalin::cli
