#include "library/library_index.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "library/library_file.h"
#include "library/library_folders.h"

namespace orvalin::library {

namespace fs = std::filesystem;

namespace {

// Bumped when what is stored changes; an older index is rebuilt.
constexpr int kSchemaVersion = 2;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS files(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL,
  remote TEXT NOT NULL,
  folder TEXT NOT NULL,
  mtime INTEGER NOT NULL,
  size INTEGER NOT NULL,
  format TEXT NOT NULL,
  brand TEXT NOT NULL,
  model TEXT NOT NULL,
  kind TEXT NOT NULL,
  signals INTEGER NOT NULL,
  error TEXT NOT NULL,
  UNIQUE(path, remote));
CREATE VIRTUAL TABLE IF NOT EXISTS words USING fts5(brand, model, kind, names);
)";

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK) s_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return s_ != nullptr; }
    Statement& bind(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    bool step() { return s_ != nullptr && sqlite3_step(s_) == SQLITE_ROW; }
    bool run() {
        if (s_ == nullptr) return false;
        const int rc = sqlite3_step(s_);
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
        return rc == SQLITE_DONE;
    }
    std::string text(int i) const {
        const auto* t = sqlite3_column_text(s_, i);
        return t == nullptr ? std::string()
                            : std::string(reinterpret_cast<const char*>(t),
                                          static_cast<std::size_t>(sqlite3_column_bytes(s_, i)));
    }
    std::int64_t integer(int i) const { return sqlite3_column_int64(s_, i); }

  private:
    sqlite3_stmt* s_ = nullptr;
};

constexpr const char* kEntryColumns =
    "id, path, remote, folder, format, brand, model, kind, signals, error";

FileEntry entry_of(const Statement& s) {
    FileEntry e;
    e.id = s.integer(0);
    e.path = s.text(1);
    e.remote = s.text(2);
    e.folder = s.text(3);
    e.format = s.text(4);
    e.brand = s.text(5);
    e.model = s.text(6);
    e.kind = s.text(7);
    e.signals = static_cast<int>(s.integer(8));
    e.error = s.text(9);
    return e;
}

struct Seen {
    std::vector<std::int64_t> ids;  // one per remote
    std::int64_t mtime;
    std::int64_t size;
    bool found = false;
};

struct Candidate {
    fs::path path;
    fs::path folder;
    std::int64_t mtime;
    std::int64_t size;
};

// Files below a folder that may be code files, by name and first bytes.
void collect(const fs::path& folder, std::unordered_map<std::string, Seen>& known,
             std::vector<Candidate>& out, std::size_t& files) {
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& e = *it;
        // Hidden folders (.git) hold no remotes.
        const std::string name = e.path().filename().string();
        if (!name.empty() && name.front() == '.') {
            if (e.is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (e.is_symlink(ec) || !e.is_regular_file(ec)) continue;
        struct stat st {};
        if (::stat(e.path().c_str(), &st) != 0) continue;
        const std::int64_t mtime =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        const std::int64_t size = st.st_size;
        const std::string path = e.path().string();
        if (auto k = known.find(path); k != known.end()) {
            if (k->second.found) continue;  // below two folders: the first one has it
            k->second.found = true;
            ++files;
            if (k->second.mtime == mtime && k->second.size == size) continue;
        } else {
            // Only files the readers may know; the name and head tell.
            // A file that cannot be opened is listed when its name makes it a code file.
            std::string head(4096, '\0');
            FILE* f = std::fopen(path.c_str(), "rb");
            if (f != nullptr) {
                head.resize(std::fread(head.data(), 1, head.size(), f));
                std::fclose(f);
            } else {
                head.clear();
            }
            if (!library_format(name, head)) continue;
            known.emplace(path, Seen{{}, -1, -1, true});
            ++files;
        }
        out.push_back({e.path(), folder, mtime, size});
    }
}

std::string fts_query(const std::string& text) {
    std::string query, word;
    const auto flush = [&] {
        if (word.empty()) return;
        if (!query.empty()) query += ' ';
        query += '"' + word + "\"*";
        word.clear();
    };
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || u >= 0x80) {
            word += static_cast<char>(std::tolower(u));
        } else {
            flush();
        }
    }
    flush();
    return query;
}

}  // namespace

