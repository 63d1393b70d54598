// Build-time compiler of the code-type sources into the code-info file:
//   orvalin-codeinfo-compiler OUTPUT SOURCE...
// The sources are read in the order given; their records keep that order, since
// the analysis takes the first code type that fits.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ircode/codeinfo_writer.h"
#include "tools/codeinfo/codeinfo_source.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT SOURCE...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path output = argv[1];
    std::vector<std::string> sources(argv + 2, argv + argc);
    try {
        const auto records = orvalin::codeinfo::read_sources(sources);
        const auto bytes = orvalin::ircode::encode_codeinfo_file(records);
        // Written beside the target and renamed, so a failed run never leaves half a file.
        const std::filesystem::path partial = output.string() + ".partial";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                std::fprintf(stderr, "%s: cannot be written\n", partial.c_str());
                return 1;
            }
        }
        std::filesystem::rename(partial, output);
        std::printf("%s: %zu code types\n", output.c_str(), records.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
