#include "update/staged_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "update/file_io.h"
#include "update/staged_manifest.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace fs = std::filesystem;

namespace {

// While an install replaces files, the journal lists them; a start that finds it
// undoes the install. Afterwards it becomes the record of the one rollback.
constexpr const char* kJournal = "install.journal";
constexpr const char* kPrevious = "previous";
constexpr const char* kRestoreList = "restore.lst";

// One replaced file: in which folder, and whether a copy existed before.
struct Replaced {
    bool overlay = false;
    std::string file;
    bool existed = false;
};

fs::path temp_name(const fs::path& dir, const std::string& file) {
    return dir / ("." + file + ".orvalin-new");
}

bool regular(const fs::path& p, struct stat* st = nullptr) {
    struct stat s {};
    if (::lstat(p.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return false;
    if (st != nullptr) *st = s;
    return true;
}

fs::path folder_of(const InstallFolders& f, const Replaced& r) {
    return r.overlay ? f.overlay : f.program;
}

std::string journal_text(const std::vector<Replaced>& list) {
    std::ostringstream out;
    for (const auto& r : list)
        out << (r.overlay ? "overlay" : "program") << '|' << r.file << '|'
            << (r.existed ? '1' : '0') << '\n';
    return out.str();
}

std::optional<std::vector<Replaced>> read_journal(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::vector<Replaced> out;
    std::string line;
    while (std::getline(in, line)) {
        const auto a = line.find('|');
        const auto b = line.rfind('|');
        if (a == std::string::npos || b == a) return std::nullopt;
        Replaced r;
        const std::string where = line.substr(0, a);
        r.file = line.substr(a + 1, b - a - 1);
        const std::string had = line.substr(b + 1);
        if ((where != "overlay" && where != "program") || (had != "0" && had != "1") ||
            !is_safe_file_name(r.file))
            return std::nullopt;
        r.overlay = where == "overlay";
        r.existed = had == "1";
        out.push_back(std::move(r));
    }
    return out;
}

// Puts the kept copies back; true when every file is as it was.
bool restore(const InstallFolders& f, const std::vector<Replaced>& list) {
    bool ok = true;
    const fs::path previous = f.staging / kPrevious;
    for (const auto& r : list) {
        const fs::path dir = folder_of(f, r);
        const fs::path target = dir / r.file;
        if (!r.existed) {
            if (::unlink(target.c_str()) != 0 && errno != ENOENT) ok = false;
            continue;
        }
        const fs::path temp = temp_name(dir, r.file);
        ::unlink(temp.c_str());
        struct stat st {};
        const mode_t mode = regular(previous / r.file, &st) ? (st.st_mode & 07777) : 0644;
        if (!copy_to_new_file(previous / r.file, temp, mode) ||
            ::rename(temp.c_str(), target.c_str()) != 0) {
            ::unlink(temp.c_str());
            ok = false;
        }
        sync_dir(dir);
    }
    return ok;
}

void drop_staged(const fs::path& staging, const std::vector<StagedEntry>& entries) {
    for (const auto& e : entries) ::unlink((staging / e.file).c_str());
    write_manifest(staging, {});
}

bool writable_folder(const fs::path& dir) {
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(dir.c_str(), W_OK | X_OK) == 0;
}

InstallReport fail(InstallReport report, std::string why) {
    report.installed.clear();
    report.failure = std::move(why);
    return report;
}

}  // namespace

InstallFolders InstallFolders::for_program(const fs::path& program_dir, const UserFolders& user) {
    return {program_dir, user.staging(), user.overlay()};
}

std::string InstallReport::message() const {
    if (recovered) return "上次升级没有完成，已恢复原来的文件！";
    if (!failure.empty()) return "升级没有完成，原来的文件保持不变：" + failure;
    if (installed.empty()) return {};
    std::string text = "升级完成！已更新：";
    for (std::size_t i = 0; i < installed.size(); ++i) text += (i > 0 ? "、" : "") + installed[i];
    return text;
}

InstallReport install_staged_updates(const InstallFolders& f) {
    InstallReport report;
    std::error_code ec;
    if (f.staging.empty() || !fs::is_directory(fs::symlink_status(f.staging, ec))) return report;

    const auto entries = read_manifest(f.staging);

    // An install cut short (power loss, a crash): undo it before anything else.
    const fs::path journal = f.staging / kJournal;
    if (regular(journal)) {
        const auto list = read_journal(journal);
        if (list && restore(f, *list)) {
            for (const auto& r : *list) ::unlink(temp_name(folder_of(f, r), r.file).c_str());
            ::unlink(journal.c_str());
            report.recovered = true;
        } else {
            report.failure = "上次升级没有完成，恢复原来的文件失败";
        }
        if (entries) drop_staged(f.staging, *entries);
        return report;
    }
    if (!entries) {
        write_manifest(f.staging, {});
        return fail(report, "升级记录已损坏");
    }
    if (entries->empty()) return report;

    // Every staged file must still hold the signed bytes.
    for (const auto& e : *entries) {
        if (check_download(f.staging / e.file, e.size, e.sha256) != DownloadCheck::matches) {
            drop_staged(f.staging, *entries);
            return fail(report, "“" + e.file + "”与签名的校验值不符");
        }
    }

    const bool into_overlay = !writable_folder(f.program);
    report.target = into_overlay ? f.overlay : f.program;
    if (into_overlay) {
        fs::create_directories(f.overlay, ec);
        if (!writable_folder(f.overlay)) {
            drop_staged(f.staging, *entries);
            return fail(report, "程序文件夹和用户文件夹都不能写入");
        }
    }

    // New copies beside their targets first: nothing is replaced until all are there.
    std::vector<Replaced> list;
    auto remove_temps = [&] {
        for (const auto& e : *entries) ::unlink(temp_name(report.target, e.file).c_str());
    };
    for (const auto& e : *entries) {
        const fs::path target = report.target / e.file;
        struct stat old {};
        const bool existed = regular(target, &old);
        const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
        ::unlink(temp_name(report.target, e.file).c_str());
        if (!copy_to_new_file(f.staging / e.file, temp_name(report.target, e.file), mode)) {
            remove_temps();
            drop_staged(f.staging, *entries);
            return fail(report, "不能写入“" + e.file + "”");
        }
        list.push_back({into_overlay, e.file, existed});
    }

    // Keep the copies about to be replaced (the one rollback), then note the install.
    const fs::path previous = f.staging / kPrevious;
    fs::remove_all(previous, ec);
    fs::create_directories(previous, ec);
    bool kept = !ec;
    for (const auto& r : list) {
        if (!kept) break;
        if (r.existed) {
            struct stat st {};
            regular(report.target / r.file, &st);
            kept = copy_to_new_file(report.target / r.file, previous / r.file, st.st_mode & 07777);
        }
    }
    if (!kept || !replace_file(journal, journal_text(list))) {
        remove_temps();
        ::unlink(journal.c_str());
        drop_staged(f.staging, *entries);
        return fail(report, "不能保存原来的文件");
    }

    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto& r = list[i];
        if (::rename(temp_name(report.target, r.file).c_str(), (report.target / r.file).c_str()) !=
            0) {
            // Undo the files already replaced; the rest are untouched.
            restore(f, std::vector<Replaced>(list.begin(), list.begin() + static_cast<long>(i)));
            remove_temps();
            ::unlink(journal.c_str());
            drop_staged(f.staging, *entries);
            return fail(report, "不能替换“" + r.file + "”");
        }
        report.installed.push_back(r.file);
    }
    sync_dir(report.target);
    // The journal becomes the record of what a rollback puts back.
    if (::rename(journal.c_str(), (previous / kRestoreList).c_str()) != 0)
        ::unlink(journal.c_str());
    drop_staged(f.staging, *entries);
    return report;
}

bool roll_back_last_install(const InstallFolders& f, std::string* why) {
    const fs::path record = f.staging / kPrevious / kRestoreList;
    const auto list = read_journal(record);
    if (!list) {
        if (why != nullptr) *why = "没有可以恢复的升级";
        return false;
    }
    if (!restore(f, *list)) {
        if (why != nullptr) *why = "恢复原来的文件失败";
        return false;
    }
    ::unlink(record.c_str());
    return true;
}

}  // namespace orvalin::update
