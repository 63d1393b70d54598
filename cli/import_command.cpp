// orvalin-cli import --mode M (FILE | --library ID) [--map SIGNAL=KEY]...
// [--dry-run] [--json]: a whole device mode from one code file. Every signal
// whose name means a key is recognised as that key would be, the keys already
// learned in the mode are named, and the table is written once through the
// session core (backup first, then read back).
#include <charconv>
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/data_files.h"
#include "ircode/analysis.h"
#include "learning/code_table.h"
#include "learning/fallback_converter.h"
#include "library/json_text.h"
#include "library/key_mapping.h"
#include "library/key_names.h"
#include "library/library_file.h"
#include "library/library_folders.h"
#include "library/library_index.h"
#include "library/mode_import.h"

namespace orvalin::cli {

namespace fs = std::filesystem;
using library::json_string;

namespace {

constexpr const char* kUsage =
    "usage: orvalin-cli import --mode M (FILE [--remote NAME] | --library ID)\n"
    "                          [--map SIGNAL=KEY]... [--dry-run] [--json]\n"
    "\n"
    "Learns every signal of a code file (or of file ID of the library) whose name\n"
    "means a key of the remote into the device mode M (TV, CBL or DVD), as if each\n"
    "key had been learned from the other remote, and writes the table once, with a\n"
    "backup first. --map SIGNAL=KEY puts a signal on another key (a key name, its\n"
    "label such as F1 or OK, or 0xNN; KEY none leaves it out). Keys already learned\n"
    "in the mode are named as replaced before the write. --dry-run recognises and\n"
    "reports but writes nothing. A file of several remotes (LIRC) needs --remote NAME.\n"
    "exit status: 0 done, 1 nothing learned or the remote refused or is absent,\n"
    "             2 bad input\n";

// The table code of a key in the mode, as "0xNN".
std::string table_code_text(int key_code, int mode) {
    return "0x" + learning::table_code(key_code, mode);
}

std::string key_list(const std::vector<int>& codes) {
    std::string out;
    for (const int c : codes) out += (out.empty() ? "" : ", ") + library::key_label(c);
    return out;
}

void print_json(const library::ImportPlan& plan, bool written, Streams io) {
    io.out << "{\"file\": " << json_string(plan.file)
           << ", \"mode\": " << json_string(mode_text(plan.mode)) << ", \"keys\": [";
    for (std::size_t i = 0; i < plan.keys.size(); ++i) {
        const auto& k = plan.keys[i];
        const bool mapped = k.key_code >= 0;
        io.out << (i ? ", " : "") << "{\"signal\": " << json_string(k.signal)
               << ", \"key\": " << (mapped ? json_string(library::key_label(k.key_code)) : "null")
               << ", \"code\": "
               << (mapped ? json_string(table_code_text(k.key_code, plan.mode)) : "null")
               << ", \"type\": " << (k.learned ? json_string(k.type) : "null")
               << ", \"learned\": " << (k.learned ? "true" : "false")
               << ", \"reason\": " << (k.learned ? "null" : json_string(k.reason)) << "}";
    }
    io.out << "], \"replaced\": [";
    const auto replaced = plan.replaced();
    for (std::size_t i = 0; i < replaced.size(); ++i)
        io.out << (i ? ", " : "") << json_string(library::key_label(replaced[i]));
    io.out << "], \"written\": " << (written ? "true" : "false") << "}\n";
}

void print_keys(const library::ImportPlan& plan, Streams io) {
    for (const auto& k : plan.keys) {
        io.out << k.signal;
        if (k.key_code < 0) {
            io.out << ": not mapped (" << k.reason << ")\n";
            continue;
        }
        io.out << " -> " << library::key_label(k.key_code) << " ("
               << table_code_text(k.key_code, plan.mode)
               << "): " << (k.learned ? k.type : "not learned (" + k.reason + ")") << "\n";
    }
}

// The signal a --map names: its name as listed, else the one name that compares
// equal without regard to case and separators.
std::optional<std::size_t> signal_named(const std::vector<library::Assignment>& mapping,
                                        const std::string& name) {
    for (std::size_t i = 0; i < mapping.size(); ++i)
        if (mapping[i].signal == name) return i;
    const std::string normal = library::normal_name(name);
    for (std::size_t i = 0; i < mapping.size(); ++i)
        if (library::normal_name(mapping[i].signal) == normal) return i;
    return std::nullopt;
}

}  // namespace

int run_import(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode", "--library", "--map", "--remote"},
                                       {"--dry-run", "--json", "--help"}, why);
    if (!options) {
        io.err << "orvalin-cli import: " << why << "\n" << kUsage;
        return kExitBadInput;
    }
    if (options->flag("--help")) {
        io.out << kUsage;
        return kExitDone;
    }
    const auto from_library = options->value("--library");
    if (!options->value("--mode") || options->rest.size() != (from_library ? 0u : 1u)) {
        io.err << "orvalin-cli import: " << kUsage;
        return kExitBadInput;
    }
    const auto mode = parse_mode(*options->value("--mode"));
    if (!mode) {
        io.err << "orvalin-cli import: unknown mode " << *options->value("--mode")
               << " (TV, CBL or DVD)\n";
        return kExitBadInput;
    }
    const auto names =
        library::KeyNames::load(data_file(program_folder(), library::kKeyNamesFileName), why);
    if (!names) {
        io.err << "orvalin-cli import: " << why << "\n";
        return kExitBadInput;
    }

