// Whole files written and read back by the update tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orvalin::update::testing {

inline void write_file(const std::filesystem::path& p, const std::string& data) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << data;
}

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace orvalin::update::testing
