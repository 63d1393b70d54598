// Runs orvalin-cli as a user does: the real binary from the build folder, its
// exit status, its output and error text, and the given standard input.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orvalin::cli_test {

namespace fs = std::filesystem;

inline const fs::path kProgram = fs::path(ORVALIN_PROGRAM_DIR) / "orvalin-cli";

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string quote(const std::string& arg) {
    std::string q = "'";
    for (const char c : arg) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs orvalin-cli with the arguments and the given standard input.
inline Result run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path dir = fs::temp_directory_path() / ("cli_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "in", std::ios::binary) << input;
    std::string command = quote(kProgram.string());
    for (const std::string& a : args) command += " " + quote(a);
    command += " <" + quote((dir / "in").string()) + " >" + quote((dir / "out").string()) + " 2>" +
               quote((dir / "err").string());
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_file(dir / "out");
    r.err = read_file(dir / "err");
    fs::remove_all(dir);
    return r;
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The value after "name: " on the line that starts with it.
inline std::string field(const std::string& out, const std::string& name) {
    for (const std::string& line : lines(out)) {
        if (line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
        if (line == name + ":") return "";
    }
    return "<missing>";
}

}  // namespace orvalin::cli_test
