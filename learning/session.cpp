#include "learning/session.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "common/hex_text.h"
#include "common/key_table.h"
#include "learning/table_layout.h"

namespace orvalin::learning {

namespace {

bool in_mode(int code, int mode) {
    return code >= kCodesPerMode * mode && code < kCodesPerMode * mode + kCodesPerMode;
}

std::string code_digits(int code) {
    return table_code(code, 0);
}

KeyChange removal(int code) {
    return {code, "0001" + code_digits(code) + "0000000000000000"};
}

// What the remote's read shows of a table: its real end, as the write carried it.
std::string read_text(const std::string& read) {
    return std::string(table_without_padding(read));
}

using KeyImage = std::tuple<std::string_view, std::string_view, std::string_view>;

std::map<int, KeyImage> key_images(const TableLayout& layout) {
    std::map<int, KeyImage> images;
    for (const TableRecord& r : layout.records)
        if (r.type_len > 0 && r.key_len > 0)
            images.emplace(r.table_code, KeyImage{r.attr, r.type_data, r.key_data});
    return images;
}

}  // namespace

bool removes_key(const KeyChange& change) {
    OneKeyTable key;
    return read_one_key(change.one_key, key) == TableError::none && key.removes_key();
}

std::vector<int> changed_keys(std::string_view a, std::string_view b) {
    TableLayout la, lb;
    if (read_table(a, la) != TableError::none || read_table(b, lb) != TableError::none) return {};
    const auto ia = key_images(la), ib = key_images(lb);
    std::set<int> codes;
    for (const auto& [code, image] : ia)
        if (const auto it = ib.find(code); it == ib.end() || it->second != image)
            codes.insert(code);
    for (const auto& [code, image] : ib)
        if (!ia.contains(code)) codes.insert(code);
    // A link pair that came or went changes what both of its keys send.
    std::set<std::string_view> pa, pb;
    for (const LinkPair& p : la.pairs) pa.insert(p.text);
    for (const LinkPair& p : lb.pairs) pb.insert(p.text);
    for (const auto* pairs : {&la.pairs, &lb.pairs})
        for (const LinkPair& p : *pairs)
            if (!pa.contains(p.text) || !pb.contains(p.text)) {
                if (const auto first = hex::number_at(p.first, 0, 2); first >= 0)
                    codes.insert(static_cast<int>(first));
                codes.insert(p.second_code);
            }
    return {codes.begin(), codes.end()};
}

Session::Session(SessionIo io) : io_(std::move(io)) {}

void Session::log(const std::string& line) const {
    if (io_.log) io_.log(line);
}

void Session::journal() const {
    if (!io_.journal) return;
    std::vector<KeyChange> unwritten = owed_;
    unwritten.insert(unwritten.end(), learned_.begin(), learned_.end());
    io_.journal(unwritten, identity_);
}

bool Session::write_changes(const std::vector<KeyChange>& changes) {
    for (const KeyChange& c : changes) {
        std::erase_if(owed_, [&](const KeyChange& o) { return o.code == c.code; });
        owed_.push_back(c);
    }
    journal();
    if (!write_fresh(owed_, nullptr)) return false;
    changed_ = false;
    return true;
}

TableError Session::load(std::string table_text) {
    KeyLinesResult parsed = parse_key_lines(table_text);
    if (!parsed.ok()) return parsed.error;
    table_ = std::move(table_text);
    working_ = table_;
    remote_ = std::string(table_without_padding(table_));
    keys_ = read_key_lines(parsed.lines);
    forget_session();
    return TableError::none;
}

void Session::load_unreadable(std::string table_text) {
    remote_ = std::string(table_without_padding(table_text));
    table_ = std::move(table_text);
    working_ = table_;
    keys_.clear();
    forget_session();
}

void Session::forget_session() {
    prior_.clear();
    session_prior_begin_ = 0;
    changed_ = false;
    learned_.clear();
    owed_.clear();
    owed_keys_ = false;
    relinked_ = false;
    attempted_.clear();
}

bool Session::owed_to_remote() const {
    return table_without_padding(table_) != remote_;
}

int Session::table_code_of(int key_code) const {
    const int code = key_code + kCodesPerMode * mode_;
    return code >= 0 && code <= 0xFF ? code : -1;
}

void Session::start_learning() {
    learning_ = true;
    session_prior_begin_ = prior_.size();
}

bool Session::holds_learned_code(int key_code) const {
    const KeyEntry* entry = find_key(keys_, table_code_of(key_code));
    return entry != nullptr && is_learned(entry->state);
}

TableError Session::add_learned_key(int key_code, std::string_view one_key_table) {
    const int code = table_code_of(key_code);
    if (code < 0) return TableError::malformed;
    TableResult rebuilt = rebuild_code_text(working_, one_key_table);
    if (!rebuilt.ok()) return rebuilt.error;
    working_ = std::move(rebuilt.text);
    changed_ = true;
    std::erase_if(learned_, [&](const KeyChange& c) { return c.code == code; });
    learned_.push_back({code, std::string(one_key_table)});
    journal();
    if (const auto prior = find_prior(keys_, code)) prior_.push_back(*prior);
    set_pending(keys_, code);
    return TableError::none;
}

bool Session::commit() {
    table_ = working_;
    for (KeyChange& c : learned_) {
        std::erase_if(owed_, [&](const KeyChange& o) { return o.code == c.code; });
        owed_.push_back(std::move(c));
    }
    learned_.clear();
    if (!write_fresh(owed_, nullptr)) {
        owed_keys_ = true;
        return false;
    }
    changed_ = false;
    return true;
}

void Session::decline() {
    working_ = table_;
    learned_.clear();
    journal();
    // Keys kept at an earlier stop whose write failed are still owed to the remote.
    changed_ = owed_to_remote();
    // Keys learned in this session get back the state they had before it; only this
    // session's earlier states count (an older one may describe a code since deleted).
    const auto begin =
        prior_.begin() + static_cast<std::ptrdiff_t>(std::min(session_prior_begin_, prior_.size()));
    for (std::size_t i = 0; i < keys_.size();) {
        if (keys_[i].state != KeyState::pending) {
            ++i;
            continue;
        }
        const int code = keys_[i].code;
        const auto prior = std::find_if(std::make_reverse_iterator(prior_.end()),
                                        std::make_reverse_iterator(begin),
                                        [&](const KeyEntry& p) { return p.code == code; });
        if (prior != std::make_reverse_iterator(begin)) {
            keys_[i] = *prior;
            ++i;
        } else {
            keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void Session::settle_deleting() {
    if (!has_learned_keys()) deleting_ = false;
}

DeleteCheck Session::check_delete(int key_code) const {
    if (keys_.empty()) return DeleteCheck::no_keys;
    const KeyEntry* entry = find_key(keys_, table_code_of(key_code));
    if (entry == nullptr || entry->state == KeyState::preset) return DeleteCheck::not_learned;
    return DeleteCheck::ok;
}

TableError Session::delete_key(int key_code) {
    const int code = table_code_of(key_code);
    if (code < 0) return TableError::malformed;
    TableResult rebuilt = rebuild_code_text(table_, "0001" + code_digits(code) + "00000000000000");
    if (!rebuilt.ok()) return rebuilt.error;
    table_ = std::move(rebuilt.text);
    changed_ = true;
    remove_key(keys_, code);
    std::erase_if(owed_, [&](const KeyChange& c) { return c.code == code; });
    owed_.push_back(removal(code));
    journal();
    return TableError::none;
}

bool Session::write_deletions() {
    if (!write_fresh(owed_, nullptr)) return false;
    changed_ = false;
    return true;
}

void Session::give_up_deletions() {
    changed_ = false;
    deleting_ = false;
    std::erase_if(owed_, [](const KeyChange& c) { return removes_key(c); });
    journal();
}

std::vector<int> Session::learned_keys_in_mode() const {
    std::vector<int> codes;
    for (const KeyEntry& k : keys_)
        if (is_learned(k.state) && in_mode(k.code, mode_))
            codes.push_back(k.code - kCodesPerMode * mode_);
    return codes;
}

TableResult Session::cleared_table() const {
    TableResult result{table_, TableError::none};
    for (const KeyEntry& k : keys_) {
        if (!is_learned(k.state) || !in_mode(k.code, mode_)) continue;
        result = rebuild_code_text(result.text, "0001" + code_digits(k.code) + "0000000000000000");
        if (!result.ok()) return result;
    }
    return result;
}

bool Session::write_cleared() {
    std::vector<KeyChange> changes = owed_;
    for (const KeyEntry& k : keys_) {
        if (!is_learned(k.state) || !in_mode(k.code, mode_)) continue;
        std::erase_if(changes, [&](const KeyChange& c) { return c.code == k.code; });
        changes.push_back(removal(k.code));
    }
    if (!write_fresh(changes, nullptr)) return false;
    changed_ = false;
    return true;
}

void Session::save_unwritten(const std::string& table) {
    // The keys of a write that failed must outlive the program.
    unwritten_ = io_.save_unwritten ? io_.save_unwritten(table) : BackupResult{};
    if (unwritten_.ok) {
        log("unwritten table saved: " + unwritten_.file.string());
    } else {
        log("unwritten table not saved: " + unwritten_.error);
    }
}

bool Session::write_table(const std::string& text) {
    return write_fresh({}, &text);
}

bool Session::fail(WriteStatus status, const std::string& planned, std::string why) {
    report_.status = status;
    report_.why = std::move(why);
    if (!report_.why.empty()) log("write refused: " + report_.why);
    if (!planned.empty()) save_unwritten(planned);
    return false;
}

// After a write: the session goes on from what the remote holds now.
void Session::adopt(const std::string& written) {
    remote_ = written;
    table_ = written;
    working_ = written;
    keys_ = read_key_lines(parse_key_lines(written).lines);
    owed_.clear();
    owed_keys_ = false;
    attempted_.clear();
    journal();
}

bool Session::write_fresh(const std::vector<KeyChange>& changes, const std::string* whole) {
    unwritten_ = {};
    report_ = {};
    // What would be written onto the table as last known: saved when nothing goes out.
    std::string planned = whole != nullptr ? read_text(*whole) : read_text(table_);
    if (whole == nullptr) {
        TableResult onto{remote_, TableError::none};
        for (const KeyChange& c : changes)
            if (onto.ok()) onto = rebuild_code_text(onto.text, c.one_key);
        if (onto.ok()) planned = onto.text;
    }
    if (planned.empty() || planned.size() > kMaxTableChars) {
        return fail(WriteStatus::table_error, {},
                    "table of " + std::to_string(planned.size()) + " characters");
    }

    std::shared_ptr<void> held;
    if (io_.lock && !(held = io_.lock())) return fail(WriteStatus::busy, planned);
    if (relinked_) {
        report_.relinked = true;
        return fail(WriteStatus::other_remote, planned, "the link was lost and came back");
    }
    if (io_.identity && !identity_.empty()) {
        const std::optional<std::string> info = io_.identity();
        if (!info) return fail(WriteStatus::read_failed, planned);
        if (*info != identity_)
            return fail(WriteStatus::other_remote, planned, "basic information differs");
    }
    std::string fresh = remote_;
    if (io_.read) {
        const std::optional<std::string> read = io_.read();
        if (!read) return fail(WriteStatus::read_failed, planned);
        fresh = read_text(*read);
    }
    const bool fresh_readable = parse_key_lines(fresh).ok();

    // A write of this session that failed part-way may have left part of its table
    // behind: that is no change of another program.
    const bool own_leftover = !attempted_.empty() && fresh != remote_ && fresh != attempted_;
    std::string target;
    if (!fresh_readable || own_leftover) {
        // Nothing on the remote can be kept (an erased table, or the part of a write that
        // failed): what the session would have written goes, and the backup keeps the read.
        log(own_leftover
                ? "the remote holds part of the last failed write; writing it again"
                : "the remote's table is not well formed now; writing the session's table");
        target = planned;
    } else if (whole != nullptr) {
        target = planned;
        if (fresh != remote_ && fresh != target) {
            report_.conflicts =
                parse_key_lines(remote_).ok() ? changed_keys(remote_, fresh) : std::vector<int>{};
            const ConflictChoice choice =
                io_.resolve ? io_.resolve(report_.conflicts) : ConflictChoice::refuse;
            if (choice != ConflictChoice::keep_mine)
                return fail(WriteStatus::conflict, choice == ConflictChoice::refuse ? planned : "");
        }
    } else {
        std::vector<KeyChange> kept = changes;
        if (fresh != remote_) {
            const std::vector<int> theirs = changed_keys(remote_, fresh);
            for (const KeyChange& c : changes) {
                if (!std::binary_search(theirs.begin(), theirs.end(), c.code)) continue;
                // The remote already holds what this change makes (an earlier write
                // landed though its read-back failed): no conflict.
                const TableResult applied = rebuild_code_text(fresh, c.one_key);
                if (applied.ok() && changed_keys(fresh, applied.text).empty()) continue;
                report_.conflicts.push_back(c.code);
            }
            for (const int code : theirs)
                if (std::none_of(changes.begin(), changes.end(),
                                 [&](const KeyChange& c) { return c.code == code; }))
                    report_.merged.push_back(code);
            if (!report_.conflicts.empty()) {
                const ConflictChoice choice =
                    io_.resolve ? io_.resolve(report_.conflicts) : ConflictChoice::refuse;
                if (choice == ConflictChoice::refuse) return fail(WriteStatus::conflict, planned);
                if (choice == ConflictChoice::keep_remote)
                    std::erase_if(kept, [&](const KeyChange& c) {
                        return std::find(report_.conflicts.begin(), report_.conflicts.end(),
                                         c.code) != report_.conflicts.end();
                    });
            }
        }
        TableResult merged{fresh, TableError::none};
        for (const KeyChange& c : kept) {
            merged = rebuild_code_text(merged.text, c.one_key);
            if (!merged.ok())
                return fail(WriteStatus::table_error, planned, describe(merged.error));
        }
        target = std::move(merged.text);
    }
    if (target == fresh) {
        report_.status = WriteStatus::nothing_to_write;
        adopt(fresh);
        return true;
    }

    const BackupResult backup = io_.backup ? io_.backup(fresh) : BackupResult{};
    if (backup.ok) {
        log("backup: " + backup.file.string());
    } else {
        log("backup failed: " + backup.error);
        if (!io_.write_without_backup || !io_.write_without_backup(backup.error))
            return fail(WriteStatus::no_backup, target);
    }
    if (!io_.write || !io_.write(target)) {
        log("WCodeTypeData failed");
        attempted_ = target;
        return fail(WriteStatus::refused, target);
    }
    if (io_.read) {
        const std::optional<std::string> back = io_.read();
        if (!back || std::string_view(*back).substr(0, target.size()) != target) {
            attempted_ = target;
            return fail(WriteStatus::refused, target,
                        "the read-back differs from the table written");
        }
    }
    adopt(target);
    return true;
}

}  // namespace orvalin::learning
