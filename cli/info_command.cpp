// orvalin-cli info: the remote's type and versions, the link and how many keys
// of each device mode hold learned and preset codes. Reads only.
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/key_table.h"

namespace orvalin::cli {

int run_info(const std::vector<std::string>& args, Streams io) {
    if (!args.empty()) {
        io.err << "orvalin-cli info: takes no arguments\n";
        return kExitBadInput;
    }
    std::string info;
    if (!read_basic_info(info, io.err)) return kExitRemote;
    if (info.size() < 74) {
        io.err << "orvalin-cli: the remote's basic information is too short\n";
        return kExitRemote;
    }
    learning::Session session;
    if (const auto status = open_session(session, io.err)) return *status;
    io.out << "remote type: " << info.substr(70, 4) << "\n"
           << "firmware version: " << info.substr(64, 2) << "\n"
           << "software version: " << info.substr(66, 2) << "\n"
           << "link: attached\n";
    for (int mode = 0; mode < 3; ++mode) {
        int learned = 0;
        int preset = 0;
        for (const learning::KeyEntry& k : session.keys()) {
            if (k.code / kCodesPerMode != mode) continue;
            (learning::is_learned(k.state) ? learned : preset) += 1;
        }
        io.out << mode_text(mode) << ": " << learned << " learned, " << preset << " preset\n";
    }
    return kExitDone;
}

}  // namespace orvalin::cli
