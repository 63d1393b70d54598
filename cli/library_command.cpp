// orvalin-cli library add DIR | remove DIR | list | search TEXT [--kind K] |
// show ID [--mode M]: the folders of code files the user keeps, indexed by
// brand, model and kind, and what each file's signals map to on the remote.
#include <charconv>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/data_files.h"
#include "library/json_text.h"
#include "library/key_mapping.h"
#include "library/library_file.h"
#include "library/library_folders.h"
#include "library/library_index.h"

namespace orvalin::cli {

namespace fs = std::filesystem;
using library::json_string;

namespace {

constexpr const char* kUsage =
    "usage: orvalin-cli library add DIR | remove DIR | list | search TEXT [--kind K] |\n"
    "       show ID  (each with --json)\n"
    "\n"
    "add      adds a folder of code files (any depth: Flipper .ir, LIRC configurations,\n"
    "         Pronto, Broadlink, mode2 and irdb CSV files) and indexes it\n"
    "remove   takes a folder out of the library\n"
    "list     the folders with their numbers of files and signals, and the files\n"
    "         that could not be read with the reason\n"
    "search   files whose brand, model, kind or signal names hold every word of\n"
    "         TEXT (word beginnings); --kind K: TV, STB, DVD, audio, projector, other\n"
    "show     a file's signals and the key of the remote each goes to\n"
    "The folders are kept in the user's config folder, the index in the user's cache\n"
    "folder; "
    "/usr/share/lirc/remotes is indexed too when it is there.\n"
    "exit status: 0 done, 1 nothing found, 2 bad input\n";

// Progress on standard error for long indexing runs.
library::Progress progress_to(std::ostream& err) {
    return [&err](std::size_t done, std::size_t total) {
        if (total >= 500 && (done % 500 == 0 || done == total)) {
            err << "indexing: " << done << " of " << total << " files\n" << std::flush;
        }
        return true;
    };
}

std::unique_ptr<library::LibraryIndex> open_index(std::ostream& err) {
    std::string why;
    auto index = library::open_user_index(why, progress_to(err));
    if (!index) err << "orvalin-cli library: " << why << "\n";
    return index;
}

std::string entry_json(const library::FileEntry& e) {
    return "{\"id\": " + std::to_string(e.id) + ", \"brand\": " + json_string(e.brand) +
           ", \"model\": " + json_string(e.model) + ", \"kind\": " + json_string(e.kind) +
           ", \"signals\": " + std::to_string(e.signals) + ", \"path\": " + json_string(e.path) +
           "}";
}

int folder_change(bool add, const Options& options, Streams io) {
    if (options.rest.size() != 2) {
        io.err << "orvalin-cli library: usage: library " << (add ? "add" : "remove") << " DIR\n";
        return kExitBadInput;
    }
    std::string why;
    const fs::path settings = library::settings_file();
    const fs::path folder = options.rest[1];
    if (!(add ? library::add_folder(settings, folder, why)
              : library::remove_folder(settings, folder, why))) {
        io.err << "orvalin-cli library: " << why << "\n";
        return kExitBadInput;
    }
    const auto index = open_index(io.err);
    if (!index) return kExitBadInput;
    const fs::path normal = library::normal_folder(folder);
    library::FolderCount count;
    for (const auto& c : index->counts())
        if (c.folder == normal.string()) count = c;
    if (options.flag("--json")) {
        io.out << "{\"folder\": " << json_string(normal.string())
               << ", \"added\": " << (add ? "true" : "false") << ", \"files\": " << count.files
               << ", \"signals\": " << count.signals << ", \"unreadable\": " << count.unreadable
               << "}\n";
    } else if (add) {
        io.out << "added " << normal.string() << ": " << count.files << " files, " << count.signals
               << " signals, " << count.unreadable << " unreadable\n";
    } else {
        io.out << "removed " << normal.string() << "\n";
    }
    return kExitDone;
}

int list(const Options& options, Streams io) {
    if (options.rest.size() != 1) {
        io.err << "orvalin-cli library: usage: library list\n";
        return kExitBadInput;
    }
    const auto index = open_index(io.err);
    if (!index) return kExitBadInput;
    std::vector<fs::path> folders = library::indexed_folders(library::settings_file());
    const auto counts = index->counts();
    const auto system = library::system_folder();
    const auto unreadable = index->unreadable();
    const bool json = options.flag("--json");
    if (json) io.out << "{\"folders\": [";
    for (std::size_t i = 0; i < folders.size(); ++i) {
        library::FolderCount c;
        for (const auto& k : counts)
            if (k.folder == folders[i].string()) c = k;
        const bool is_system = system && fs::path(*system).lexically_normal() == folders[i];
        if (json) {
            io.out << (i ? ", " : "") << "{\"folder\": " << json_string(folders[i].string())
                   << ", \"files\": " << c.files << ", \"signals\": " << c.signals
                   << ", \"unreadable\": " << c.unreadable
                   << ", \"system\": " << (is_system ? "true" : "false") << "}";
        } else {
            io.out << folders[i].string() << (is_system ? " (system)" : "") << ": " << c.files
                   << " files, " << c.signals << " signals, " << c.unreadable << " unreadable\n";
        }
    }
    if (json) io.out << "], \"unreadable\": [";
    for (std::size_t i = 0; i < unreadable.size(); ++i) {
        if (json) {
            io.out << (i ? ", " : "") << "{\"path\": " << json_string(unreadable[i].path)
                   << ", \"error\": " << json_string(unreadable[i].error) << "}";
        } else {
            io.out << "unreadable: " << unreadable[i].error << "\n";
        }
    }
    if (json) io.out << "]}\n";
    if (!json && folders.empty())
        io.out << "no folders; add one with: orvalin-cli library add DIR\n";
    return kExitDone;
}

int search(const Options& options, Streams io) {
    if (options.rest.size() != 2) {
        io.err << "orvalin-cli library: usage: library search TEXT [--kind K]\n";
        return kExitBadInput;
    }
    std::optional<library::DeviceKind> kind;
    if (const auto k = options.value("--kind")) {
        library::DeviceKind parsed{};
        if (!library::parse_kind(*k, parsed)) {
            io.err << "orvalin-cli library: unknown kind " << *k
                   << " (TV, STB, DVD, audio, projector, other)\n";
            return kExitBadInput;
        }
        kind = parsed;
    }
    const auto index = open_index(io.err);
    if (!index) return kExitBadInput;
    const auto found = index->search(options.rest[1], kind);
    if (options.flag("--json")) {
        io.out << "[";
        for (std::size_t i = 0; i < found.size(); ++i)
            io.out << (i ? ", " : "") << entry_json(found[i]);
        io.out << "]\n";
    } else {
        for (const auto& e : found) {
            io.out << e.id << "\t" << e.brand << "\t" << e.model << "\t" << e.kind << "\t"
                   << e.signals << " signals\t" << e.path << "\n";
        }
        if (found.empty()) io.err << "orvalin-cli library: nothing found\n";
    }
    return found.empty() ? kExitNoFit : kExitDone;
}

int show(const Options& options, Streams io) {
    std::int64_t id = 0;
    if (options.rest.size() != 2 ||
        std::from_chars(options.rest[1].data(), options.rest[1].data() + options.rest[1].size(), id)
                .ptr != options.rest[1].data() + options.rest[1].size()) {
        io.err << "orvalin-cli library: usage: library show ID (a number from library search)\n";
        return kExitBadInput;
    }
    std::string why;
    const auto names =
        library::KeyNames::load(data_file(program_folder(), library::kKeyNamesFileName), why);
    if (!names) {
        io.err << "orvalin-cli library: " << why << "\n";
        return kExitBadInput;
    }
    const auto index = open_index(io.err);
    if (!index) return kExitBadInput;
    const auto entry = index->find(id);
    if (!entry) {
        io.err << "orvalin-cli library: no file " << id << " in the library\n";
        return kExitNoFit;
    }
    const library::LibraryFile file = library::read_entry(*entry);
    std::vector<std::string> signal_names;
    for (const auto& s : file.signals) signal_names.push_back(s.name);
    const auto mapping = library::map_signals(signal_names, *names);
    if (options.flag("--json")) {
        io.out << "{\"id\": " << entry->id << ", \"path\": " << json_string(entry->path)
               << ", \"brand\": " << json_string(file.brand)
               << ", \"model\": " << json_string(file.model)
               << ", \"kind\": " << json_string(std::string(library::kind_name(file.kind)))
               << ", \"format\": " << json_string(file.format)
               << ", \"error\": " << (file.ok() ? std::string("null") : json_string(file.error))
               << ", \"signals\": [";
        for (std::size_t i = 0; i < mapping.size(); ++i) {
            const auto& a = mapping[i];
            io.out << (i ? ", " : "") << "{\"signal\": " << json_string(a.signal) << ", \"key\": "
                   << (a.key_code >= 0 ? json_string(library::key_label(a.key_code)) : "null")
                   << ", \"reason\": " << (a.key_code >= 0 ? "null" : json_string(a.reason)) << "}";
        }
        io.out << "], \"unsupported\": [";
        for (std::size_t i = 0; i < file.unsupported.size(); ++i) {
            io.out << (i ? ", " : "") << "{\"signal\": " << json_string(file.unsupported[i].name)
                   << ", \"reason\": " << json_string(file.unsupported[i].reason) << "}";
        }
        io.out << "]}\n";
    } else {
        io.out << "file: " << entry->path << "\nbrand: " << file.brand << "\nmodel: " << file.model
               << "\nkind: " << library::kind_name(file.kind) << "\n";
        if (!file.ok()) io.out << "error: " << file.error << "\n";
        for (const auto& a : mapping) {
            io.out << a.signal << " -> "
                   << (a.key_code >= 0 ? library::key_label(a.key_code)
                                       : "(none: " + a.reason + ")")
                   << "\n";
        }
        for (const auto& u : file.unsupported)
            io.out << u.name << " -> (none: " << u.reason << ")\n";
    }
    return file.ok() ? kExitDone : kExitNoFit;
}

}  // namespace

int run_library(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--kind"}, {"--json", "--help"}, why);
    if (!options) {
        io.err << "orvalin-cli library: " << why << "\n" << kUsage;
        return kExitBadInput;
    }
    if (options->flag("--help")) {
        io.out << kUsage;
        return kExitDone;
    }
    const std::string sub = options->rest.empty() ? std::string() : options->rest.front();
    if (options->value("--kind") && sub != "search") {
        io.err << "orvalin-cli library: --kind goes with search\n";
        return kExitBadInput;
    }
    if (sub == "add") return folder_change(true, *options, io);
    if (sub == "remove") return folder_change(false, *options, io);
    if (sub == "list") return list(*options, io);
    if (sub == "search") return search(*options, io);
    if (sub == "show") return show(*options, io);
    io.err << "orvalin-cli library: "
           << (sub.empty() ? "no subcommand" : "unknown subcommand " + sub) << "\n"
           << kUsage;
    return kExitBadInput;
}

}  // namespace orvalin::cli
