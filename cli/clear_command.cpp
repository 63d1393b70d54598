// orvalin-cli clear --mode M: removes every learned key of a device mode, with a
// backup of the table first.
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"

namespace orvalin::cli {

int run_clear(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode"}, {}, why);
    if (!options || !options->rest.empty() || !options->value("--mode")) {
        io.err << "orvalin-cli clear: " << (options ? "usage: clear --mode M" : why) << "\n";
        return kExitBadInput;
    }
    const auto mode = parse_mode(*options->value("--mode"));
    if (!mode) {
        io.err << "orvalin-cli clear: unknown mode " << *options->value("--mode")
               << " (TV, CBL or DVD)\n";
        return kExitBadInput;
    }
    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err)) return *status;
    session.set_device_mode(*mode);
    const std::size_t count = session.learned_keys_in_mode().size();
    if (count == 0) {
        io.out << "cleared: no learned keys in " << mode_text(*mode) << "\n";
        return kExitDone;
    }
    const learning::TableResult cleared = session.cleared_table();
    if (!cleared.ok()) {
        io.err << "orvalin-cli clear: " << learning::describe(cleared.error) << "\n";
        return kExitBadInput;
    }
    if (!session.write_cleared()) return report_write_failure(session, "clear", io.err);
    io.out << "cleared: " << count << " learned keys in " << mode_text(*mode) << "\n";
    return kExitDone;
}

}  // namespace orvalin::cli
