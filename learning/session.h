// The learning session and the deletion of learned keys, without a window: the
// table the remote holds, the working table of a session, the key states, this
// session's earlier states, pending deletions and what is owed to the remote.
// The window and orvalin-cli are views over it; they show the boxes and hand in
// the device write and the backup. Qt-free.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "learning/code_table.h"
#include "learning/key_states.h"
#include "learning/table_backup.h"

namespace orvalin::learning {

enum class ConflictChoice { refuse, keep_mine, keep_remote };

// One change of the session to one key, applied onto the table read right before a
// write: the key's one-key table (zero lengths remove the key).
struct KeyChange {
    int code = 0;
    std::string one_key;
    bool operator==(const KeyChange&) const = default;
};

// True when the change removes its key (a one-key table of zero lengths).
bool removes_key(const KeyChange& change);

// Table codes whose one-key tables differ between two tables (learned, removed or
// another code); both tables must be well formed.
std::vector<int> changed_keys(std::string_view a, std::string_view b);

// What the session needs from outside to write a table.
struct SessionIo {
    // Writes the whole table (hex digits only) to the remote; true when accepted.
    std::function<bool(const std::string& table)> write;
    // Saves a backup of the table the remote holds before a write.
    std::function<BackupResult(std::string_view remote_table)> backup;
    // Asked when the backup failed: write all the same?
    std::function<bool(const std::string& why)> write_without_backup;
    // Diagnostic lines (the window's hidden memo); may be empty.
    std::function<void(const std::string& line)> log;
    // Saves a table the remote did not take (beside the backups); may be empty.
    std::function<BackupResult(std::string_view table)> save_unwritten;
    // Reads the table the remote holds now (as load takes it); nothing when the read
    // fails. Empty: the table last read or written stands for the remote (no device).
    std::function<std::optional<std::string>()> read = {};
    // Reads the remote's basic information now, to know it is the remote the session
    // was loaded from; nothing when the read fails. May be empty.
    std::function<std::optional<std::string>()> identity = {};
    // Takes the one-writer lock of the remote for a read-then-write; nullptr when
    // another program keeps it. May be empty.
    std::function<std::shared_ptr<void>()> lock = {};
    // Keys changed both by the session and on the remote since it was read (table
    // codes): which side wins. Empty: the write is refused.
    std::function<ConflictChoice(const std::vector<int>& codes)> resolve = {};
    // Told every time the changes not yet on the remote change (the session journal),
    // with the basic information of the remote they are for; an empty list: nothing
    // is owed any more. May be empty.
    std::function<void(const std::vector<KeyChange>& unwritten, const std::string& identity)>
        journal = {};
};

enum class DeleteCheck { ok, no_keys, not_learned };

// How the last write went.
enum class WriteStatus {
    written,
    nothing_to_write,  // the remote already held the result
    refused,           // the remote refused the write or does not hold it when read back
    no_backup,         // the backup failed and no write without one was wanted
    read_failed,       // the remote's table or basic information could not be read before
    other_remote,      // not the remote the session read (see other_remote_why)
    conflict,          // keys changed on both sides and the write was refused
    busy,              // another program is writing to the remote
    table_error,       // the changes do not fit the table the remote holds now
};

struct WriteReport {
    WriteStatus status = WriteStatus::written;
    std::vector<int> conflicts;  // table codes changed on both sides
    std::vector<int> merged;     // table codes the remote changed that the write kept
    std::string why;             // for other_remote and table_error
    bool relinked = false;       // other_remote: the link was lost and came back
    bool ok() const {
        return status == WriteStatus::written || status == WriteStatus::nothing_to_write;
    }
};

class Session {
  public:
    explicit Session(SessionIo io = {});

    // The table as read from the remote at start-up (one character per byte of
    // the read buffer). Nothing is kept when it cannot be parsed.
    TableError load(std::string table_text);
    // The basic information of the remote the table was read from; a write first
    // checks that the remote is still that one.
    void set_identity(std::string info) { identity_ = std::move(info); }
    const std::string& identity() const { return identity_; }
    // The link was lost: whatever is attached later may be another remote, so no write
    // goes out before the table is read again (load).
    void link_lost() { relinked_ = true; }
    // A table read from the remote that the parser refuses (erased, malformed): no
    // keys, nothing to change, but it is what the backup before the next write saves.
    void load_unreadable(std::string table_text);

