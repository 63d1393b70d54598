// Runs a piece of a test as an ordinary user: root writes into read-only folders,
// so a test of a read-only program folder run by root drops its rights first (in a
// child process, so the test program keeps its own).
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace orvalin::update::testing {

// body's result; with root rights, body runs in a child as user and group 65534
// ("nobody") after the folder tree was handed to that user.
inline bool as_ordinary_user(const std::filesystem::path& tree, const std::function<bool()>& body) {
    if (geteuid() != 0) return body();
    constexpr uid_t kNobody = 65534;
    for (const auto& e : std::filesystem::recursive_directory_iterator(tree))
        if (lchown(e.path().c_str(), kNobody, kNobody) != 0) return false;
    if (lchown(tree.c_str(), kNobody, kNobody) != 0) return false;
    // The way down to tree must be open to that user.
    for (auto p = tree.parent_path(); p != p.root_path(); p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && (st.st_mode & S_IXOTH) == 0)
            chmod(p.c_str(), st.st_mode | S_IXOTH);
    }
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace orvalin::update::testing
