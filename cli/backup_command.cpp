// orvalin-cli backup [FILE]: saves the code table the remote holds, in the backup
// folder (as before every write) or in FILE (never overwritten).
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "learning/table_backup.h"

namespace orvalin::cli {

int run_backup(const std::vector<std::string>& args, Streams io) {
    if (args.size() > 1 || (args.size() == 1 && args[0].starts_with("--"))) {
        io.err << "orvalin-cli backup: takes at most one FILE\n";
        return kExitBadInput;
    }
    std::string table;
    if (!read_code_table(table, io.err)) return kExitRemote;
    const std::string text = std::string(learning::table_without_padding(table)) + "\n";
    if (args.empty()) {
        const learning::BackupResult r =
            learning::save_table_backup(text.substr(0, text.size() - 1), learning::backup_folder(),
                                        std::chrono::system_clock::now());
        if (!r.ok) {
            io.err << "orvalin-cli backup: " << r.error << "\n";
            return kExitBadInput;
        }
        io.out << "saved: " << r.file.string() << "\n";
        return kExitDone;
    }
    const int fd = ::open(args[0].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        io.err << "orvalin-cli backup: " << args[0] << ": cannot create (it may exist already)\n";
        return kExitBadInput;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(args[0].c_str());
        io.err << "orvalin-cli backup: " << args[0] << ": cannot be written\n";
        return kExitBadInput;
    }
    io.out << "saved: " << args[0] << "\n";
    return kExitDone;
}

}  // namespace orvalin::cli
