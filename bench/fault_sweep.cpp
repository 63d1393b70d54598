// The full fault sweep against the simulated remote at zero latency: a refused
// report and an unplug at every report of a full commit write, a failed read at
// every read of the start-up table read and of a capture. Prints the points tried
// and survived; exit status 1 when any point broke a promise.
#include "tests/support/fault_sweep.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

int main() {
    namespace fs = std::filesystem;
    namespace sweep = orvalin::learning::sweep;
    std::string tmpl = (fs::temp_directory_path() / "orvalin-full-sweep-XXXXXX").string();
    const fs::path dir = ::mkdtemp(tmpl.data());
    sweep::Sweep s(dir);
    int tried = 0;
    int survived = 0;
    auto count = [&](const std::string& broke, const char* what, std::size_t point) {
        ++tried;
        if (broke.empty()) {
            ++survived;
        } else {
            std::printf("%s at %zu: %s\n", what, point, broke.c_str());
        }
    };
    const std::size_t reports = s.commit_reports();
    for (std::size_t p = 0; p < reports; ++p) {
        count(s.commit_point(sweep::WriteFault::refused_report, p), "refused report", p);
        count(s.commit_point(sweep::WriteFault::unplug, p), "unplug", p);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    const std::size_t reads = s.table_reads();
    for (std::size_t p = 0; p < reads; ++p) count(s.table_read_point(p), "table read", p);
    const std::size_t capture = s.capture_reads();
    for (std::size_t p = 0; p <= capture; ++p) count(s.capture_point(p), "capture read", p);
    std::printf("commit write %zu reports, table read %zu reads, capture %zu reads\n", reports,
                reads, capture);
    std::printf("fault points tried %d, survived %d (restores needing a second write %d)\n", tried,
                survived, s.restores_retried());
    fs::remove_all(dir);
    return survived == tried && reports > 0 ? 0 : 1;
}