    // ---- state ----
    const std::string& table() const { return table_; }            // as last read or written
    const std::string& working_table() const { return working_; }  // of a learning session
    const KeyStates& keys() const { return keys_; }
    const KeyStates& prior_keys() const { return prior_; }
    bool learning() const { return learning_; }
    bool deleting() const { return deleting_; }
    bool changed() const { return changed_; }  // a table holds changes not yet written
    bool has_learned_keys() const { return learning::has_learned_keys(keys_); }
    // The table changed by this program but not (completely) written yet.
    bool owed_to_remote() const;
    // Learned keys of a failed commit still wait for a write (the next write carries them).
    bool carries_owed_keys() const { return owed_keys_; }

    int device_mode() const { return mode_; }
    void set_device_mode(int mode) { mode_ = mode; }
    // Table code of a key in the current device mode; -1 when it is not a byte.
    int table_code_of(int key_code) const;

    // ---- learning ----
    void start_learning();
    void stop_learning() { learning_ = false; }
    // A key that holds a learned code in the current mode (relearning asks first).
    bool holds_learned_code(int key_code) const;
    // Merges the one-key table of a learned key into the working table; the key
    // becomes pending. The mode in force now decides its table code.
    TableError add_learned_key(int key_code, std::string_view one_key_table);
    // The user keeps the session's keys: the working table is written.
    bool commit();
    // The user gives them up: the working table and the keys are as before the
    // session (keys whose earlier write failed stay owed).
    void decline();
    // Pending keys count as stored (the end of a learning session).
    void confirm_pending() { learning::confirm_pending(keys_); }

    // ---- deletion ----
    void set_deleting(bool on) { deleting_ = on; }
    // Leaves the delete state when no learned key is left.
    void settle_deleting();
    DeleteCheck check_delete(int key_code) const;
    // Removes the key's code from the table; written later (write_deletions).
    TableError delete_key(int key_code);
    // Writes the table with the deletions. On failure they stay pending.
    bool write_deletions();
    // The user gave up pending deletions (the close): nothing is left to write.
    void give_up_deletions();

    // Key codes of the current mode that hold learned codes (what a clear removes).
    std::vector<int> learned_keys_in_mode() const;
    // The table with every learned key of the current mode removed.
    TableResult cleared_table() const;
    // Writes a cleared table; on success it is the table and the mode's learned
    // keys are gone. On failure nothing changes.
    bool write_cleared();

    // Writes a whole table (a restore, a recovery) in place of the remote's. A remote
    // that changed since it was read is a conflict over the keys that changed.
    bool write_table(const std::string& text);
    // Where the table of the last failed write was saved (ok false: not saved, error says why).
    const BackupResult& unwritten() const { return unwritten_; }
    const WriteReport& last_write() const { return report_; }
    // The changes the next write carries (kept learned keys and deletions).
    const std::vector<KeyChange>& owed_changes() const { return owed_; }
    // Writes changes left by an earlier session (its journal) onto what the remote
    // holds now, with the changes this session owes.
    bool write_changes(const std::vector<KeyChange>& changes);

  private:
    // A table just loaded: nothing learned, deleted or owed on it yet.
    void forget_session();
    void log(const std::string& line) const;
    void save_unwritten(const std::string& table);
    // Every write: under the lock, the same remote, a fresh read backed up, the
    // changes (or the whole table) applied onto it, the write and the read-back.
    bool write_fresh(const std::vector<KeyChange>& changes, const std::string* whole);
    bool fail(WriteStatus status, const std::string& planned, std::string why = {});
    void adopt(const std::string& written);
    void journal() const;

    SessionIo io_;
    std::string table_;    // as last read from or written to the remote
    std::string working_;  // working table of a learning session
    std::string remote_;   // what the remote holds as far as known (what backups save)
    BackupResult unwritten_;
    WriteReport report_;
    std::vector<KeyChange> learned_;  // this learning session's keys, not yet kept
    std::vector<KeyChange> owed_;     // kept or deleted, not yet on the remote
    std::string identity_;
    std::string attempted_;  // the table of a write that failed after it began
    bool relinked_ = false;
    KeyStates keys_;
    KeyStates prior_;  // states that keys had before a session made them pending
    std::size_t session_prior_begin_ = 0;
    int mode_ = 0;
    bool learning_ = false;
    bool deleting_ = false;
    bool changed_ = false;
    bool owed_keys_ = false;
};

}  // namespace orvalin::learning
