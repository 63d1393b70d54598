// orvalin-cli doctor: why the remote can or cannot be used on this machine.
// The diagnosis itself lives in the device library; this prints it, then asks
// the library what it finds and reads the basic information (read only).
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "device/diagnosis.h"
#include "device/vorkel.h"

namespace orvalin::cli {

namespace {

constexpr std::size_t kBasicInfoBuffer = 1024;

bool simulated_backend() {
    const char* choice = std::getenv("VORKEL_BACKEND");
    return choice != nullptr && std::strcmp(choice, "sim") == 0;
}

}  // namespace

int run_doctor(const std::vector<std::string>& args, Streams io) {
    if (!args.empty()) {
        io.err << "orvalin-cli doctor: takes no arguments\n";
        return kExitBadInput;
    }
    namespace diag = vorkel::linux_hid;
    const bool simulated = simulated_backend();
    diag::Diagnosis diagnosis;
    if (simulated) {
        io.out << "backend: the simulated remote (--simulated or VORKEL_BACKEND=sim)\n";
    } else {
        const diag::SystemPaths paths;
        diagnosis = diag::diagnose(paths, diag::probe_access);
        io.out << diag::describe(diagnosis, paths);
    }

    const bool linked = link_state();
    io.out << "device library finds the remote: " << (linked ? "yes" : "no") << "\n";
    bool read = false;
    if (linked) {
        std::vector<char> info(kBasicInfoBuffer, '\0');
        read = RBasicInfo(info.data()) && info[0] != '\0';
        const std::string text(info.data());
        if (read && text.size() >= 74) {
            io.out << "basic information: read (remote type " << text.substr(70, 4) << ", versions "
                   << text.substr(64, 2) << " and " << text.substr(66, 2) << ")\n";
        } else {
            io.out << "basic information: cannot be read\n";
        }
    }
    if (!simulated && linked && !read && diagnosis.verdict == diag::Verdict::ready) {
        // Both nodes open, yet no reply: nothing the access rules can explain.
        io.out << "found but cannot read:\n  - "
               << diag::advice_text(diag::Advice::replug, diag::Language::english) << "\n";
    }
    return linked && read ? kExitFit : kExitNoFit;
}

}  // namespace orvalin::cli
