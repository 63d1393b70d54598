// orvalin-cli keys [--mode TV|CBL|DVD] [--json]: every key of the remote picture
// with its table code and what it holds (empty, preset, learned); a learned key
// with the code type, parameters and carrier read back from its image. Reads only.
#include <iomanip>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/key_table.h"
#include "ircode/analysis.h"
#include "learning/key_code.h"

namespace orvalin::cli {

int run_keys(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode"}, {"--json"}, why);
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
    const bool json = options->flag("--json");
    learning::Session session;
    if (const auto status = open_session(session, io.err)) return *status;
    const std::filesystem::path codeinfo = program_folder() / ircode::kCodeInfoFileName;
    bool first = true;
    if (json) io.out << "[";
    for (int mode = 0; mode < 3; ++mode) {
        if (only && *only != mode) continue;
        for (const KeyInfo& k : kKeyTable) {
            const int code = k.code + kCodesPerMode * mode;
            const learning::KeyEntry* e = learning::find_key(session.keys(), code);
            const bool learned = e != nullptr && learning::is_learned(e->state);
            const std::string state = e == nullptr ? "empty" : learned ? "learned" : "preset";
            std::optional<learning::KeyCode> described;
            std::string unreadable;
            if (learned) {
                const learning::TableResult image = learning::one_key_text(session.table(), code);
                if (image.ok())
                    described =
                        learning::describe_key_code(image.text, code, codeinfo, &unreadable);
                else
                    unreadable = "no image in the table";
            }
            std::ostringstream table_code;
            table_code << "0x" << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
                       << code;
            if (json) {
                io.out << (first ? "\n" : ",\n") << "{\"mode\":\"" << mode_text(mode)
                       << "\",\"table_code\":\"" << table_code.str()
                       << "\",\"key\":" << learning::json_string(key_message_name(k))
                       << ",\"state\":\"" << state << "\",\"code\":"
                       << (described ? learning::key_code_json(*described) : "null");
                if (learned && !described)
                    io.out << ",\"error\":" << learning::json_string(unreadable);
                io.out << "}";
                first = false;
                continue;
            }
            io.out << mode_text(mode) << " " << table_code.str() << " " << key_message_name(k)
                   << ": " << state;
            // An image that cannot be read back stays a plain "learned" (--json says why).
            if (described) io.out << " " << learning::key_code_text(*described);
            io.out << "\n";
        }
    }
    if (json) io.out << "\n]\n";
    return kExitDone;
}

}  // namespace orvalin::cli
