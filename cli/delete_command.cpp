// orvalin-cli delete --mode M --key NAME: removes one learned key's code, with a
// backup of the table first.
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"

namespace orvalin::cli {

int run_delete(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode", "--key"}, {}, why);
    if (!options || !options->rest.empty() || !options->value("--key")) {
        io.err << "orvalin-cli delete: " << (options ? "usage: delete --mode M --key NAME" : why)
               << "\n";
        return kExitBadInput;
    }
    std::optional<int> mode;
    if (const auto m = options->value("--mode"); m && !(mode = parse_mode(*m))) {
        io.err << "orvalin-cli delete: unknown mode " << *m << " (TV, CBL or DVD)\n";
        return kExitBadInput;
    }
    const auto key = parse_key(*options->value("--key"), mode, why);
    if (!key) {
        io.err << "orvalin-cli delete: " << why << "\n";
        return kExitBadInput;
    }
    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err)) return *status;
    session.set_device_mode(key->mode);
    const std::string name = std::string(mode_text(key->mode)) + " " + key_name(key->key_code);
    if (session.check_delete(key->key_code) != learning::DeleteCheck::ok) {
        io.err << "orvalin-cli delete: " << name << " holds no learned code\n";
        return kExitBadInput;
    }
    if (const auto e = session.delete_key(key->key_code); e != learning::TableError::none) {
        io.err << "orvalin-cli delete: " << learning::describe(e) << "\n";
        return kExitBadInput;
    }
    if (!session.write_deletions()) return report_write_failure(session, "delete", io.err);
    io.out << "deleted: " << name << "\n";
    return kExitDone;
}

}  // namespace orvalin::cli
