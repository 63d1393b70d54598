// Test fixtures for code-type records: typed items and a small builder on top of
// the one writer of the code-info layout, plus a code-info file in a temporary
// folder that removes itself.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ircode/codeinfo_file.h"
#include "ircode/codeinfo_writer.h"

namespace orvalin::ircode::test {

// Durations in whole microseconds, stored in hundredths.
inline std::uint32_t Pulse(std::uint32_t us) {
    return make_item(0x04, us * 100);
}
inline std::uint32_t Gap(std::uint32_t us) {
    return make_item(0x00, us * 100);
}
// A data field of n symbols with its default value (one hex digit per symbol).
inline std::uint32_t Data(std::uint32_t n, std::uint32_t default_value = 0) {
    return make_item(0x0F, (n << 16) | default_value);
}
inline std::uint32_t Toggle() {
    return make_item(0x0B, 0);
}
// Frame order entries: the sequence that follows and a time in units of 10 us.
inline std::uint32_t Period(std::uint32_t sequence, std::uint32_t tens_of_us) {
    return make_item(0x19, (sequence << 20) | tens_of_us);
}
inline std::uint32_t GapAfter(std::uint32_t sequence, std::uint32_t tens_of_us) {
    return make_item(0x10, (sequence << 20) | tens_of_us);
}

class RecordBuilder {
  public:
    explicit RecordBuilder(std::string name) { d_.name = std::move(name); }
    RecordBuilder& Carrier(std::int32_t hz, std::uint8_t code, std::uint8_t divisor) {
        d_.no_carrier = false;
        d_.carrier_hz = hz;
        d_.carrier_code = code;
        d_.carrier_divisor = divisor;
        return *this;
    }
    RecordBuilder& NoCarrier() {
        d_.no_carrier = true;
        return *this;
    }
    RecordBuilder& Symbol(std::vector<std::uint32_t> items) {
        d_.symbols.push_back(std::move(items));
        return *this;
    }
    RecordBuilder& Sequence(std::vector<std::uint32_t> items) {
        d_.sequences.push_back(std::move(items));
        return *this;
    }
    RecordBuilder& FrameOrder(std::vector<std::uint32_t> entries, std::uint8_t repeat_tail) {
        d_.frame_order = std::move(entries);
        d_.repeat_tail = repeat_tail;
        return *this;
    }
    RecordBuilder& RepeatOrder(std::vector<std::uint32_t> entries) {
        d_.repeat_order = std::move(entries);
        return *this;
    }
    RecordBuilder& ToggleValues(std::uint8_t width, std::uint8_t a, std::uint8_t b) {
        d_.toggle_width = width;
        d_.toggle_a = a;
        d_.toggle_b = b;
        return *this;
    }
    RecordBuilder& Attributes(std::uint8_t high, std::uint8_t byte, std::uint8_t low) {
        d_.attr_high = high;
        d_.attr_byte = byte;
        d_.attr_low = low;
        return *this;
    }
    CodeTypeDescription Build() const { return d_; }
    operator CodeTypeDescription() const { return d_; }

  private:
    CodeTypeDescription d_;
};

// The in-memory record of a description, as the reader would make it.
inline CodeTypeRecord ToRecord(const CodeTypeDescription& d) {
    const auto bytes = encode_record(d);
    CodeTypeRecord r;
    std::copy(bytes.begin(), bytes.begin() + kRecordNameSize, r.name.begin());
    std::copy(bytes.begin() + kRecordNameSize, bytes.end(), r.body.begin());
    return r;
}

// A folder of its own under the temporary folder, removed at the end of the test.
class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("orvalin-ircode-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A code-info file holding the given records.
class CodeInfoFile {
  public:
    explicit CodeInfoFile(const std::vector<CodeTypeDescription>& records)
        : path_(folder_.path() / "QZ01.csl") {
        WriteBytes(path_, encode_codeinfo_file(records));
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    TempFolder folder_;
    std::filesystem::path path_;
};

}  // namespace orvalin::ircode::test
