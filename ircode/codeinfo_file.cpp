#include "ircode/codeinfo_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>

#include "ircode/code_item.h"

namespace orvalin::ircode {

using namespace layout;

std::string CodeTypeRecord::name_text() const {
    const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
    return std::string(name.begin(), end);
}

std::uint32_t CodeTypeRecord::u32_at(std::size_t offset) const {
    if (offset > body.size() || body.size() - offset < 4) return 0;
    return static_cast<std::uint32_t>(body[offset]) |
           (static_cast<std::uint32_t>(body[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(body[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(body[offset + 3]) << 24);
}

int CodeTypeRecord::symbol_length(int k) const {
    if (k < 0 || k >= static_cast<int>(kMaxSymbols)) return 0;
    return body[kSymbols + kSymbolStride * static_cast<std::size_t>(k)];
}

int CodeTypeRecord::sequence_length(int j) const {
    if (j < 0 || j >= static_cast<int>(kMaxSequences)) return 0;
    return body[kSequences + kSequenceStride * static_cast<std::size_t>(j)];
}

CodeItem CodeTypeRecord::symbol_item(int k, int i) const {
    if (k < 0 || k >= static_cast<int>(kMaxSymbols) || i < 0 ||
        i >= static_cast<int>(kMaxSymbolItems)) {
        return 0;
    }
    return u32_at(kSymbols + kSymbolStride * static_cast<std::size_t>(k) + 4 +
                  4 * static_cast<std::size_t>(i));
}

CodeItem CodeTypeRecord::sequence_item(int j, int i) const {
    if (j < 0 || j >= static_cast<int>(kMaxSequences) || i < 0 ||
        i >= static_cast<int>(kMaxSequenceItems)) {
        return 0;
    }
    return u32_at(kSequences + kSequenceStride * static_cast<std::size_t>(j) + 4 +
                  4 * static_cast<std::size_t>(i));
}

CodeItem CodeTypeRecord::frame_order_entry(int i) const {
    if (i < 0 || i >= static_cast<int>(kMaxFrameOrder)) return 0;
    return u32_at(kFrameOrder + 4 * static_cast<std::size_t>(i));
}

CodeItem CodeTypeRecord::repeat_order_entry(int i) const {
    if (i < 0 || i >= static_cast<int>(kMaxRepeatOrder)) return 0;
    return u32_at(kRepeatOrder + 4 * static_cast<std::size_t>(i));
}

namespace {

// Reads the header and the records through `read(destination, count)`, which
// returns how many bytes it delivered (fewer only at the end of the data).
template <typename Read>
bool ReadCodeInfo(Read&& read, std::size_t size_hint, std::vector<CodeTypeRecord>& records) {
    records.clear();
    // Header: a length byte and that many characters; anything short is the empty text.
    std::uint8_t length = 0;
    std::array<char, 255> text{};
    std::string_view header;
    if (read(&length, 1) == 1 && length != 0 && read(text.data(), length) == length) {
        header = std::string_view(text.data(), length);
    }
    if (header != std::string_view(kCodeInfoHeader)) return false;

    records.reserve(size_hint / kRecordSize + 1);
    while (true) {
        // A record needs its whole name area and at least one body byte; the
        // missing bytes of a short body stay zero.
        CodeTypeRecord& record = records.emplace_back();
        if (read(record.name.data(), kRecordNameSize) < kRecordNameSize ||
            read(record.body.data(), kRecordBodySize) == 0) {
            records.pop_back();
            return true;
        }
    }
}

}  // namespace

bool ParseCodeInfo(std::span<const std::uint8_t> bytes, std::vector<CodeTypeRecord>& records) {
    std::size_t pos = 0;
    auto read = [&](void* destination, std::size_t count) {
        const std::size_t n = std::min(count, bytes.size() - pos);
        if (n != 0) std::memcpy(destination, bytes.data() + pos, n);
        pos += n;
        return n;
    };
    const bool loaded = ReadCodeInfo(read, bytes.size(), records);
    if (!loaded) records.clear();
    return loaded;
}

bool LoadCodeInfo(const std::filesystem::path& path, std::vector<CodeTypeRecord>& records) {
    records.clear();
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxCodeInfoFileSize) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::setvbuf(file, nullptr, _IOFBF, 1u << 16);
    auto read = [file](void* destination, std::size_t count) {
        return std::fread(destination, 1, count, file);
    };
    const bool loaded = ReadCodeInfo(read, static_cast<std::size_t>(size), records);
    const bool read_error = std::ferror(file) != 0;
    std::fclose(file);
    if (!loaded || read_error) {
        records.clear();
        return false;
    }
    return true;
}

bool IsWellFormed(const CodeTypeRecord& r) {
    if (r.symbol_count() > static_cast<int>(kMaxSymbols)) return false;
    for (int k = 0; k < r.symbol_count(); ++k) {
        if (r.symbol_length(k) > static_cast<int>(kMaxSymbolItems)) return false;
    }
    if (r.sequence_count() > static_cast<int>(kMaxSequences)) return false;
    for (int j = 0; j < r.sequence_count(); ++j) {
        if (r.sequence_length(j) > static_cast<int>(kMaxSequenceItems)) return false;
    }
    if (r.frame_order_count() > static_cast<int>(kMaxFrameOrder)) return false;
    if (r.repeat_order_count() > static_cast<int>(kMaxRepeatOrder)) return false;
    if (r.repeat_tail() > r.frame_order_count()) return false;
    for (int i = 0; i < r.frame_order_count(); ++i) {
        if (EntrySequence(r.frame_order_entry(i)) >= r.sequence_count()) return false;
    }
    for (int i = 0; i < r.repeat_order_count(); ++i) {
        if (EntrySequence(r.repeat_order_entry(i)) >= r.sequence_count()) return false;
    }
    // The repeat block is the last sequence, which must exist.
    if (r.repeat_order_count() > 0 && r.sequence_count() == 0) return false;
    return true;
}

}  // namespace orvalin::ircode
