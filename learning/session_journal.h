// The changes of a session that are not on the remote yet (learned and deleted
// keys), kept in a journal file in the user's data folder from the moment they
// exist and flushed to the disk, so that a crash, a kill or a power loss before the
// write loses none of them. The running session keeps its journal locked; a journal
// that no one keeps locked is what a session left behind. Qt-free.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "learning/session.h"

namespace orvalin::learning {

// A journal is at most this large; a session's changes are far below it.
inline constexpr std::size_t kMaxJournalBytes = 4 * 1024 * 1024;

// ORVALIN_JOURNAL_DIR if set, else the "journal" folder inside the backup folder.
std::filesystem::path journal_folder();

class SessionJournal {
  public:
    explicit SessionJournal(std::filesystem::path folder, std::string identity = {});
    ~SessionJournal();  // the file stays: only save({}) removes it
    SessionJournal(const SessionJournal&) = delete;
    SessionJournal& operator=(const SessionJournal&) = delete;

    // Records the changes still owed to the remote (appended, flushed to the disk);
    // none left: the journal file is removed. False with a message when it could
    // not be written.
    bool save(const std::vector<KeyChange>& changes, std::string* error = nullptr);
    // The remote the changes are for, written when the journal file is made.
    void set_identity(std::string identity) { identity_ = std::move(identity); }
    const std::filesystem::path& file() const { return file_; }  // empty until a save

  private:
    std::filesystem::path folder_;
    std::string identity_;
    std::filesystem::path file_;
    int fd_ = -1;
};

struct LeftJournal {
    std::filesystem::path file;
    std::string identity;  // basic information of the remote it was made on
    std::vector<KeyChange> changes;
    std::shared_ptr<void> lock;  // held while it is being recovered
};

// The changes a journal text holds: its last complete record. Nothing when the text
// is not a journal or holds no complete record.
std::optional<LeftJournal> read_journal(std::string_view text);

// Journals of the folder that no running session keeps, oldest first (each locked
// for the caller). Files that are not journals are left alone.
std::vector<LeftJournal> left_journals(const std::filesystem::path& folder);

// Removes a recovered or given-up journal.
void remove_journal(const LeftJournal& journal);

}  // namespace orvalin::learning
