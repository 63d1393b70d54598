// The kind of device a code file is for, told from the words of its folders and
// file name (the public databases sort by kind: "TVs/Brand/...",
// "Brand/TV/...", "lircd.conf.dvd") and, failing that, from its signal names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvalin::library {

enum class DeviceKind { tv, stb, dvd, audio, projector, other };

// "TV", "STB", "DVD", "audio", "projector", "other".
std::string_view kind_name(DeviceKind kind);
// Those names and a few spellings (tv, set-top-box, bluray...), any case.
bool parse_kind(std::string_view text, DeviceKind& kind);

// The kind that a folder or file name word names; other when none.
DeviceKind kind_of_word(std::string_view word);
// The kind named by a name's words ("Set_Top_Boxes", "Blu-Ray Players"); other when none.
DeviceKind kind_of_name(std::string_view name);

// From folders (outermost first), then the file name, then the signal names.
DeviceKind classify(const std::vector<std::string>& folders, std::string_view file_name,
                    const std::vector<std::string>& signal_names);

}  // namespace orvalin::library