std::unique_ptr<LibraryIndex> LibraryIndex::open(const fs::path& file, std::string& why) {
    if (file.empty()) {
        why = "no cache folder (neither XDG_CACHE_HOME nor HOME is set)";
        return nullptr;
    }
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    for (int attempt = 0; attempt < 2; ++attempt) {
        sqlite3* db = nullptr;
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
            why = file.string() + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
            sqlite3_close(db);
            return nullptr;
        }
        sqlite3_busy_timeout(db, 5000);
        std::unique_ptr<LibraryIndex> index(new LibraryIndex(db));
        sqlite3_stmt* pragma = nullptr;
        int rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &pragma, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_step(pragma);
        const int version = rc == SQLITE_ROW ? sqlite3_column_int(pragma, 0) : -1;
        sqlite3_finalize(pragma);
        if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) {
            // Not a database at all: it is only a cache, start it afresh.
            index.reset();
            for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix, ec);
            continue;
        }
        if (rc != SQLITE_ROW) {
            // Busy or unreadable: never thrown away while another program may use it.
            why = file.string() + ": " + sqlite3_errmsg(db);
            return nullptr;
        }
        if (version != kSchemaVersion) {
            // A new or an older index: its tables made as this program keeps them.
            const std::string make =
                std::string(
                    "BEGIN; DROP TABLE IF EXISTS files; "
                    "DROP TABLE IF EXISTS words;") +
                kSchema + "PRAGMA user_version=" + std::to_string(kSchemaVersion) + "; COMMIT;";
            if (!index->exec(make.c_str())) {
                why = file.string() + ": " + sqlite3_errmsg(db);
                index->exec("ROLLBACK");
                return nullptr;
            }
        }
        Statement probe(db, "SELECT count(*) FROM files, words WHERE 0");
        if (!probe.ok()) {
            why = file.string() + ": not an index of this program";
            return nullptr;
        }
        index->exec("PRAGMA journal_mode=WAL");
        index->exec("PRAGMA synchronous=NORMAL");
        return index;
    }
    why = file.string() + ": cannot be made an index";
    return nullptr;
}

LibraryIndex::~LibraryIndex() {
    sqlite3_close(db_);
}

