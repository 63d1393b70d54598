// The index of the code library: every code file below the library's folders
// (each remote of a file of several remotes on its own)
// with its brand, model, kind, signal count or reader's error, in an SQLite
// database with full-text search over brand, model, kind and signal names.
// Brought up to date incrementally: only files whose modification time or size
// changed are read again. Qt-free; one index object per thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/device_kind.h"

struct sqlite3;

namespace orvalin::library {

struct FileEntry {
    std::int64_t id = 0;
    std::string path;
    std::string remote;  // one remote of a file of several (LIRC); empty for the others
    std::string folder;  // the library folder it was found below
    std::string format;
    std::string brand;
    std::string model;
    std::string kind;
    int signals = 0;
    std::string error;  // the reader's message for a file that cannot be read
};

struct UpdateStats {
    std::size_t files = 0;  // code files below the folders (entries may be more: remotes)
    std::size_t read = 0;   // read again (new or changed)
    std::size_t removed = 0;
    std::size_t unreadable = 0;  // of those read
};

struct FolderCount {
    std::string folder;
    std::size_t files = 0;  // entries: files, each remote of a file of several counted
    std::size_t signals = 0;
    std::size_t unreadable = 0;
};

// Called as files are read: done of total; return false to stop (the files
// read so far stay in the index).
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

class LibraryIndex {
  public:
    // Opens or creates the database (its folder too); nullptr with why. A file
    // that is not such an index is replaced by a new one: it is only a cache.
    static std::unique_ptr<LibraryIndex> open(const std::filesystem::path& file, std::string& why);
    ~LibraryIndex();
    LibraryIndex(const LibraryIndex&) = delete;
    LibraryIndex& operator=(const LibraryIndex&) = delete;

    // Indexes the folders (any depth, symbolic links not followed) and drops
    // files of other folders and files that are gone.
    UpdateStats update(const std::vector<std::filesystem::path>& folders,
                       const Progress& progress = {});

    // Files whose brand, model, kind or signal names hold every word of text
    // (word prefixes; empty text: every file), best match first; readable files
    // only.
    std::vector<FileEntry> search(const std::string& text, std::optional<DeviceKind> kind,
                                  std::size_t limit = 200) const;
    std::optional<FileEntry> find(std::int64_t id) const;

    std::vector<FolderCount> counts() const;
    // The files that could not be read, with the readers' errors.
    std::vector<FileEntry> unreadable() const;

  private:
    explicit LibraryIndex(sqlite3* db) : db_(db) {}
    bool exec(const char* sql) const;
    sqlite3* db_;
};

// The entry's file read again from disk, narrowed to the entry's remote.
struct LibraryFile;
LibraryFile read_entry(const FileEntry& entry);

// The user's index (index_file()) brought up to date with the user's folders
// and the system's; nullptr with why.
std::unique_ptr<LibraryIndex> open_user_index(std::string& why, const Progress& progress = {},
                                              UpdateStats* stats = nullptr);

}  // namespace orvalin::library
