#include "learning/session.h"

#include <algorithm>

#include "common/key_table.h"

namespace orvalin::learning {

namespace {

bool in_mode(int code, int mode) {
    return code >= kCodesPerMode * mode && code < kCodesPerMode * mode + kCodesPerMode;
}

std::string code_digits(int code) {
    return table_code(code, 0);
}

}  // namespace

Session::Session(SessionIo io) : io_(std::move(io)) {}

void Session::log(const std::string& line) const {
    if (io_.log) io_.log(line);
}

TableError Session::load(std::string table_text) {
    KeyLinesResult parsed = parse_key_lines(table_text);
    if (!parsed.ok()) return parsed.error;
    table_ = std::move(table_text);
    working_ = table_;
    remote_ = std::string(table_without_padding(table_));
    keys_ = read_key_lines(parsed.lines);
    return TableError::none;
}

void Session::load_unreadable(std::string table_text) {
    remote_ = std::string(table_without_padding(table_text));
    table_ = std::move(table_text);
    working_ = table_;
    keys_.clear();
    prior_.clear();
    session_prior_begin_ = 0;
    changed_ = false;
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
    if (const auto prior = find_prior(keys_, code)) prior_.push_back(*prior);
    set_pending(keys_, code);
    return TableError::none;
}

bool Session::commit() {
    table_ = working_;
    if (!write_table(table_)) {
        owed_keys_ = true;
        return false;
    }
    changed_ = false;
    return true;
}

void Session::decline() {
    working_ = table_;
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
    return TableError::none;
}

bool Session::write_deletions() {
    if (!write_table(table_)) return false;
    working_ = table_;
    changed_ = false;
    return true;
}

void Session::give_up_deletions() {
    changed_ = false;
    deleting_ = false;
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

bool Session::write_cleared(const std::string& cleared) {
    if (!write_table(cleared)) return false;
    table_ = cleared;
    working_ = cleared;
    changed_ = false;
    std::erase_if(keys_,
                  [&](const KeyEntry& k) { return is_learned(k.state) && in_mode(k.code, mode_); });
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
    unwritten_ = {};
    const std::string table(table_without_padding(text));
    if (table.empty() || table.size() > kMaxTableChars) {
        log("write refused: table of " + std::to_string(table.size()) + " characters");
        return false;
    }
    const BackupResult backup = io_.backup ? io_.backup(remote_) : BackupResult{};
    if (backup.ok) {
        log("backup: " + backup.file.string());
    } else {
        log("backup failed: " + backup.error);
        if (!io_.write_without_backup || !io_.write_without_backup(backup.error)) {
            save_unwritten(table);
            return false;
        }
    }
    if (!io_.write || !io_.write(table)) {
        log("WCodeTypeData failed");
        save_unwritten(table);
        return false;
    }
    remote_ = table;
    owed_keys_ = false;
    return true;
}

}  // namespace orvalin::learning
