// The names that signals of code files give the keys of the remote, from the
// data file "key-names.tsv": each learnable key with the names that mean it, and
// the functions that the custom keys F1-F12 take, in order. Qt-free.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvalin::library {

inline constexpr std::string_view kKeyNamesFileName = "key-names.tsv";

// Key codes of the custom keys F1..F12 in that order.
inline constexpr std::array<int, 12> kCustomKeys{0x16, 0x18, 0x1C, 0x1E, 0x25, 0x26,
                                                 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C};

// A name as it is compared: lower case, without spaces, underscores, dots and
// hyphens between letters or digits, without a leading "KEY_" or "BTN_".
std::string normal_name(std::string_view name);

struct KeyNameEntry {
    int key_code = -1;  // a fixed key; -1 for a custom-key function
    std::string label;  // the key's or the function's name
    std::vector<std::string> names;
};

// Where a name leads: the entry and its rank among the entry's names. A
// fallback name ("~Enter") takes its key only when none of the key's other names
// is in the file; otherwise its signal goes to a free custom key.
struct NameMatch {
    std::size_t entry = 0;
    std::size_t rank = 0;
    bool fallback = false;
};

class KeyNames {
  public:
    // Entries of fixed keys first (file order), then the functions in their order.
    const std::vector<KeyNameEntry>& entries() const { return entries_; }
    std::optional<NameMatch> lookup(std::string_view signal_name) const;
    // nullopt with "<file>:<line>: ..." when a line is malformed, a key cannot
    // be learned, or a name leads to two places.
    static std::optional<KeyNames> parse(std::string_view text, const std::string& file_name,
                                         std::string& why);
    static std::optional<KeyNames> load(const std::filesystem::path& file, std::string& why);

  private:
    std::vector<KeyNameEntry> entries_;
    std::unordered_map<std::string, NameMatch> index_;
};

}  // namespace orvalin::library
