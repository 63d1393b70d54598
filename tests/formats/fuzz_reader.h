// Shared body of the format fuzzers: any input is read without a crash, and
// every signal that reads is rendered and written back in the same format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "signals/formats/signal_format.h"

namespace orvalin::formats::fuzz {

inline int read_and_write(SignalFormat format, const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<SignalFile> file = read_signal_file(format, text, "fuzz", &error);
    if (!file) {
        // A refusal always says where.
        if (error.rfind("fuzz", 0) != 0) __builtin_trap();
        return 0;
    }
    for (const CodeSignal& s : file->signals) (void)render_press(s, 2);
    (void)read_signal_file(format, write_signal_file(format, file->signals), "again", &error);
    return 0;
}

}  // namespace orvalin::formats::fuzz
