// The code file formats by name, found from a file's content or extension, and
// one entry point to read or write any of them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

enum class SignalFormat { mode2, pronto, flipper, lirc, broadlink };

// "mode2", "pronto", "flipper", "lirc", "broadlink".
std::string_view format_name(SignalFormat format);
std::optional<SignalFormat> format_from_name(std::string_view name);

// The format of a file: from its content when that is plain (a Flipper header,
// "begin remote", Pronto words, "pulse"/"space" lines, a base64 packet of type
// 0x26), else from the extension (.ir, .conf/.lircd.conf, .pronto/.hex,
// .mode2, .broadlink/.b64). nullopt when neither tells.
std::optional<SignalFormat> detect_format(std::string_view file_name, std::string_view content);

std::optional<SignalFile> read_signal_file(SignalFormat format, std::string_view content,
                                           const std::string& file_name, std::string* error);

// Every signal into one file of the format, in order, named by signal.
std::string write_signal_file(SignalFormat format, const std::vector<CodeSignal>& signals);

// A learned key as the writers take it: its name, the replay of its one-key
// table, and its protocol and data where its code type maps to a protocol that
// Flipper names (written as a Flipper "parsed" signal; the other formats write
// the replay).
struct ReplayedKey {
    std::string name;
    ircode::ReplayedSignal replayed;
    std::optional<ParsedCode> parsed;
};

// The keys of a remote into one file of the format, in order, named by key.
std::string write_replayed_keys(SignalFormat format, const std::vector<ReplayedKey>& keys);

}  // namespace orvalin::formats