bool LibraryIndex::exec(const char* sql) const {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

UpdateStats LibraryIndex::update(const std::vector<fs::path>& folders, const Progress& progress) {
    UpdateStats stats;
    std::unordered_map<std::string, Seen> known;
    {
        Statement s(db_, "SELECT path, id, mtime, size FROM files");
        while (s.step()) {
            const auto [it, added] = known.emplace(s.text(0), Seen{{}, s.integer(2), s.integer(3)});
            it->second.ids.push_back(s.integer(1));
        }
    }
    std::vector<Candidate> changed;
    for (const fs::path& folder : folders) collect(folder, known, changed, stats.files);

    exec("BEGIN");
    Statement remove_file(db_, "DELETE FROM files WHERE id = ?1");
    Statement remove_words(db_, "DELETE FROM words WHERE rowid = ?1");
    for (const auto& [path, seen] : known) {
        if (seen.found || seen.ids.empty()) continue;
        for (const std::int64_t id : seen.ids) {
            remove_file.bind(1, id).run();
            remove_words.bind(1, id).run();
        }
        ++stats.removed;
    }
    Statement upsert(db_,
                     "INSERT INTO files(path, remote, folder, mtime, size, format, brand, model, "
                     "kind, signals, error) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) "
                     "ON CONFLICT(path, remote) DO UPDATE SET folder=?3, mtime=?4, size=?5, "
                     "format=?6, brand=?7, model=?8, kind=?9, signals=?10, error=?11 RETURNING id");
    Statement add_words(db_,
                        "INSERT INTO words(rowid, brand, model, kind, names) "
                        "VALUES(?1, ?2, ?3, ?4, ?5)");
    std::size_t done = 0;
    for (const Candidate& c : changed) {
        if (progress && !progress(done, changed.size())) break;
        const LibraryFile whole = read_library_file(c.path, c.folder);
        std::vector<std::int64_t> kept;
        for (const std::string& remote : remote_names(whole)) {
            const LibraryFile file = one_remote(whole, remote);
            std::string names;
            for (const auto& s : file.signals) names += s.name + ' ';
            if (!remote.empty()) names += remote + ' ';
            for (const auto& u : file.unsupported) names += u.name + ' ';
            const std::string kind(kind_name(file.kind));
            upsert.bind(1, file.path)
                .bind(2, remote)
                .bind(3, c.folder.string())
                .bind(4, c.mtime)
                .bind(5, c.size)
                .bind(6, file.format)
                .bind(7, file.brand)
                .bind(8, file.model)
                .bind(9, kind)
                .bind(10, static_cast<std::int64_t>(file.signals.size()))
                .bind(11, file.error);
            std::int64_t id = 0;
            if (upsert.step()) id = upsert.integer(0);
            upsert.run();
            kept.push_back(id);
            remove_words.bind(1, id).run();
            if (file.ok()) {
                add_words.bind(1, id)
                    .bind(2, file.brand)
                    .bind(3, file.model)
                    .bind(4, kind)
                    .bind(5, names);
                add_words.run();
            }
        }
        // Remotes the file no longer holds.
        for (const std::int64_t id : known[c.path.string()].ids) {
            if (std::find(kept.begin(), kept.end(), id) != kept.end()) continue;
            remove_file.bind(1, id).run();
            remove_words.bind(1, id).run();
        }
        if (!whole.ok()) ++stats.unreadable;
        ++stats.read;
        ++done;
    }
    exec("COMMIT");
    if (progress) progress(done, changed.size());
    return stats;
}

std::vector<FileEntry> LibraryIndex::search(const std::string& text, std::optional<DeviceKind> kind,
                                            std::size_t limit) const {
    std::vector<FileEntry> out;
    const std::string query = fts_query(text);
    const std::string kind_text = kind ? std::string(kind_name(*kind)) : std::string();
    std::string sql = std::string("SELECT ") + kEntryColumns + " FROM files";
    if (!query.empty()) {
        sql = std::string(
                  "SELECT f.id, f.path, f.remote, f.folder, f.format, f.brand, f.model, "
                  "f.kind, f.signals, f.error FROM words JOIN files f ON f.id = words.rowid "
                  "WHERE words MATCH ?1 AND f.error = ''") +
              (kind ? " AND f.kind = ?2" : "") +
              " ORDER BY bm25(words, 10.0, 10.0, 2.0, 1.0) LIMIT ?3";
    } else {
        sql += std::string(" WHERE error = ''") + (kind ? " AND kind = ?2" : "") +
               " ORDER BY brand, model LIMIT ?3";
    }
    Statement s(db_, sql.c_str());
    if (!query.empty()) s.bind(1, query);
    if (kind) s.bind(2, kind_text);
    s.bind(3, static_cast<std::int64_t>(limit));
    while (s.step()) out.push_back(entry_of(s));
    return out;
}

std::optional<FileEntry> LibraryIndex::find(std::int64_t id) const {
    Statement s(db_,
                (std::string("SELECT ") + kEntryColumns + " FROM files WHERE id = ?1").c_str());
    s.bind(1, id);
    if (s.step()) return entry_of(s);
    return std::nullopt;
}

std::vector<FolderCount> LibraryIndex::counts() const {
    std::vector<FolderCount> out;
    Statement s(db_,
                "SELECT folder, count(*), sum(signals), sum(error != '') FROM files GROUP BY "
                "folder ORDER BY folder");
    while (s.step()) {
        out.push_back({s.text(0), static_cast<std::size_t>(s.integer(1)),
                       static_cast<std::size_t>(s.integer(2)),
                       static_cast<std::size_t>(s.integer(3))});
    }
    return out;
}

std::vector<FileEntry> LibraryIndex::unreadable() const {
    std::vector<FileEntry> out;
    Statement s(db_, (std::string("SELECT ") + kEntryColumns +
                      " FROM files WHERE error != '' ORDER BY path, remote")
                         .c_str());
    while (s.step()) out.push_back(entry_of(s));
    return out;
}

LibraryFile read_entry(const FileEntry& entry) {
    return one_remote(read_library_file(entry.path, entry.folder), entry.remote);
}

std::unique_ptr<LibraryIndex> open_user_index(std::string& why, const Progress& progress,
                                              UpdateStats* stats) {
    auto index = LibraryIndex::open(index_file(), why);
    if (!index) return nullptr;
    const UpdateStats s = index->update(indexed_folders(settings_file()), progress);
    if (stats != nullptr) *stats = s;
    return index;
}

}  // namespace orvalin::library
