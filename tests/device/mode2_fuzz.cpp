// parse_mode2 on arbitrary text; whatever parses must sample and cut cleanly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "signals/capture.h"
#include "signals/sampling.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto signal = orvalin::ir_signals::parse_mode2(text);
    if (!signal) return 0;
    if (signal->durations_us.empty() || signal->durations_us.front() <= 0) std::abort();
    const orvalin::ir_signals::SampledSignal sampled = orvalin::ir_signals::sample_signal(*signal);
    if (sampled.bytes.size() % 2 != 0) std::abort();
    const std::string cut = orvalin::ir_signals::capture_text(sampled.bytes, sampled.status);
    // At most all of H (data and status digits), the silence and the status again.
    if (cut.size() > 2 * sampled.bytes.size() + 6 + 86) std::abort();
    return 0;
}
