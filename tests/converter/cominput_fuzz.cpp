// Cominput on arbitrary bytes: an empty answer or a one-key table that replays,
// never a crash. Inputs whose first byte is even are taken whole as the request;
// the others are wrapped as the timing text of a well-formed request, so that the
// learner sees them too. The converter's source is compiled in to be covered.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ircode/replay.h"

extern "C" const char* Cominput(const char* request);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string request = data[0] % 2 == 0 ? body
                                                 : "#99|0121\r\n0:\xB0\xB4\xC5\xA5"
                                                   "0:{X=310,Y=120}|" +
                                                       body + "\r\n";
    const char* answer = Cominput(request.c_str());
    if (answer == nullptr) __builtin_trap();
    const std::string text(answer);
    if (!text.empty() && !orvalin::ircode::replay_table(text)) __builtin_trap();
    return 0;
}
