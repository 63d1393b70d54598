// LIRC remote configurations (lircd.conf): "raw_codes" remotes and the encoded
// remotes of the common kinds: pulse-distance (SPACE_ENC, the default), bi-phase
// (RC5/SHIFT_ENC) and RC6 with its rc6_mask; header, one, zero, plead, ptrail,
// pre/post data with their pre/post pulses, repeat, gap and repeat_gap
// (CONST_LENGTH or not), min_repeat, REVERSE, NO_HEAD_REP, REPEAT_HEADER,
// frequency and duty cycle. Toggle bits (toggle_bit_mask, toggle_bit and its old
// name repeat_bit) are sent set, as LIRC sends a key pressed once; a press never
// alternates them. A key given several codes sends the first. RCMM, XMP and the
// other rare kinds, and bits of one level (a zero in one or zero), are refused.
// Signals are named by key; their group is the remote, so "REMOTE/KEY" picks a
// key of one remote where a file holds several.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

std::optional<SignalFile> read_lirc(std::string_view text, const std::string& file_name,
                                    std::string* error);

// A "raw_codes" remote named `remote_name` holding one press (intro, then the
// repeat part once) of each signal. Signals of another carrier go into a remote
// of their own ("NAME_36kHz"), since a remote has one frequency.
std::string write_lirc(const std::vector<CodeSignal>& signals,
                       const std::string& remote_name = "orvalin");

}  // namespace orvalin::formats
