// orvalin-cli restore FILE [--yes]: writes a saved code table back to the remote.
// The file is checked by the table parser first; what changes is shown per mode
// (keys whose state changes and keys whose code changes) and confirmed (unless
// --yes); a remote that changed meanwhile is not overwritten; the table the remote
// holds is backed up, then the file's table is written and read back.
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/key_table.h"
#include "learning/code_table.h"
#include "learning/table_backup.h"

namespace orvalin::cli {

namespace {

const char* state_text(const learning::KeyEntry* e) {
    if (e == nullptr) return "empty";
    return learning::is_learned(e->state) ? "learned" : "preset";
}

std::string type_text(const std::string& table, int code) {
    const std::string type = recognised_type(table, code);
    return type.empty() ? "generic" : type;
}

}  // namespace

int run_restore(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {}, {"--yes"}, why);
    if (!options || options->rest.size() != 1) {
        io.err << "orvalin-cli restore: " << (options ? "needs one FILE" : why) << "\n";
        return kExitBadInput;
    }
    const std::string& file = options->rest[0];
    const learning::TableResult table = learning::read_table_file(file);
    if (!table.ok()) {
        io.err << "orvalin-cli restore: " << file << ": not a code table ("
               << learning::describe(table.error) << ")\n";
        return kExitBadInput;
    }
    const learning::KeyStates wanted =
        learning::read_key_lines(learning::parse_key_lines(table.text).lines);

    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err, true)) return *status;
    const std::string now_text(learning::table_without_padding(session.table()));

    // Per mode in table-code order: keys whose state changes, then keys that keep
    // their state but get other code bytes (a key relearned since the backup).
    std::set<int> codes;
    for (const auto& k : wanted) codes.insert(k.code);
    for (const auto& k : session.keys()) codes.insert(k.code);
    const std::vector<int> other_bytes =
        session.keys().empty() ? std::vector<int>{} : learning::changed_keys(now_text, table.text);
    int changes = 0;
    for (int mode = 0; mode < 3; ++mode) {
        for (const int code : codes) {
            if (code / kCodesPerMode != mode) continue;
            const learning::KeyEntry* now = learning::find_key(session.keys(), code);
            const learning::KeyEntry* then = learning::find_key(wanted, code);
            if (now == nullptr || then == nullptr || now->state != then->state) {
                ++changes;
                const char* what = now == nullptr    ? "added"
                                   : then == nullptr ? "removed"
                                                     : "changed";
                io.out << what << ": " << describe_table_code(code) << " (" << state_text(now)
                       << " -> " << state_text(then) << ")\n";
            }
        }
        for (const int code : other_bytes) {
            if (code / kCodesPerMode != mode) continue;
            const learning::KeyEntry* now = learning::find_key(session.keys(), code);
            const learning::KeyEntry* then = learning::find_key(wanted, code);
            if (now == nullptr || then == nullptr || now->state != then->state) continue;
            ++changes;
            io.out << "code changed: " << describe_table_code(code) << " (" << state_text(now)
                   << ", " << type_text(now_text, code) << " -> " << type_text(table.text, code)
                   << ")\n";
        }
    }
    if (changes == 0) io.out << "no key changes\n";
    if (!options->flag("--yes")) {
        if (!confirmed(io.in, io.out, "write this table to the remote?")) {
            io.err << "orvalin-cli restore: not confirmed; nothing written\n";
            return kExitBadInput;
        }
    }
    if (!session.write_table(table.text)) return report_write_failure(session, "restore", io.err);
    io.out << "restored from " << file << "\n";
    return kExitDone;
}

}  // namespace orvalin::cli
