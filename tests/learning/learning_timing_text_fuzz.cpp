// Any collected text: the timing text is empty or well formed (one frame digit,
// four carrier characters, then groups of four hex digits).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "learning/timing_text.h"

namespace {

bool hex_upper(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvalin::learning;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string timing = convert_collected(text);
    if (timing.empty()) return 0;
    if (timing.size() < 5 || timing[0] < '1' || timing[0] > '9') std::abort();
    if ((timing.size() - 5) % 4 != 0) std::abort();
    for (std::size_t i = 1; i < timing.size(); ++i)
        if (!hex_upper(timing[i])) std::abort();
    if (analysis_text(timing).size() != timing.size() - 5) std::abort();
    return 0;
}
