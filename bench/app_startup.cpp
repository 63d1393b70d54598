// Start-up of the program: process start until the main window has been shown
// (the program ends right after, ORVALIN_EXIT_AFTER_SHOW=1), and its peak resident
// memory. Simulated remote without latency, offscreen platform. The time includes
// the splash window's fixed 500 ms pause.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kSplashPauseMs = 500.0;

std::vector<std::string> program_environment(const std::string& sim_state) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "QT_QPA_PLATFORM" || name.rfind("VORKEL_", 0) == 0 ||
            name == "ORVALIN_EXIT_AFTER_SHOW")
            continue;
        env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen:configfile=" ORVALIN_TEST_DATA_DIR
                  "/app/offscreen-wide.json");
    env.push_back("VORKEL_BACKEND=sim");
    env.push_back("VORKEL_SIM_LATENCY_US=0");
    env.push_back("VORKEL_SIM_STATE=" + sim_state);
    env.push_back("ORVALIN_EXIT_AFTER_SHOW=1");
    return env;
}

void BM_StartToMainWindowShown(benchmark::State& state) {
    const std::string program = ORVALIN_PROGRAM_DIR "/orvalin";
    const std::string sim_state = "/tmp/orvalin-bench-" + std::to_string(getpid()) + ".state";
    std::vector<std::string> env = program_environment(sim_state);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};

    long max_rss_kb = 0;
    double total_ms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
            state.SkipWithError("cannot start orvalin");
            return;
        }
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("orvalin did not end cleanly");
            return;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        state.SetIterationTime(ms / 1000.0);
        total_ms += ms;
        max_rss_kb = std::max(max_rss_kb, usage.ru_maxrss);
    }
    const double mean_ms = total_ms / static_cast<double>(state.iterations());
    state.counters["max_rss_MB"] = static_cast<double>(max_rss_kb) / 1024.0;
    state.counters["mean_ms"] = mean_ms;
    state.counters["mean_ms_without_splash_pause"] = mean_ms - kSplashPauseMs;
    std::remove(sim_state.c_str());
}

BENCHMARK(BM_StartToMainWindowShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
