#include "cli/remote_session.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>

#include "common/data_files.h"
#include "common/key_table.h"
#include "device/vorkel.h"
#include "ircode/analysis.h"
#include "ircode/replay.h"
#include "learning/code_table.h"
#include "learning/key_code.h"
#include "learning/recognition.h"
#include "learning/remote_lock.h"
#include "learning/session_journal.h"
#include "learning/signal_capture.h"
#include "learning/table_backup.h"
#include "signals/formats/code_signal.h"

namespace orvalin::cli {

namespace {

constexpr std::size_t kBasicInfoBuffer = 1024;
constexpr std::size_t kCodeTableBuffer = 12288;

bool same_ascii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::optional<std::string> Options::value(std::string_view name) const {
    for (const auto& [n, v] : values)
        if (n == name) return v;
    return std::nullopt;
}

bool Options::flag(std::string_view name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<Options> parse_options(const std::vector<std::string>& args,
                                     const std::vector<std::string_view>& value_names,
                                     const std::vector<std::string_view>& flag_names,
                                     std::string& why) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (std::find(value_names.begin(), value_names.end(), a) != value_names.end()) {
            if (i + 1 >= args.size()) {
                why = a + " needs a value";
                return std::nullopt;
            }
            o.values.emplace_back(a, args[++i]);
        } else if (std::find(flag_names.begin(), flag_names.end(), a) != flag_names.end()) {
            o.flags.push_back(a);
        } else if (a.size() > 2 && a.starts_with("--")) {
            why = "unknown option " + a;
            return std::nullopt;
        } else {
            o.rest.push_back(a);
        }
    }
    return o;
}

std::optional<int> parse_mode(std::string_view name) {
    for (int m = 0; m < 3; ++m)
        if (same_ascii(name, mode_text(m))) return m;
    return std::nullopt;
}

const char* mode_text(int mode) {
    switch (mode) {
        case 1:
            return "CBL";
        case 2:
            return "DVD";
        default:
            return "TV";
    }
}

std::optional<KeyRef> parse_key(std::string_view name, std::optional<int> mode, std::string& why) {
    if (name.size() > 2 && (name.starts_with("0x") || name.starts_with("0X"))) {
        unsigned code = 0;
        const auto [end, ec] =
            std::from_chars(name.data() + 2, name.data() + name.size(), code, 16);
        if (ec != std::errc{} || end != name.data() + name.size() || code > 0xFF) {
            why = "not a table code: " + std::string(name);
            return std::nullopt;
        }
        KeyRef k{static_cast<int>(code), static_cast<int>(code) / kCodesPerMode,
                 static_cast<int>(code) % kCodesPerMode};
        if (k.mode > 2) {
            why = "table code " + std::string(name) + " lies beyond the DVD mode";
            return std::nullopt;
        }
        if (mode && *mode != k.mode) {
            why = "table code " + std::string(name) + " belongs to the " + mode_text(k.mode) +
                  " mode, not " + mode_text(*mode);
            return std::nullopt;
        }
        return k;
    }
    if (!mode) {
        why = "--mode TV|CBL|DVD is needed with a key name";
        return std::nullopt;
    }
    const KeyInfo* found = nullptr;
    for (const KeyInfo& k : kKeyTable) {
        if (!same_ascii(k.path, name) && !same_ascii(k.label, name)) continue;
        if (found != nullptr && found->code != k.code) {
            why = "key name " + std::string(name) + " names more than one key; give the table code";
            return std::nullopt;
        }
        found = &k;
    }
    if (found == nullptr) {
        why = "no key named " + std::string(name);
        return std::nullopt;
    }
    return KeyRef{found->code + kCodesPerMode * *mode, *mode, found->code};
}

std::string key_name(int key_code) {
    for (const KeyInfo& k : kKeyTable)
        if (k.code == key_code) return std::string(key_message_name(k));
    return "key " + std::to_string(key_code);
}

std::filesystem::path program_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

std::string recognised_type(const std::string& table, int table_code) {
    const learning::TableResult image = learning::one_key_text(table, table_code);
    if (!image.ok()) return {};
    const auto code = learning::describe_key_code(
        image.text, table_code, data_file(program_folder(), ircode::kCodeInfoFileName));
    return code ? code->type_name : std::string();
}

bool read_basic_info(std::string& info, std::ostream& err) {
    if (!link_state()) {
        err << "orvalin-cli: no remote found (see orvalin-cli doctor)\n";
        return false;
    }
    std::vector<char> buffer(kBasicInfoBuffer, '\0');
    // A read that fails part-way reports success with an empty text.
    if (!RBasicInfo(buffer.data()) || buffer[0] == '\0') {
        err << "orvalin-cli: the remote's basic information cannot be read\n";
        return false;
    }
    info.assign(buffer.data());
    return true;
}

bool read_code_table(std::string& table, std::ostream& err) {
    if (!link_state()) {
        err << "orvalin-cli: no remote found (see orvalin-cli doctor)\n";
        return false;
    }
    std::vector<char> buffer(kCodeTableBuffer, '\0');
    if (!RCodeTypeData(buffer.data()) || buffer[0] == '\0') {
        err << "orvalin-cli: the remote's code table cannot be read\n";
        return false;
    }
    table.assign(buffer.data(), buffer.size());
    return true;
}

learning::SessionIo device_io(std::ostream& err) {
    learning::SessionIo io{
        [](const std::string& table) { return WCodeTypeData(table.c_str()); },
        [](std::string_view remote) {
            return learning::save_table_backup(remote, learning::backup_folder(),
                                               std::chrono::system_clock::now());
        },
        // Without a terminal to ask: no backup, no write.
        [&err](const std::string& why) {
            err << "orvalin-cli: no backup could be saved (" << why << "); nothing written\n";
            return false;
        },
        {},
        [](std::string_view table) {
            return learning::save_unwritten_table(table, learning::backup_folder(),
                                                  std::chrono::system_clock::now());
        },
    };
    // Right before every write: what the remote holds now, and that it is the same one.
    io.read = [&err]() -> std::optional<std::string> {
        std::string table;
        if (!read_code_table(table, err)) return std::nullopt;
        return table;
    };
    io.identity = [&err]() -> std::optional<std::string> {
        std::string info;
        if (!read_basic_info(info, err)) return std::nullopt;
        return info;
    };
    io.lock = [] { return learning::take_remote_lock(); };
    // A learned key is in the journal until it is on the remote: a kill loses nothing.
    auto journal = std::make_shared<learning::SessionJournal>(learning::journal_folder());
    io.journal = [journal, &err](const std::vector<learning::KeyChange>& unwritten,
                                 const std::string& identity) {
        journal->set_identity(identity);
        if (std::string why; !journal->save(unwritten, &why)) err << "orvalin-cli: " << why << "\n";
    };
    // No one to ask about a key changed on both sides: the write is refused.
    return io;
}

std::string describe_table_code(int code) {
    return std::string(mode_text(code / kCodesPerMode)) + " " + key_name(code % kCodesPerMode);
}

std::optional<int> open_session(learning::Session& session, std::ostream& err, bool unreadable_ok) {
    std::string info, table;
    if (!read_basic_info(info, err) || !read_code_table(table, err)) return kExitRemote;
    session.set_identity(info);
    if (const learning::TableError e = session.load(table); e != learning::TableError::none) {
        if (unreadable_ok) {
            err << "orvalin-cli: the remote's code table is not well formed ("
                << learning::describe(e) << "); it is backed up and replaced\n";
            session.load_unreadable(std::move(table));
            return std::nullopt;
        }
        err << "orvalin-cli: the remote's code table is not well formed (" << learning::describe(e)
            << "); restore a backup with orvalin-cli restore FILE\n";
        return kExitRemote;
    }
    return std::nullopt;
}

bool verify_written(std::string_view written, std::ostream& err) {
    std::string table;
    if (!read_code_table(table, err)) return false;
    const std::string_view held = learning::table_without_padding(table);
    const std::string_view want = learning::table_without_padding(written);
    if (held.substr(0, want.size()) != want) {
        err << "orvalin-cli: the remote does not hold what was written\n";
        return false;
    }
    return true;
}

bool confirmed(std::istream& in, std::ostream& out, std::string_view question) {
    out << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(in, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

void report_unwritten(const learning::Session& session, std::ostream& err) {
    const learning::BackupResult& u = session.unwritten();
    if (u.ok) {
        err << "orvalin-cli: the table that was not written is saved in " << u.file.string()
            << "\n";
    } else if (!u.error.empty()) {
        err << "orvalin-cli: the table that was not written could not be saved: " << u.error
            << "\n";
    }
}

int report_write_failure(const learning::Session& session, std::string_view command,
                         std::ostream& err) {
    const learning::WriteReport& w = session.last_write();
    const std::string cmd = "orvalin-cli " + std::string(command) + ": ";
    switch (w.status) {
        case learning::WriteStatus::written:
        case learning::WriteStatus::nothing_to_write:
            return kExitDone;
        case learning::WriteStatus::conflict: {
            err << cmd << "the remote changed since it was read";
            if (!w.conflicts.empty()) {
                err << "; changed there too:";
                for (const int code : w.conflicts) err << " " << describe_table_code(code) << ";";
            }
            err << " nothing written (run the command again)\n";
            break;
        }
        case learning::WriteStatus::busy:
            err << cmd
                << "the remote is busy (another program is writing to it); nothing written\n";
            break;
        case learning::WriteStatus::other_remote:
            err << cmd << "not the remote that was read (" << w.why << "); nothing written\n";
            break;
        case learning::WriteStatus::read_failed:
            err << cmd << "the remote could not be read right before the write; nothing written\n";
            break;
        case learning::WriteStatus::no_backup:
            break;  // said when the backup failed
        case learning::WriteStatus::table_error:
            err << cmd << w.why << "; nothing written\n";
            break;
        case learning::WriteStatus::refused:
            err << cmd
                << (w.why.empty() ? std::string("the remote refused the write")
                                  : "the remote does not hold what was written (" + w.why + ")")
                << "\n";
            break;
    }
    report_unwritten(session, err);
    return kExitRemote;
}

}  // namespace orvalin::cli
