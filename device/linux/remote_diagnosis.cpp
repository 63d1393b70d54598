#include <cstdio>
#include <sstream>
#include <system_error>

#include "device/diagnosis.h"

namespace vorkel::linux_hid {

namespace {

void add(std::vector<Advice>& advice, Advice item) {
    for (Advice present : advice) {
        if (present == item) return;
    }
    advice.push_back(item);
}

}  // namespace

Diagnosis diagnose(const SystemPaths& paths, const AccessProbe& probe) {
    Diagnosis result;
    for (const std::filesystem::path& dir : paths.rule_dirs) {
        std::error_code ec;
        const std::filesystem::path rule = dir / kUdevRuleName;
        if (std::filesystem::is_regular_file(rule, ec)) result.rules_found.push_back(rule);
    }
    for (RemoteNode& node : find_remotes(paths.sysfs_root, paths.dev_root)) {
        RemoteReport report;
        if (!node.hidraw.empty()) report.hidraw = probe(node.hidraw_path);
        if (!node.usbfs_path.empty()) report.usbfs = probe(node.usbfs_path);
        report.node = std::move(node);
        result.remotes.push_back(std::move(report));
    }

    if (result.remotes.empty()) {
        result.verdict = Verdict::no_remote;
        add(result.advice, Advice::plug_in);
        return result;
    }
    bool any_usable = false;
    for (const RemoteReport& report : result.remotes) {
        if (report.usable()) {
            any_usable = true;
            continue;
        }
        if (report.node.hidraw.empty()) {
            add(result.advice, Advice::no_hidraw_node);
            continue;
        }
        if (result.rules_found.empty()) add(result.advice, Advice::install_rule);
        add(result.advice, Advice::replug);
        if (!result.rules_found.empty()) add(result.advice, Advice::local_session);
    }
    result.verdict = any_usable ? Verdict::ready : Verdict::not_accessible;
    if (result.advice.empty()) result.advice.push_back(Advice::ready);
    return result;
}

Diagnosis diagnose_this_system() {
    return diagnose(SystemPaths{}, probe_access);
}

std::string advice_text(Advice advice, Language language) {
    const bool zh = language == Language::chinese;
    switch (advice) {
        case Advice::plug_in:
            return zh ? "未找到遥控器：请插上遥控器（USB 标识 1920:2a69 或 0c1c:0001）。"
                      : "No remote found: plug the remote in (USB identity 1920:2a69 or "
                        "0c1c:0001; `lsusb` lists it).";
        case Advice::no_hidraw_node:
            return zh ? "遥控器在 USB 总线上，但没有 hidraw "
                        "节点：请拔下后重新插上；仍不行时请确认内核的 "
                        "usbhid 驱动已加载。"
                      : "The remote is on the USB bus but has no hidraw node: unplug it and plug "
                        "it in again; if that does not help, check that the kernel's usbhid "
                        "driver is loaded.";
        case Advice::install_rule:
            return zh ? "udev 规则 70-orvalin-remote.rules 没有安装在 udev 读取的位置：请以 root "
                        "身份复制到 /etc/udev/rules.d/，再运行 udevadm control --reload。"
                      : "The udev rule 70-orvalin-remote.rules is not where udev reads it: as "
                        "root, copy it to /etc/udev/rules.d/ (the package puts it in "
                        "/usr/lib/udev/rules.d/) and run `udevadm control --reload`.";
        case Advice::replug:
            return zh ? "请拔下遥控器再重新插上：规则只在插入设备时生效。"
                      : "Unplug the remote and plug it in again: udev applies rules when a "
                        "device is plugged in.";
        case Advice::local_session:
            return zh ? "规则已安装：访问权限只给当前在本机登录的用户（uaccess），请在本机桌面会话"
                        "中运行，"
                        "不要通过 ssh 或 su。"
                      : "The rule is installed: it gives access to the user of the active local "
                        "session (uaccess). Run the program from the desktop session at this "
                        "machine, not through ssh or su.";
        case Advice::ready:
            return zh ? "遥控器可以使用。" : "The remote is ready to use.";
    }
    return {};
}

const char* verdict_text(Verdict verdict) {
    switch (verdict) {
        case Verdict::no_remote:
            return "no remote found";
        case Verdict::not_accessible:
            return "found but not accessible";
        case Verdict::ready:
            return "ready";
    }
    return "";
}

namespace {

const char* yes_no(bool value) {
    return value ? "yes" : "no";
}

std::string access_text(const NodeAccess& access) {
    if (!access.exists) return "missing";
    return std::string("read: ") + yes_no(access.readable) + ", write: " + yes_no(access.writable);
}

std::string identity_text(std::uint16_t vendor, std::uint16_t product) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendor, product);
    return text;
}

}  // namespace

std::string describe(const Diagnosis& diagnosis, const SystemPaths& paths) {
    std::ostringstream out;
    out << "remotes found: " << diagnosis.remotes.size() << "\n";
    int number = 0;
    for (const RemoteReport& report : diagnosis.remotes) {
        const RemoteNode& node = report.node;
        out << "  remote " << ++number << ": " << identity_text(node.vendor, node.product);
        if (node.usb) out << " on bus " << node.usb->bus << ", device " << node.usb->address;
        out << "\n";
        if (node.hidraw.empty()) {
            out << "    hidraw node: none\n";
        } else {
            out << "    hidraw node: " << node.hidraw_path.string() << " ("
                << access_text(report.hidraw) << ")\n";
        }
        if (node.usbfs_path.empty()) {
            out << "    usbfs node: unknown\n";
        } else {
            out << "    usbfs node: " << node.usbfs_path.string() << " ("
                << access_text(report.usbfs) << ")\n";
        }
    }
    if (diagnosis.rules_found.empty()) {
        out << "udev rule: " << kUdevRuleName << " not found in";
        for (const std::filesystem::path& dir : paths.rule_dirs) out << " " << dir.string();
        out << "\n";
    } else {
        for (const std::filesystem::path& rule : diagnosis.rules_found) {
            out << "udev rule: " << rule.string() << "\n";
        }
    }
    out << "verdict: " << verdict_text(diagnosis.verdict) << "\n";
    out << "what to do:\n";
    for (Advice advice : diagnosis.advice) {
        out << "  - " << advice_text(advice, Language::english) << "\n";
    }
    return out.str();
}

}  // namespace vorkel::linux_hid
