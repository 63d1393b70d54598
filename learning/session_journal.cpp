#include "learning/session_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/hex_text.h"
#include "learning/table_backup.h"

namespace orvalin::learning {

namespace {

constexpr std::string_view kHeader = "orvalin session journal 1";
constexpr std::string_view kPrefix = "journal-";
constexpr std::string_view kSuffix = ".txt";
constexpr std::size_t kMaxChanges = 3 * 256;

bool hex_only(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

struct FdLock {
    int fd = -1;
    ~FdLock() {
        if (fd >= 0) ::close(fd);
    }
};

std::string code_digits(int code) {
    std::string text;
    hex::append(text, static_cast<unsigned>(code) & 0xFF, 2);
    return text;
}

std::string record_of(const std::vector<KeyChange>& changes) {
    std::string record = "changes " + std::to_string(changes.size()) + "\n";
    for (const KeyChange& c : changes)
        record += "key " + code_digits(c.code) + " " + c.one_key + "\n";
    return record + "end\n";
}

}  // namespace

std::filesystem::path journal_folder() {
    if (const char* named = std::getenv("ORVALIN_JOURNAL_DIR"); named != nullptr && *named != '\0')
        return named;
    const std::filesystem::path backups = backup_folder();
    return backups.empty() ? backups : backups / "journal";
}

SessionJournal::SessionJournal(std::filesystem::path folder, std::string identity)
    : folder_(std::move(folder)), identity_(std::move(identity)) {}

SessionJournal::~SessionJournal() {
    if (fd_ >= 0) ::close(fd_);
}

bool SessionJournal::save(const std::vector<KeyChange>& changes, std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return false;
    };
    if (changes.empty()) {
        if (fd_ >= 0) {
            std::error_code ec;
            std::filesystem::remove(file_, ec);
            ::close(fd_);
            fd_ = -1;
            file_.clear();
        }
        return true;
    }
    if (fd_ < 0) {
        if (folder_.empty()) return fail("no data folder for the session journal");
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
        const std::string name = std::string(kPrefix) + std::to_string(ms) + "-" +
                                 std::to_string(::getpid()) + std::string(kSuffix);
        // Made whole under another name, then renamed: a journal is never half a header.
        const std::filesystem::path temp = folder_ / ("." + name + ".tmp");
        fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (fd_ < 0) return fail("the session journal cannot be made in " + folder_.string());
        (void)::flock(fd_, LOCK_EX | LOCK_NB);  // ours alone: a new file
        const std::string head = std::string(kHeader) + "\nidentity " +
                                 (identity_.empty() ? std::string("-") : identity_) + "\n" +
                                 record_of(changes);
        if (!write_all(fd_, head) || ::fsync(fd_) != 0 ||
            ::rename(temp.c_str(), (folder_ / name).c_str()) != 0) {
            ::close(fd_);
            fd_ = -1;
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return fail("the session journal cannot be written");
        }
        file_ = folder_ / name;
        if (const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
            (void)::fsync(dir);
            ::close(dir);
        }
        return true;
    }
    if (!write_all(fd_, record_of(changes)) || ::fsync(fd_) != 0)
        return fail("the session journal cannot be written");
    return true;
}

std::optional<LeftJournal> read_journal(std::string_view text) {
    if (text.size() > kMaxJournalBytes) return std::nullopt;
    std::istringstream in{std::string(text)};
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return std::nullopt;
    LeftJournal journal;
    if (!std::getline(in, line) || !line.starts_with("identity ")) return std::nullopt;
    journal.identity = line.substr(9);
    if (journal.identity == "-") journal.identity.clear();
    if (!hex_only(journal.identity)) return std::nullopt;
    bool complete = false;
    while (std::getline(in, line)) {
        // "changes N", N key lines, "end"; a torn last record is not complete.
        if (!line.starts_with("changes ")) return complete ? std::optional(journal) : std::nullopt;
        std::size_t n = 0;
        const std::string number = line.substr(8);
        if (number.empty() || number.size() > 4 ||
            !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            break;
        n = static_cast<std::size_t>(std::stoul(number));
        if (n == 0 || n > kMaxChanges) break;
        std::vector<KeyChange> changes;
        bool ok = true;
        for (std::size_t i = 0; i < n && ok; ++i) {
            ok = static_cast<bool>(std::getline(in, line)) && line.size() > 7 &&
                 line.starts_with("key ") && line[6] == ' ';
            if (!ok) break;
            const long code = hex::number_at(line, 4, 2);
            const std::string one_key = line.substr(7);
            ok = code >= 0 && one_key.size() <= kMaxTableChars && hex_only(one_key);
            if (ok) changes.push_back({static_cast<int>(code), one_key});
        }
        if (!ok || !std::getline(in, line) || line != "end") break;
        journal.changes = std::move(changes);
        complete = true;
    }
    if (!complete) return std::nullopt;
    return journal;
}

std::vector<LeftJournal> left_journals(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(kPrefix) && name.ends_with(kSuffix) && it->is_regular_file(ec))
            files.push_back(it->path());
    }
    // Names start with the milliseconds of their making: the oldest first.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        const std::string x = a.filename().string(), y = b.filename().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    std::vector<LeftJournal> left;
    for (const auto& file : files) {
        auto lock = std::make_shared<FdLock>();
        lock->fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (lock->fd < 0 || ::flock(lock->fd, LOCK_EX | LOCK_NB) != 0) continue;  // in use
        std::ifstream in(file, std::ios::binary);
        std::string text;
        char c = 0;
        while (text.size() <= kMaxJournalBytes && in.get(c)) text += c;
        std::optional<LeftJournal> journal = read_journal(text);
        if (!journal) continue;
        journal->file = file;
        journal->lock = lock;
        left.push_back(std::move(*journal));
    }
    return left;
}

void remove_journal(const LeftJournal& journal) {
    std::error_code ec;
    std::filesystem::remove(journal.file, ec);
}

}  // namespace orvalin::learning
