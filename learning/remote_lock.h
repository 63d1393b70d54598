// One writer at a time: an advisory file lock per remote in the user's runtime
// folder, taken by the program and orvalin-cli around every sequence that reads the
// code table and then writes it. Qt-free.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace orvalin::learning {

// How long a second writer waits before it reports the remote busy.
inline constexpr std::chrono::milliseconds kRemoteLockWait{3000};

// ORVALIN_RUNTIME_DIR if set, else $XDG_RUNTIME_DIR, else /tmp/orvalin-<uid>: the
// folder of the lock files.
std::filesystem::path runtime_folder();

// "orvalin-remote-<USB port path>.lock" for the remote attached now ("1-1.2"; the
// port stays when the remote is plugged in again there), "orvalin-remote-sim.lock"
// for the simulated remote, "orvalin-remote-usb.lock" when none is found.
// sysfs_root is a parameter so tests use a fake tree.
std::string remote_lock_name(const std::filesystem::path& sysfs_root = "/sys");

// Takes the lock of the remote, waiting up to `wait` (ORVALIN_LOCK_WAIT_MS overrides
// it); nullptr when another process keeps it that long. A lock file that cannot be
// made gives a handle all the same: a broken runtime folder must not stop every write.
std::shared_ptr<void> take_remote_lock(std::chrono::milliseconds wait = kRemoteLockWait);
// The same for a given lock file (tests, other folders).
std::shared_ptr<void> take_lock_file(const std::filesystem::path& file,
                                     std::chrono::milliseconds wait);

}  // namespace orvalin::learning
