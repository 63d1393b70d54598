// The commands of orvalin-cli. Each takes its arguments (after the command
// name) and returns the exit status: 0 success (a code type fits), 1 no code
// type fits, 2 bad input or usage.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orvalin::cli {

inline constexpr int kExitFit = 0;
inline constexpr int kExitNoFit = 1;
inline constexpr int kExitBadInput = 2;

struct Streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

int run_analyse(const std::vector<std::string>& args, Streams io);
int run_render(const std::vector<std::string>& args, Streams io);
// 0 when the remote can be used, 1 when not.
int run_doctor(const std::vector<std::string>& args, Streams io);

// Managing the remote: 0 done, 1 remote refused or absent, 2 bad input.
int run_info(const std::vector<std::string>& args, Streams io);
int run_keys(const std::vector<std::string>& args, Streams io);
int run_backup(const std::vector<std::string>& args, Streams io);
int run_restore(const std::vector<std::string>& args, Streams io);
int run_delete(const std::vector<std::string>& args, Streams io);
int run_clear(const std::vector<std::string>& args, Streams io);
int run_learn(const std::vector<std::string>& args, Streams io);
int run_export(const std::vector<std::string>& args, Streams io);
// The code library and whole-mode imports from it (0 done, 1 nothing found or
// learned, remote refused; 2 bad input).
int run_library(const std::vector<std::string>& args, Streams io);
int run_import(const std::vector<std::string>& args, Streams io);
// Online updates: 0 done, 1 refused, failed or absent, 2 bad input.
int run_update(const std::vector<std::string>& args, Streams io);
// Keys a killed session left in its journal, written onto the remote.
int run_recover(const std::vector<std::string>& args, Streams io);

// Usage text of the whole program.
const char* usage_text();

}  // namespace orvalin::cli
