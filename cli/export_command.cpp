// orvalin-cli export [--mode M] [--format F] [-o FILE]: every learned key of the
// remote into one code file named by key: by protocol and parameters where the
// format names protocols (Flipper) and the code maps to one, else replayed
// from its image. Reads only.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/key_table.h"
#include "ircode/analysis.h"
#include "ircode/replay.h"
#include "learning/code_table.h"
#include "learning/key_code.h"
#include "signals/formats/signal_format.h"

namespace orvalin::cli {

int run_export(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode", "--format", "-o"}, {}, why);
    if (!options || !options->rest.empty()) {
        io.err << "orvalin-cli export: "
               << (options ? "usage: export [--mode M] [--format F] [-o FILE]" : why) << "\n";
        return kExitBadInput;
    }
    std::optional<int> only;
    if (const auto m = options->value("--mode"); m && !(only = parse_mode(*m))) {
        io.err << "orvalin-cli export: unknown mode " << *m << " (TV, CBL or DVD)\n";
        return kExitBadInput;
    }
    formats::SignalFormat format = formats::SignalFormat::mode2;
    if (const auto f = options->value("--format")) {
        const auto named = formats::format_from_name(*f);
        if (!named) {
            io.err << "orvalin-cli export: unknown format " << *f
                   << " (mode2, pronto, flipper, lirc, broadlink)\n";
            return kExitBadInput;
        }
        format = *named;
    }
    learning::Session session;
    if (const auto status = open_session(session, io.err)) return *status;
    std::vector<formats::ReplayedKey> keys;
    for (const learning::KeyEntry& k : session.keys()) {
        const int mode = k.code / kCodesPerMode;
        if (!learning::is_learned(k.state) || mode > 2 || (only && *only != mode)) continue;
        const std::string name =
            std::string(mode_text(mode)) + "_" + key_name(k.code % kCodesPerMode);
        const learning::TableResult image = learning::one_key_text(session.table(), k.code);
        std::string error;
        const auto replayed = image.ok() ? ircode::replay_table(image.text, &error) : std::nullopt;
        if (!replayed) {
            io.err << "orvalin-cli export: " << name << " cannot be replayed"
                   << (error.empty() ? "" : " (" + error + ")") << "; left out\n";
            continue;
        }
        // Named by protocol where the format has such entries and the code maps
        // to one exactly; the replay otherwise.
        const auto code = learning::describe_key_code(image.text, k.code,
                                                      program_folder() / ircode::kCodeInfoFileName);
        keys.push_back({name, *replayed, code ? learning::parsed_code_of(*code) : std::nullopt});
    }
    if (keys.empty()) {
        io.err << "orvalin-cli export: no learned keys to export\n";
        return kExitBadInput;
    }
    const std::string text = formats::write_replayed_keys(format, keys);
    const auto file = options->value("-o");
    if (!file) {
        io.out << text;
        return kExitDone;
    }
    // Never overwrites a file.
    const int fd = ::open(file->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    if (fd >= 0) ok = ::close(fd) == 0 && ok;
    if (!ok) {
        if (fd >= 0) ::unlink(file->c_str());
        io.err << "orvalin-cli export: " << *file << ": cannot be created (it may exist already)\n";
        return kExitBadInput;
    }
    io.out << "exported " << keys.size() << " keys to " << *file << "\n";
    return kExitDone;
}

}  // namespace orvalin::cli
