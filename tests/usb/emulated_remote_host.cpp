// Runs one command against the remote emulated behind the kernel's interfaces:
// the testbed lives in this process, the command runs under the umockdev
// preload with VORKEL_BACKEND unset, so it reaches the emulated remote through
// the real Linux backend. The remote's memory is the simulated remote's state
// file, so `--simulated` and the emulated remote show the same remote.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/sim/state_file.h"
#include "tests/usb/emulated_remote.h"

extern char** environ;

namespace {

constexpr const char* kUsage =
    "usage: orvalin-emulated-remote [--signals DIR] [--record DIR] COMMAND [ARGUMENT...]\n"
    "Runs COMMAND against an emulated remote behind the kernel's interfaces (umockdev):\n"
    "the real Linux backend of the device library carries its calls. The remote's memory\n"
    "is the simulated remote's state file (VORKEL_SIM_STATE, else the default one); what\n"
    "the command writes is kept there. Captures play the \"mode2\" files of DIR\n"
    "(VORKEL_SIM_SIGNALS), else the built-in demo signals. --record DIR writes the remote's\n"
    "device description (DIR/device.umockdev) and its control transfers (DIR/usbfs.ioctl)\n"
    "in umockdev's formats.\n";

// A key press about 1.5 s into a capture, as with the simulated remote.
constexpr int kSignalDelayPolls = 1500;

int run(const std::vector<std::string>& command, const std::vector<std::string>& extra_env) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.starts_with("VORKEL_BACKEND=") || entry.starts_with("LD_PRELOAD=") ||
            entry.starts_with("UMOCKDEV_DIR=")) {
            continue;
        }
        env.push_back(entry);
    }
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = command;
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = ::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), envp.data());
    if (error != 0) {
        std::fprintf(stderr, "orvalin-emulated-remote: cannot run %s: %s\n", argv[0],
                     std::strerror(error));
        return 127;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string signals;
    std::string record;
    if (const char* folder = std::getenv("VORKEL_SIM_SIGNALS")) signals = folder;
    std::size_t first = 0;
    while (first < args.size()) {
        if (args[first] == "--help" || args[first] == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (args[first] == "--signals" && first + 1 < args.size()) {
            signals = args[first + 1];
            first += 2;
            continue;
        }
        if (args[first] == "--record" && first + 1 < args.size()) {
            record = args[first + 1];
            first += 2;
            continue;
        }
        if (args[first] == "--") ++first;
        break;
    }
    if (first >= args.size()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        namespace usb = orvalin::usb_test;
        const std::filesystem::path state = vorkel::sim::default_state_path();
        usb::EmulatedBus bus;
        usb::EmulatedRemote& remote = bus.add_remote();
        {
            const vorkel::sim::StateLock lock(state);
            vorkel::sim::LoadedState loaded = vorkel::sim::read_state(state);
            if (loaded.status == vorkel::sim::StateRead::damaged) {
                // As the simulated remote does: kept aside, never overwritten.
                const std::filesystem::path aside = vorkel::sim::set_aside_damaged(state);
                std::fprintf(stderr, "orvalin-emulated-remote: the state file %s is damaged; %s\n",
                             state.c_str(),
                             aside.empty() ? "it could not be moved aside"
                                           : ("kept as " + aside.string()).c_str());
            }
            remote.with_firmware([&](usb::Firmware& f) {
                if (loaded.status == vorkel::sim::StateRead::ok) f.load(std::move(loaded.memory));
                f.set_signal_delay_polls(kSignalDelayPolls);
            });
        }
        if (!signals.empty()) {
            remote.set_signal_folder(signals);
        } else {
            remote.set_demo_signals(true);
        }
        if (!record.empty()) {
            std::filesystem::create_directories(record);
            std::ofstream(std::filesystem::path(record) / "device.umockdev")
                << usb::device_description({});
            remote.record_usbfs(std::filesystem::path(record) / "usbfs.ioctl");
        }
        const int status = run({args.begin() + static_cast<std::ptrdiff_t>(first), args.end()},
                               bus.client_environment());
        const vorkel::sim::StateLock lock(state);
        const bool saved = remote.with_firmware([&](usb::Firmware& f) {
            return !f.take_dirty() || vorkel::sim::save_state(state, f.memory());
        });
        if (!saved) {
            std::fprintf(stderr, "orvalin-emulated-remote: cannot save the remote's memory in %s\n",
                         state.c_str());
            return status != 0 ? status : 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvalin-emulated-remote: %s\n", e.what());
        return 2;
    }
}
