#include "tests/formats/fuzz_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return orvalin::formats::fuzz::read_and_write(orvalin::formats::SignalFormat::broadlink, data,
                                                  size);
}