    library::LibraryFile file;
    if (from_library) {
        std::int64_t id = 0;
        const auto [end, ec] =
            std::from_chars(from_library->data(), from_library->data() + from_library->size(), id);
        if (ec != std::errc{} || end != from_library->data() + from_library->size()) {
            io.err << "orvalin-cli import: --library takes a number from library search\n";
            return kExitBadInput;
        }
        const auto index = library::open_user_index(why);
        if (!index) {
            io.err << "orvalin-cli import: " << why << "\n";
            return kExitBadInput;
        }
        const auto entry = index->find(id);
        if (!entry) {
            io.err << "orvalin-cli import: no file " << id << " in the library\n";
            return kExitBadInput;
        }
        file = library::read_entry(*entry);
    } else {
        const fs::path path = options->rest.front();
        file = library::read_library_file(path, path.parent_path());
        const std::vector<std::string> remotes = library::remote_names(file);
        if (const auto remote = options->value("--remote")) {
            file = library::one_remote(file, *remote);
        } else if (file.ok() && remotes.size() > 1) {
            std::string list;
            for (const std::string& r : remotes) list += (list.empty() ? "" : ", ") + r;
            io.err << "orvalin-cli import: " << file.path << " holds " << remotes.size()
                   << " remotes; choose one with --remote NAME: " << list << "\n";
            return kExitBadInput;
        }
    }
    if (from_library && options->value("--remote")) {
        io.err << "orvalin-cli import: --remote goes with FILE (a library ID names one remote)\n";
        return kExitBadInput;
    }
    if (!file.ok()) {
        io.err << "orvalin-cli import: " << file.error << "; nothing written\n";
        return kExitBadInput;
    }

    std::vector<std::string> signal_names;
    for (const auto& s : file.signals) signal_names.push_back(s.name);
    auto mapping = library::map_signals(signal_names, *names);
    for (const auto& [option, value] : options->values) {
        if (option != "--map") continue;
        const auto eq = value.rfind('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == value.size()) {
            io.err << "orvalin-cli import: --map takes SIGNAL=KEY\n";
            return kExitBadInput;
        }
        const std::string signal = value.substr(0, eq), key = value.substr(eq + 1);
        const auto index = signal_named(mapping, signal);
        if (!index) {
            io.err << "orvalin-cli import: " << file.path << " holds no signal named " << signal
                   << "\n";
            return kExitBadInput;
        }
        int key_code = -1;
        if (key != "none") {
            const auto ref = parse_key(key, *mode, why);
            if (!ref) {
                io.err << "orvalin-cli import: " << why << "\n";
                return kExitBadInput;
            }
            key_code = ref->key_code;
        }
        if (!library::assign(mapping, *index, key_code, why)) {
            io.err << "orvalin-cli import: " << key << ": " << why << "\n";
            return kExitBadInput;
        }
    }

    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err)) return *status;
    const fs::path codeinfo = program_folder() / ircode::kCodeInfoFileName;
    const fs::path converter = program_folder() / learning::kFallbackLibraryName;
    library::ImportPlan plan = library::plan_import(file.path, *mode, file.signals, mapping,
                                                    session.keys(), codeinfo, converter);
    // irdb rows of protocols we cannot render are reported like signals without a key.
    for (const auto& u : file.unsupported) {
        library::ImportKey k;
        k.signal = u.name;
        k.reason = u.reason;
        plan.keys.push_back(k);
    }
    const bool json = options->flag("--json");
    if (!json) {
        print_keys(plan, io);
        if (const auto replaced = plan.replaced(); !replaced.empty())
            io.out << "will be replaced: " << key_list(replaced) << "\n";
    }
    if (plan.learned_count() == 0) {
        if (json) print_json(plan, false, io);
        io.err << "orvalin-cli import: no signal of " << file.path
               << " was learned; nothing written\n";
        return kExitRemote;
    }
    if (options->flag("--dry-run")) {
        if (json) {
            print_json(plan, false, io);
        } else {
            io.out << "dry run: " << plan.learned_count() << " keys would be learned into "
                   << mode_text(*mode) << "; nothing written\n";
        }
        return kExitDone;
    }
    const library::ImportWrite written = library::apply_import(session, plan);
    if (written == library::ImportWrite::refused) {
        if (json) print_json(plan, false, io);
        return report_write_failure(session, "import", io.err);
    }
    if (written == library::ImportWrite::nothing_learned) {
        if (json) print_json(plan, false, io);
        io.err << "orvalin-cli import: the table took none of the keys; nothing written\n";
        return kExitRemote;
    }
    if (json) {
        print_json(plan, true, io);
    } else {
        io.out << "learned " << plan.learned_count() << " keys into " << mode_text(*mode)
               << "; written\n";
    }
    return kExitDone;
}

}  // namespace orvalin::cli
