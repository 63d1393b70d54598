// orvalin-cli recover [--yes]: the keys that a session (window or orvalin-cli) left
// in its journal when it ended before writing them (a crash, a kill, a power loss):
// listed, confirmed (unless --yes), then written onto what the remote holds now.
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "learning/session_journal.h"

namespace orvalin::cli {

int run_recover(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {}, {"--yes"}, why);
    if (!options || !options->rest.empty()) {
        io.err << "orvalin-cli recover: " << (options ? "usage: recover [--yes]" : why) << "\n";
        return kExitBadInput;
    }
    std::vector<learning::LeftJournal> left = learning::left_journals(learning::journal_folder());
    if (left.empty()) {
        io.out << "nothing to recover\n";
        return kExitDone;
    }
    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err)) return *status;
    std::vector<learning::KeyChange> changes;
    for (const learning::LeftJournal& j : left) {
        if (!j.identity.empty() && j.identity != session.identity()) {
            io.err << "orvalin-cli recover: " << j.file.string()
                   << " was made on another remote; left alone\n";
            continue;
        }
        for (const learning::KeyChange& c : j.changes) {
            io.out << (learning::removes_key(c) ? "delete: " : "learned: ")
                   << describe_table_code(c.code) << " (" << j.file.filename().string() << ")\n";
            changes.push_back(c);
        }
    }
    if (changes.empty()) return kExitRemote;
    if (!options->flag("--yes")) {
        if (!confirmed(io.in, io.out, "write these keys to the remote?")) {
            io.err << "orvalin-cli recover: not confirmed; nothing written (the journals stay)\n";
            return kExitBadInput;
        }
    }
    if (!session.write_changes(changes)) return report_write_failure(session, "recover", io.err);
    for (const learning::LeftJournal& j : left)
        if (j.identity.empty() || j.identity == session.identity()) learning::remove_journal(j);
    io.out << "recovered: " << changes.size() << " keys\n";
    return kExitDone;
}

}  // namespace orvalin::cli
