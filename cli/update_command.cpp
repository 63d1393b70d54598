#include "cli/update_command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "common/vendor_host.h"
#include "update/configuration_check.h"
#include "update/configuration_fetch.h"
#include "update/digest.h"
#include "update/file_download.h"
#include "update/file_list.h"
#include "update/publisher_key.h"
#include "update/staged_install.h"
#include "update/staged_manifest.h"
#include "update/update_names.h"
#include "update/update_urls.h"

namespace orvalin::cli {
namespace fs = std::filesystem;
using namespace orvalin::update;

namespace {

constexpr const char* kUsage =
    "usage: orvalin-cli update check [--json]\n"
    "       orvalin-cli update install [--server NAME]\n"
    "       orvalin-cli update rollback\n"
    "       orvalin-cli update status [--json]\n"
    "\n"
    "check     fetches the signed update configuration from the vendor host and prints\n"
    "          what it offers: its release (serial and expiry), its servers, and each\n"
    "          file with whether the copy in use is older.\n"
    "install   fetches the configuration, downloads the offered files that are newer\n"
    "          than the copies in use from the first server (or NAME), checks each\n"
    "          against its signed hash and installs them all, or none, at once\n"
    "          (into the program folder when it is writable, else the user's overlay).\n"
    "rollback  puts back what the last install replaced.\n"
    "status    names the release installed and where each data file is taken from.\n"
    "\n"
    "exit status: 0 done, 1 refused, failed or nothing there, 2 bad input\n";

constexpr const char* kNoKey =
    "orvalin-cli update: this build takes no online updates: it was built without a\n"
    "publisher key (ORVALIN_UPDATE_PUBLIC_KEY; see README, \"Serving updates yourself\")\n";

int bad_usage(Streams io, const std::string& why) {
    io.err << "orvalin-cli update: " << why << "\n" << kUsage;
    return kExitBadInput;
}

std::string json_text(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string release_refusal(ReleaseCheck check, const Release& release,
                            const std::optional<AcceptedRelease>& accepted) {
    switch (check) {
        case ReleaseCheck::missing:
            return "the configuration carries no release serial and expiry: the server must "
                   "sign it again";
        case ReleaseCheck::malformed:
            return "the configuration's release serial or expiry cannot be read: the server "
                   "must sign it again";
        case ReleaseCheck::older:
            return "the configuration's release " + std::to_string(release.serial) +
                   " is older than the release " + std::to_string(accepted ? accepted->serial : 0) +
                   " accepted before (an old configuration replayed?)";
        case ReleaseCheck::replayed:
            return "release " + std::to_string(release.serial) +
                   " was accepted before with other contents";
        case ReleaseCheck::expired:
            return "the configuration expired at " + utc_text(release.expires);
        case ReleaseCheck::fresh:
            break;
    }
    return {};
}

// The configuration fetched and checked; nullopt (with the reason told) when it
// does not pass.
std::optional<CheckedConfiguration> fetch_checked(HttpClient& http, const UpdateSetup& setup,
                                                  std::string& body, std::string& signature,
                                                  Streams io) {
    const std::string url = config_url(vendor_host());
    FetchedConfiguration fetched = fetch_configuration(http, vendor_host(), nullptr);
    if (!fetched.ok) {
        io.err << "orvalin-cli update: cannot fetch " << url << "\n";
        return std::nullopt;
    }
    const auto accepted = read_accepted_release(setup.folders.staging());
    CheckedConfiguration checked =
        check_configuration(fetched.body, fetched.signature, *setup.key, accepted, now_seconds());
    std::string why;
    switch (checked.verdict) {
        case ConfigVerdict::accepted:
            body = std::move(fetched.body);
            signature = std::move(fetched.signature);
            return checked;
        case ConfigVerdict::unsigned_config:
            why = "the configuration is not signed";
            break;
        case ConfigVerdict::bad_signature:
            why = "the configuration's signature is not valid for this build's publisher key";
            break;
        case ConfigVerdict::unsound_offer:
            why = "the configuration is refused: " + checked.offer.refusal;
            break;
        case ConfigVerdict::stale:
            why = release_refusal(checked.release_check, checked.release, accepted);
            break;
    }
    io.err << "orvalin-cli update: " << url << ": " << why << "\n";
    return std::nullopt;
}

fs::path overlay_of(const UpdateSetup& setup) {
    return setup.folders.data.empty() ? fs::path() : setup.folders.overlay();
}

// Offered files whose copy in use is older, as the window lists them (ISO dates only).
FileList files_to_update(const CheckedConfiguration& c, const UpdateSetup& setup) {
    return build_file_list(
        c.offer.files, setup.program_dir, overlay_of(setup),
        [](const std::string& date) { return parse_iso_datetime(date); }, setup.package_serial);
}

bool listed(const FileList& list, const OfferedFile& f) {
    for (const auto& e : list.entries)
        if (e.file == f.file) return true;
    return false;
}

int check(Streams io, const UpdateSetup& setup, bool json) {
    HttpClient http(setup.http);
    std::string body, signature;
    const auto c = fetch_checked(http, setup, body, signature, io);
    if (!c) return kExitNoFit;
    const FileList wanted = files_to_update(*c, setup);
    if (json) {
        io.out << "{\"url\":" << json_text(config_url(vendor_host()))
               << ",\"release\":{\"serial\":" << c->release.serial
               << ",\"expires\":" << json_text(utc_text(c->release.expires)) << "},\"servers\":[";
        for (std::size_t i = 0; i < c->config.servers.size(); ++i)
            io.out << (i ? "," : "") << "{\"name\":" << json_text(c->config.servers[i].first)
                   << ",\"url\":" << json_text(c->config.servers[i].second) << "}";
        io.out << "],\"files\":[";
        for (std::size_t i = 0; i < c->offer.files.size(); ++i) {
            const auto& f = c->offer.files[i];
            io.out << (i ? "," : "") << "{\"file\":" << json_text(f.file) << ",\"size\":" << f.size
                   << ",\"date\":" << json_text(f.date) << ",\"sha256\":" << json_text(f.sha256)
                   << ",\"newer\":" << (listed(wanted, f) ? "true" : "false") << "}";
        }
        io.out << "]}\n";
        return kExitFit;
    }
    io.out << "configuration: " << config_url(vendor_host()) << "\n"
           << "release: " << c->release.serial << " (valid until " << utc_text(c->release.expires)
           << ")\n";
    for (const auto& [name, url] : c->config.servers)
        io.out << "server: " << name << " " << url << "\n";
    for (const auto& f : c->offer.files)
        io.out << "file: " << f.file << " " << f.size << " bytes, " << f.date << ": "
               << (listed(wanted, f) ? "newer than the copy in use" : "not offered here") << "\n";
    return kExitFit;
}

int install(Streams io, const UpdateSetup& setup, const std::string& server) {
    HttpClient http(setup.http);
    std::string body, signature;
    const auto c = fetch_checked(http, setup, body, signature, io);
    if (!c) return kExitNoFit;
    const fs::path staging = setup.folders.staging();
    std::error_code ec;
    fs::create_directories(staging, ec);
    const auto accepted = read_accepted_release(staging);
    if ((!accepted || c->release.serial > accepted->serial) &&
        !write_accepted_release(staging, {c->release.serial, sha256_hex(body)})) {
        io.err << "orvalin-cli update: cannot write into " << staging.string() << "\n";
        return kExitNoFit;
    }
    if (c->config.servers.empty()) {
        io.err << "orvalin-cli update: the configuration names no server\n";
        return kExitNoFit;
    }
    const std::string base =
        server.empty() ? c->config.servers.front().second : c->config.server_url(server);
    if (base.empty()) {
        io.err << "orvalin-cli update: no server named " << server << "\n";
        return kExitBadInput;
    }
    if (!base.starts_with("http://") && !base.starts_with("https://")) {
        io.err << "orvalin-cli update: the server's address is no web address: " << base << "\n";
        return kExitNoFit;
    }
    const FileList wanted = files_to_update(*c, setup);
    if (wanted.entries.empty()) {
        io.out << "up to date: release " << c->release.serial << " offers nothing newer\n";
        return kExitFit;
    }
    drop_staged_update(staging);
    std::vector<StagedEntry> verified;
    for (const auto& f : wanted.entries) {
        const FileDownload d = download_offered_file(http, base, staging, f, nullptr);
        if (!d.ok()) {
            io.err << "orvalin-cli update: " << f.file << ": "
                   << (!d.http.ok || !d.written ? "download failed"
                       : d.check == DownloadCheck::size_differs
                           ? "its size differs from the signed one"
                           : "its contents differ from the signed hash")
                   << "; nothing installed\n";
            for (const auto& g : wanted.entries) fs::remove(staging / g.file, ec);
            return kExitNoFit;
        }
        verified.push_back({f.file, f.size, f.sha256});
    }
    if (!stage_update(staging, body, signature, verified)) {
        io.err << "orvalin-cli update: cannot keep the downloaded files; nothing installed\n";
        drop_staged_update(staging);
        return kExitNoFit;
    }
    // Files are replaced by renames: a running program keeps the copies it opened.
    const InstallReport report = install_staged_updates(
        InstallFolders::for_program(setup.program_dir, setup.folders), setup.key);
    if (report.installed.empty()) {
        io.err << "orvalin-cli update: nothing installed: " << report.failure << "\n";
        return kExitNoFit;
    }
    io.out << "installed release " << report.serial << " into " << report.target.string() << ":";
    for (const auto& f : report.installed) io.out << " " << f;
    io.out << "\n";
    return kExitFit;
}

int rollback(Streams io, const UpdateSetup& setup) {
    std::string why;
    if (!roll_back_last_install(InstallFolders::for_program(setup.program_dir, setup.folders),
                                &why)) {
        io.err << "orvalin-cli update: "
               << (why == "没有可以恢复的升级" ? "no update to roll back" : "the rollback failed")
               << "\n";
        return kExitNoFit;
    }
    io.out << "rolled back the last update\n";
    return kExitFit;
}

// The data files the program takes through the lookup, and help files found.
std::vector<std::string> data_file_names(const UpdateSetup& setup) {
    std::vector<std::string> names = {"QZ01.csl",   "on1800.dll", "sn1800.dll",     "fn1800.dll",
                                      "dn1800.dll", "bn1800.dll", "voredirav44.dll"};
    for (const fs::path& dir : {setup.program_dir, overlay_of(setup)}) {
        std::error_code ec;
        if (dir.empty() || !fs::is_directory(dir, ec)) continue;
        for (const auto& e : fs::directory_iterator(dir, ec)) {
            const std::string n = e.path().filename().string();
            if (n.ends_with(".chm") && is_safe_file_name(n) &&
                std::find(names.begin(), names.end(), n) == names.end())
                names.push_back(n);
        }
    }
    return names;
}

int status(Streams io, const UpdateSetup& setup, bool json) {
    const auto folders = InstallFolders::for_program(setup.program_dir, setup.folders);
    const auto installed = installed_serial(folders);
    const auto accepted = read_accepted_release(setup.folders.staging());
    const auto package = setup.package_serial;
    const fs::path overlay = overlay_of(setup);
    struct Row {
        std::string name, where, path;
    };
    std::vector<Row> rows;
    for (const auto& name : data_file_names(setup)) {
        const fs::path p = data_file(setup.program_dir, name, overlay, package);
        std::error_code ec;
        const bool present = fs::is_regular_file(p, ec);
        rows.push_back({name,
                        !present                     ? "absent"
                        : p.parent_path() == overlay ? "overlay"
                                                     : "program folder",
                        present ? p.string() : std::string()});
    }
    if (json) {
        const auto number = [](const std::optional<std::uint64_t>& v) {
            return v ? std::to_string(*v) : std::string("null");
        };
        io.out << "{\"installed_serial\":" << number(installed) << ",\"accepted_serial\":"
               << number(accepted ? std::optional<std::uint64_t>(accepted->serial) : std::nullopt)
               << ",\"package_serial\":" << number(package)
               << ",\"online_updates\":" << (setup.key ? "true" : "false")
               << ",\"rollback\":" << (rollback_available(folders) ? "true" : "false")
               << ",\"files\":[";
        for (std::size_t i = 0; i < rows.size(); ++i)
            io.out << (i ? "," : "") << "{\"file\":" << json_text(rows[i].name)
                   << ",\"from\":" << json_text(rows[i].where) << ",\"path\":"
                   << (rows[i].path.empty() ? std::string("null") : json_text(rows[i].path)) << "}";
        io.out << "]}\n";
        return kExitFit;
    }
    io.out << "installed release: "
           << (installed ? std::to_string(*installed) : std::string("none (files as shipped)"))
           << "\n";
    if (accepted) io.out << "highest release accepted: " << accepted->serial << "\n";
    io.out << "shipped files count as release: "
           << (package ? std::to_string(*package) : std::string("newest")) << "\n";
    if (!setup.key) io.out << "online updates: none (built without a publisher key)\n";
    io.out << "rollback: " << (rollback_available(folders) ? "available" : "none") << "\n";
    for (const auto& r : rows)
        io.out << r.name << ": " << r.where << (r.path.empty() ? "" : " " + r.path) << "\n";
    return kExitFit;
}

fs::path program_folder_of_this_program() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : exe.parent_path();
}

}  // namespace

int run_update_with(const std::vector<std::string>& args, Streams io, const UpdateSetup& setup) {
    if (args.empty()) return bad_usage(io, "no subcommand");
    const std::string& sub = args.front();
    if (sub == "--help" || sub == "-h" || sub == "help") {
        io.out << kUsage;
        return kExitFit;
    }
    bool json = false;
    std::string server;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            io.out << kUsage;
            return kExitFit;
        } else if (args[i] == "--json" && (sub == "check" || sub == "status")) {
            json = true;
        } else if (args[i] == "--server" && sub == "install" && i + 1 < args.size()) {
            server = args[++i];
        } else {
            return bad_usage(io, "unexpected argument: " + args[i]);
        }
    }
    if (sub == "status") return status(io, setup, json);
    if (sub == "rollback") return rollback(io, setup);
    if (sub != "check" && sub != "install") return bad_usage(io, "unknown subcommand: " + sub);
    if (!setup.key) {
        io.err << kNoKey;
        return kExitNoFit;
    }
    if (setup.folders.data.empty()) {
        io.err << "orvalin-cli update: no data folder (set HOME or XDG_DATA_HOME)\n";
        return kExitNoFit;
    }
    return sub == "check" ? check(io, setup, json) : install(io, setup, server);
}

int run_update(const std::vector<std::string>& args, Streams io) {
    return run_update_with(args, io,
                           {built_in_publisher_key(),
                            UserFolders::from_environment(),
                            program_folder_of_this_program(),
                            {},
                            package_data_serial()});
}

}  // namespace orvalin::cli
