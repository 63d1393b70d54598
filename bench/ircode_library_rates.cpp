// Recognition rates of the shipped code-type library: for every protocol, 200
// key presses with random data and +-10 % jitter go through the capture, the
// analysis with QZ01.csl and the replay. Prints one line per protocol; a
// measurement, not a test (the tests assert recognition on fixed sets).
//   ircode_library_rates [--codeinfo FILE] [--signals N] [--jitter J] [--lone] [--show NAME]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "ircode/analysis.h"
#include "ircode/replay.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

using namespace orvalin;

int main(int argc, char** argv) {
    std::filesystem::path codeinfo =
        std::filesystem::path(ORVALIN_PROGRAM_DIR) / ircode::kCodeInfoFileName;
    int signals = 200;
    double jitter = 0.10;
    bool lone = false;
    std::string show;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--codeinfo" && i + 1 < argc) {
            codeinfo = argv[++i];
        } else if (a == "--signals" && i + 1 < argc) {
            signals = std::atoi(argv[++i]);
        } else if (a == "--jitter" && i + 1 < argc) {
            jitter = std::atof(argv[++i]);
        } else if (a == "--lone") {
            lone = true;
        } else if (a == "--show" && i + 1 < argc) {
            show = argv[++i];
        } else {
            std::fprintf(
                stderr,
                "usage: %s [--codeinfo FILE] [--signals N] [--jitter J] [--lone] [--show NAME]\n",
                argv[0]);
            return 2;
        }
    }
    std::printf("%-14s %8s %8s %8s %8s  %s\n", "protocol", "right", "none", "wrong", "badplay",
                "types seen");
    for (const protocols::Protocol& p : protocols::all_protocols()) {
        std::mt19937 rng(20261209);
        int right = 0, none = 0, wrong = 0, bad_replay = 0;
        std::map<std::string, int> seen;
        for (int n = 0; n < signals; ++n) {
            const auto parameters = protocols::random_parameters(p, rng);
            const int toggle = static_cast<int>(rng() & 1u);
            const int frames = lone ? 1 : p.frames_per_press + static_cast<int>(rng() % 2);
            const protocols::Generated g =
                protocols::generate(p, parameters, toggle, frames, rng, jitter);
            const std::string timing = ir_signals::timing_text_of(g.signal);
            const learning::Recognition r = learning::recognise_timing(timing, 0, codeinfo, {});
            std::string why;
            if (r.table.empty()) {
                ++none;
                why = "none";
            } else {
                ++seen[r.type_name];
                std::string error;
                const auto replayed = ircode::replay_table(r.table, &error);
                why = replayed ? protocols::compare_replay(p, g, *replayed) : "replay: " + error;
                bool accepted = false;
                for (const auto& t : lone ? p.lone_types : p.types) accepted |= t == r.type_name;
                if (!why.empty()) {
                    ++bad_replay;
                } else if (!accepted) {
                    ++wrong;
                    why = "type " + r.type_name;
                } else {
                    ++right;
                }
            }
            if (show == p.name && !why.empty()) {
                std::printf("  [%s] %s\n    timing %s\n    table %s\n", r.type_name.c_str(),
                            why.c_str(), timing.c_str(), r.table.c_str());
            }
        }
        std::string types;
        for (const auto& [name, count] : seen) types += name + ":" + std::to_string(count) + " ";
        std::printf("%-14s %7.1f%% %7.1f%% %7.1f%% %7.1f%%  %s\n", p.name.c_str(),
                    100.0 * right / signals, 100.0 * none / signals, 100.0 * wrong / signals,
                    100.0 * bad_replay / signals, types.c_str());
    }
    return 0;
}
