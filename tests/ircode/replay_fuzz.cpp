// Replay of arbitrary bytes as a one-key table: never a crash, and an image
// that replays gives a signal that the mode2 writer can print.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ircode/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> table(data, data + size);
    std::string error;
    const auto signal = orvalin::ircode::replay_table(table, &error);
    if (signal) {
        (void)orvalin::ircode::to_mode2(*signal);
    } else if (error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}
