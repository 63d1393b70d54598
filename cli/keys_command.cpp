// orvalin-cli keys [--mode TV|CBL|DVD]: every key of the remote picture with its
// table code and what it holds (empty, preset, learned). Reads only.
#include <iomanip>
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/key_table.h"

namespace orvalin::cli {

int run_keys(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode"}, {}, why);
    if (!options || !options->rest.empty()) {
        io.err << "orvalin-cli keys: "
               << (options ? "unexpected argument " + options->rest[0] : why) << "\n";
        return kExitBadInput;
    }
    std::optional<int> only;
    if (const auto m = options->value("--mode")) {
        only = parse_mode(*m);
        if (!only) {
            io.err << "orvalin-cli keys: unknown mode " << *m << " (TV, CBL or DVD)\n";
            return kExitBadInput;
        }
    }
    learning::Session session;
    if (const auto status = open_session(session, io.err)) return *status;
    for (int mode = 0; mode < 3; ++mode) {
        if (only && *only != mode) continue;
        for (const KeyInfo& k : kKeyTable) {
            const int code = k.code + kCodesPerMode * mode;
            const learning::KeyEntry* e = learning::find_key(session.keys(), code);
            std::string state = e == nullptr                     ? "empty"
                                : learning::is_learned(e->state) ? "learned"
                                                                 : "preset";
            // A learned key shows the code type its image is recognised as, where one is.
            if (e != nullptr && learning::is_learned(e->state))
                if (const std::string type = recognised_type(session.table(), code); !type.empty())
                    state += " (" + type + ")";
            io.out << mode_text(mode) << " 0x" << std::hex << std::uppercase << std::setw(2)
                   << std::setfill('0') << code << std::dec << " " << key_message_name(k) << ": "
                   << state << "\n";
        }
    }
    return kExitDone;
}

}  // namespace orvalin::cli
