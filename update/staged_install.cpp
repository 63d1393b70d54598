#include "update/staged_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "common/decimal_text.h"
#include "update/configuration_check.h"
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
constexpr const char* kInstalledRelease = "installed-release";
constexpr const char* kBefore = ".before";

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

// The records an install changes besides the files: which release is installed,
// and the serials of the overlay's copies.
std::vector<fs::path> records(const InstallFolders& f) {
    return {f.staging / kInstalledRelease, f.overlay / kOverlaySerials};
}

bool keep_records(const InstallFolders& f) {
    for (const auto& r : records(f)) {
        const fs::path kept = f.staging / kPrevious / (r.filename().string() + kBefore);
        if (regular(r) && !copy_to_new_file(r, kept, 0644)) return false;
    }
    return true;
}

// Puts the records back as they were before the install (absent ones are removed).
bool restore_records(const InstallFolders& f) {
    bool ok = true;
    for (const auto& r : records(f)) {
        const fs::path kept = f.staging / kPrevious / (r.filename().string() + kBefore);
        if (regular(kept)) {
            const auto text = read_small_file(kept, 1 << 16);
            ok = text && replace_file(r, *text) && ok;
        } else if (::unlink(r.c_str()) != 0 && errno != ENOENT) {
            ok = false;
        }
    }
    return ok;
}

// Records the release just installed: the overlay's copies carry its serial, and
// copies in the program folder supersede the overlay's of the same name.
bool write_records(const InstallFolders& f, const std::vector<std::string>& files, bool overlay,
                   std::uint64_t serial) {
    SerialList list = read_overlay_serials(f.overlay);
    std::erase_if(list, [&](const auto& entry) {
        for (const auto& file : files)
            if (entry.first == file) return true;
        return false;
    });
    if (overlay)
        for (const auto& file : files) list.emplace_back(file, serial);
    bool ok = true;
    std::error_code ec;
    if (!list.empty() || fs::exists(f.overlay / kOverlaySerials, ec))
        ok = replace_file(f.overlay / kOverlaySerials, overlay_serials_text(list));
    return replace_file(f.staging / kInstalledRelease, std::to_string(serial) + "\n") && ok;
}

void drop_staged(const fs::path& staging, const std::vector<StagedEntry>& entries) {
    for (const auto& e : entries) ::unlink((staging / e.file).c_str());
    drop_staged_update(staging);
}

// The signed configuration the update was staged under, verified again; the reason
// (UTF-8) when it does not pass.
std::optional<std::pair<Offer, Release>> staged_offer(const fs::path& staging,
                                                      const std::optional<PublicKey>& key,
                                                      std::string& why) {
    if (!key) {
        why = "这个版本的程序不接受在线升级";
        return std::nullopt;
    }
    const auto bytes = read_small_file(staging / kStagedConfigName, kMaxConfigBytes);
    const auto signature = read_small_file(staging / kStagedSignatureName, kMaxSignatureFileBytes);
    if (!bytes || !signature) {
        why = "升级配置文件的签名不对";
        return std::nullopt;
    }
    // Its expiry was checked when it was fetched; a later, accepted release supersedes it.
    CheckedConfiguration checked =
        check_configuration(*bytes, *signature, *key, read_accepted_release(staging), {}, true);
    switch (checked.verdict) {
        case ConfigVerdict::accepted:
            break;
        case ConfigVerdict::unsigned_config:
        case ConfigVerdict::bad_signature:
            why = "升级配置文件的签名不对";
            return std::nullopt;
        case ConfigVerdict::unsound_offer:
            why = checked.offer.refusal;
            return std::nullopt;
        case ConfigVerdict::stale:
            why = checked.release_check == ReleaseCheck::older ||
                          checked.release_check == ReleaseCheck::replayed
                      ? "升级配置文件已被更新的版本取代"
                      : "升级配置文件没有版本号和有效期";
            return std::nullopt;
    }
    Offer offer = std::move(checked.offer);
    Release release = checked.release;
    return std::pair{std::move(offer), release};
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

InstallReport install_staged_updates(const InstallFolders& f, const std::optional<PublicKey>& key) {
    InstallReport report;
    std::error_code ec;
    if (f.staging.empty() || !fs::is_directory(fs::symlink_status(f.staging, ec))) return report;

    const auto entries = read_manifest(f.staging);

    // An install cut short (power loss, a crash): undo it before anything else.
    const fs::path journal = f.staging / kJournal;
    if (regular(journal)) {
        const auto list = read_journal(journal);
        if (list && restore(f, *list) && restore_records(f)) {
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

    // The list only names files; what they must hold comes from the signed configuration.
    std::string why;
    const auto signed_offer = staged_offer(f.staging, key, why);
    if (!signed_offer) {
        drop_staged(f.staging, *entries);
        return fail(report, why);
    }
    std::vector<const OfferedFile*> wanted;
    for (const auto& e : *entries) {
        const OfferedFile* w = nullptr;
        for (const auto& o : signed_offer->first.files)
            if (o.file == e.file) w = &o;
        if (w == nullptr) {
            drop_staged(f.staging, *entries);
            return fail(report, "“" + e.file + "”不在签名的升级配置文件中");
        }
        if (check_download(f.staging / e.file, w->size, w->sha256) != DownloadCheck::matches) {
            drop_staged(f.staging, *entries);
            return fail(report, "“" + e.file + "”与签名的校验值不符");
        }
        wanted.push_back(w);
    }
    const std::uint64_t serial = signed_offer->second.serial;

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
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const auto& e = (*entries)[i];
        const fs::path target = report.target / e.file;
        const fs::path temp = temp_name(report.target, e.file);
        struct stat old {};
        const bool existed = regular(target, &old);
        const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
        ::unlink(temp.c_str());
        if (!copy_to_new_file(f.staging / e.file, temp, mode)) {
            remove_temps();
            drop_staged(f.staging, *entries);
            return fail(report, "不能写入“" + e.file + "”");
        }
        // The copy that takes the file's place is what must hold the signed bytes: the
        // staged file may have changed since it was checked.
        if (check_download(temp, wanted[i]->size, wanted[i]->sha256) != DownloadCheck::matches) {
            remove_temps();
            drop_staged(f.staging, *entries);
            return fail(report, "“" + e.file + "”与签名的校验值不符");
        }
        list.push_back({into_overlay, e.file, existed});
    }

    // Keep the copies about to be replaced (the one rollback), then note the install.
    const fs::path previous = f.staging / kPrevious;
    fs::remove_all(previous, ec);
    fs::create_directories(previous, ec);
    bool kept = !ec && keep_records(f);
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
    if (!write_records(f, report.installed, into_overlay, serial)) {
        restore(f, list);
        restore_records(f);
        remove_temps();
        ::unlink(journal.c_str());
        drop_staged(f.staging, *entries);
        return fail(report, "不能保存升级记录");
    }
    report.serial = serial;
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
    if (!restore(f, *list) || !restore_records(f)) {
        if (why != nullptr) *why = "恢复原来的文件失败";
        return false;
    }
    ::unlink(record.c_str());
    return true;
}

std::optional<std::uint64_t> installed_serial(const InstallFolders& f) {
    const auto text = read_small_file(f.staging / kInstalledRelease, 64);
    if (!text) return std::nullopt;
    return parse_decimal(std::string_view(*text).substr(0, text->find('\n')));
}

bool rollback_available(const InstallFolders& f) {
    return read_journal(f.staging / kPrevious / kRestoreList).has_value();
}

}  // namespace orvalin::update
