// The diagnosis behind `orvalin-cli doctor` and the program's "found but cannot
// read" message: the remotes present, whether this user can read and write their
// hidraw and usbfs nodes, whether the udev rule lies where udev reads it, and
// what to do. Qt-free; nothing is opened and nothing is sent to a device.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "device/remote_nodes.h"

namespace vorkel::linux_hid {

inline constexpr const char* kUdevRuleName = "70-orvalin-remote.rules";

struct SystemPaths {
    std::filesystem::path sysfs_root = "/sys";
    std::filesystem::path dev_root = "/dev";
    // Where udev reads rules from, in its own order of precedence.
    std::vector<std::filesystem::path> rule_dirs = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                                    "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
};

struct RemoteReport {
    RemoteNode node;
    NodeAccess hidraw;
    NodeAccess usbfs;
    bool usable() const { return hidraw.usable() && usbfs.usable(); }
};

enum class Verdict {
    no_remote,       // nothing with the remote's identity is attached
    not_accessible,  // found, but this user cannot use both of its nodes
    ready,           // found and both nodes usable
};

enum class Advice {
    plug_in,         // attach the remote
    no_hidraw_node,  // on the USB bus without a hidraw node: replug, check the HID driver
    install_rule,    // the udev rule is not where udev reads it
    replug,          // rules apply when a device is plugged in
    local_session,   // uaccess gives access to the user of the active local session
    ready,           // nothing to do
};

struct Diagnosis {
    std::vector<RemoteReport> remotes;
    std::vector<std::filesystem::path> rules_found;
    Verdict verdict = Verdict::no_remote;
    std::vector<Advice> advice;
};

Diagnosis diagnose(const SystemPaths& paths, const AccessProbe& probe);
// This machine, as the program and orvalin-cli see it.
Diagnosis diagnose_this_system();

enum class Language { english, chinese };
std::string advice_text(Advice advice, Language language);

// "no remote found", "found but not accessible", "ready".
const char* verdict_text(Verdict verdict);

// The diagnosis as the lines that `orvalin-cli doctor` prints: each remote with
// its nodes and their access, the udev rule, the verdict and what to do.
std::string describe(const Diagnosis& diagnosis, const SystemPaths& paths);

}  // namespace vorkel::linux_hid
