// The code library: indexing a generated tree of 9,000 files holding 300,000
// signals (Flipper, LIRC and irdb files in the layouts of the public databases),
// indexing it again unchanged, a search, and the dry run of an import of a
// 40-signal file (mapping and recognition of every signal).
#include "library/library_index.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/key_mapping.h"
#include "library/key_names.h"
#include "library/library_file.h"
#include "library/mode_import.h"

namespace {

namespace fs = std::filesystem;
using namespace orvalin::library;

constexpr int kFiles = 9000;
constexpr int kSignalsPerFile = 34;  // 306,000 signals; each irdb file has one unsupported row too

const std::vector<std::string>& names() {
    static const std::vector<std::string> n = [] {
        std::vector<std::string> out = {"Power", "Mute",   "Vol_up", "Vol_dn", "Ch_next", "Ch_prev",
                                        "Up",    "Down",   "Left",   "Right",  "Ok",      "Menu",
                                        "Exit",  "Info",   "Source", "Guide",  "Home",    "Red",
                                        "Green", "Yellow", "Blue",   "Play",   "Pause",   "Stop"};
        for (int d = 0; d <= 9; ++d) out.push_back(std::to_string(d));
        return out;
    }();
    return n;
}

std::string flipper(int file) {
    std::string out = "Filetype: IR signals file\nVersion: 1\n";
    char line[64];
    for (int i = 0; i < kSignalsPerFile; ++i) {
        std::snprintf(line, sizeof line, "address: %02X 00 00 00\ncommand: %02X 00 00 00\n",
                      file % 256, i);
        out += "#\nname: " + names()[static_cast<std::size_t>(i)] +
               "\ntype: parsed\nprotocol: NEC\n" + line;
    }
    return out;
}

std::string lirc(int file) {
    std::string out = "begin remote\n  name remote" + std::to_string(file) +
                      "\n  bits 16\n  flags SPACE_ENC|CONST_LENGTH\n  eps 30\n  aeps 100\n"
                      "  header 9024 4512\n  one 564 1692\n  zero 564 564\n  ptrail 564\n"
                      "  repeat 9024 2256\n  pre_data_bits 16\n  pre_data 0x20DF\n"
                      "  gap 108000\n  frequency 38000\n  begin codes\n";
    char line[64];
    for (int i = 0; i < kSignalsPerFile; ++i) {
        std::snprintf(line, sizeof line, "    KEY_%s 0x%04X\n",
                      names()[static_cast<std::size_t>(i)].c_str(), (i * 257 + file) & 0xFFFF);
        out += line;
    }
    return out + "  end codes\nend remote\n";
}

std::string irdb(int file) {
    std::string out = "functionname,protocol,device,subdevice,function\n";
    for (int i = 0; i < kSignalsPerFile; ++i) {
        out += names()[static_cast<std::size_t>(i)] + ",NEC1," + std::to_string(file % 256) +
               ",-1," + std::to_string(i) + "\n";
    }
    return out + "Teletext,JVC,3,-1,40\n";
}

// The tree once per run: a third each of Flipper (Kind/Brand/file), LIRC
// (brand/lircd.conf.model) and irdb (Brand/Kind/Device,Subdevice.csv) files.
const fs::path& tree() {
    static const fs::path root = [] {
        const fs::path dir =
            fs::temp_directory_path() / ("orvalin-library-bench-" + std::to_string(::getpid()));
        const char* kinds[] = {"TVs", "Set_Top_Boxes", "Blu-Ray_Players", "Audio_Receivers"};
        for (int f = 0; f < kFiles; ++f) {
            const std::string brand = "Brand" + std::to_string(f % 300);
            fs::path path;
            std::string text;
            switch (f % 3) {
                case 0:
                    path =
                        dir / kinds[f % 4] / brand / (brand + "_model" + std::to_string(f) + ".ir");
                    text = flipper(f);
                    break;
                case 1:
                    path = dir / "lirc" / brand / ("lircd.conf.model" + std::to_string(f));
                    text = lirc(f);
                    break;
                default:
                    path = dir / "irdb" / brand / (kinds[f % 4] + std::string()) /
                           (std::to_string(f) + ",-1.csv");
                    text = irdb(f);
            }
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << text;
        }
        std::atexit([] {
            fs::remove_all(fs::temp_directory_path() /
                           ("orvalin-library-bench-" + std::to_string(::getpid())));
        });
        return dir;
    }();
    return root;
}

fs::path database() {
    return tree().parent_path() / (tree().filename().string() + ".sqlite");
}

void remove_database() {
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(database().string() + suffix);
}

void BM_IndexTree(benchmark::State& state) {
    const fs::path root = tree();
    std::size_t signals = 0, files = 0, reports = 0;
    for (auto _ : state) {
        state.PauseTiming();
        remove_database();
        std::string why;
        auto index = LibraryIndex::open(database(), why);
        state.ResumeTiming();
        const UpdateStats stats = index->update({root}, [&](std::size_t, std::size_t) {
            ++reports;
            return true;
        });
        files = stats.files;
        signals = 0;
        for (const auto& c : index->counts()) signals += c.signals;
    }
    state.counters["files"] = static_cast<double>(files);
    state.counters["signals"] = static_cast<double>(signals);
    state.counters["progress_reports"] = static_cast<double>(reports);
}
BENCHMARK(BM_IndexTree)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The index as the first benchmark left it, or built now.
LibraryIndex& built_index() {
    static std::unique_ptr<LibraryIndex> index = [] {
        std::string why;
        auto i = LibraryIndex::open(database(), why);
        i->update({tree()});
        return i;
    }();
    return *index;
}

void BM_ReindexUnchanged(benchmark::State& state) {
    LibraryIndex& index = built_index();
    std::size_t read = 0;
    for (auto _ : state) read = index.update({tree()}).read;
    state.counters["read_again"] = static_cast<double>(read);
}
BENCHMARK(BM_ReindexUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Search(benchmark::State& state) {
    LibraryIndex& index = built_index();
    std::size_t hits = 0;
    for (auto _ : state) hits = index.search("brand18 vol", DeviceKind::tv).size();
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportDryRun40(benchmark::State& state) {
    std::string why;
    const auto key_names =
        KeyNames::load(fs::path(ORVALIN_PROGRAM_DIR) / std::string(kKeyNamesFileName), why);
    // 40 signals: the generated 34 and six more.
    std::string text = flipper(4);
    for (const char* extra : {"Rewind", "Fast_fo", "Subtitle", "Audio", "Next", "Prev"})
        text += std::string("#\nname: ") + extra +
                "\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 70 00 00 00\n";
    const LibraryFile file = parse_library_file(text, "/bench/TVs/Brand/model.ir", "/bench");
    std::size_t learned = 0;
    for (auto _ : state) {
        std::vector<std::string> signal_names;
        for (const auto& s : file.signals) signal_names.push_back(s.name);
        const auto mapping = map_signals(signal_names, *key_names);
        const ImportPlan plan = plan_import(file.path, 0, file.signals, mapping, {},
                                            fs::path(ORVALIN_PROGRAM_DIR) / "QZ01.csl", {});
        learned = plan.learned_count();
        benchmark::DoNotOptimize(plan);
    }
    state.counters["signals"] = static_cast<double>(file.signals.size());
    state.counters["learned"] = static_cast<double>(learned);
}
BENCHMARK(BM_ImportDryRun40)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
