// Real code files against the key mapping and the recognition: of the signals
// whose names mean one of the remote's fixed keys (power, digits, volume,
// channel, mute, arrows, OK, AV, transport), the share that lands on that key;
// of the mapped signals, the share learned (code types, then the converter
// beside the program). Reads every code file below the folders given (each remote of a
// file of several on its own) (default
// /usr/share/lirc/remotes); prints the figures for TV, set-top box and DVD files
// and for all files.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "learning/fallback_converter.h"
#include "library/key_mapping.h"
#include "library/key_names.h"
#include "library/library_file.h"
#include "library/mode_import.h"

namespace {

namespace fs = std::filesystem;
using namespace orvalin::library;

bool fixed_key(int code) {
    static const std::vector<int> keys = {
        0x00, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0E, 0x0D, 0x10, 0x13,
        0x12, 0x15, 0x14, 0x17, 0x19, 0x1B, 0x1D, 0x1A, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24};
    for (const int k : keys)
        if (k == code) return true;
    return false;
}

struct Tally {
    std::size_t files = 0, meaning = 0, landed = 0, mapped = 0, learned = 0;
    void print(const char* what) const {
        std::printf(
            "%s: %zu remotes; fixed-key signals %zu, on their key %zu (%.2f %%); mapped %zu, "
            "learned %zu (%.2f %%)\n",
            what, files, meaning, landed, meaning ? 100.0 * landed / meaning : 0.0, mapped, learned,
            mapped ? 100.0 * learned / mapped : 0.0);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> folders;
    for (int i = 1; i < argc; ++i) folders.emplace_back(argv[i]);
    if (folders.empty()) folders.emplace_back("/usr/share/lirc/remotes");
    const fs::path program = ORVALIN_PROGRAM_DIR;
    std::string why;
    const auto names = KeyNames::load(program / std::string(kKeyNamesFileName), why);
    if (!names) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 2;
    }
    const fs::path codeinfo = program / orvalin::ircode::kCodeInfoFileName;
    const fs::path converter = program / orvalin::learning::kFallbackLibraryName;
    Tally media, all;
    const bool verbose = std::getenv("RATES_VERBOSE") != nullptr;
    for (const fs::path& folder : folders) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (!it->is_regular_file(ec)) continue;
            const LibraryFile whole = read_library_file(it->path(), folder);
            if (!whole.ok()) continue;
            // Each remote of a file of several is a device of its own.
            for (const std::string& remote : remote_names(whole)) {
                const LibraryFile file = one_remote(whole, remote);
                std::vector<std::string> signal_names;
                for (const auto& s : file.signals) signal_names.push_back(s.name);
                const auto mapping = map_signals(signal_names, *names);
                const ImportPlan plan =
                    plan_import(file.path, 0, file.signals, mapping, {}, codeinfo, converter);
                const bool is_media = file.kind == DeviceKind::tv || file.kind == DeviceKind::stb ||
                                      file.kind == DeviceKind::dvd;
                // A fallback name means its key only where the file has none of the key's
                // other names ("Enter" beside "Ok" is a key of its own).
                std::vector<std::size_t> primary;
                for (const std::string& n : signal_names)
                    if (const auto m = names->lookup(n); m && !m->fallback)
                        primary.push_back(m->entry);
                for (Tally* t : {&all, is_media ? &media : nullptr}) {
                    if (t == nullptr) continue;
                    ++t->files;
                    for (std::size_t i = 0; i < mapping.size(); ++i) {
                        const auto match = names->lookup(signal_names[i]);
                        const bool displaced = match && match->fallback &&
                                               std::find(primary.begin(), primary.end(),
                                                         match->entry) != primary.end();
                        const int meant =
                            match && !displaced ? names->entries()[match->entry].key_code : -1;
                        if (fixed_key(meant)) {
                            ++t->meaning;
                            if (mapping[i].key_code == meant) {
                                ++t->landed;
                            } else if (verbose && t == &all) {
                                std::printf("  off its key: %s: %s (%s)\n", file.path.c_str(),
                                            signal_names[i].c_str(), mapping[i].reason.c_str());
                            }
                        }
                        if (plan.keys[i].key_code >= 0) {
                            ++t->mapped;
                            if (plan.keys[i].learned) {
                                ++t->learned;
                            } else if (verbose && t == &all) {
                                std::printf("  not learned: %s: %s (%s)\n", file.path.c_str(),
                                            signal_names[i].c_str(), plan.keys[i].reason.c_str());
                            }
                        }
                    }
                }
            }
        }
    }
    media.print("TV, set-top box and DVD files");
    all.print("all readable files");
    return 0;
}
