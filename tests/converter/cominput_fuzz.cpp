// Cominput on arbitrary bytes: an empty answer or a one-key table that replays,
// never a crash. The converter's source is compiled in so that it is covered.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ircode/replay.h"

extern "C" const char* Cominput(const char* request);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string request(reinterpret_cast<const char*>(data), size);
    const char* answer = Cominput(request.c_str());
    if (answer == nullptr) __builtin_trap();
    const std::string text(answer);
    if (!text.empty() && !orvalin::ircode::replay_table(text)) __builtin_trap();
    return 0;
}
