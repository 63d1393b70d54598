// Conversion of a collected capture (hex words of a third of a microsecond, the
// "7FFF" silence and three carrier bytes) into the timing text that the
// analysis reads. Qt-free.
#pragma once

#include <string>
#include <string_view>

namespace orvalin::learning {

// Timing text: frame count, carrier (4 characters), durations, gap and end blocks.
// Empty when the collected text holds no complete signal (no silence after it,
// missing carrier bytes, a word that is not hex). The text always keeps its fixed
// widths: a mark shorter than the receiver delay is written as 0, a capture of
// more than nine frames keeps the first nine, a carrier over 255 kHz is FF.
std::string convert_collected(std::string_view collected_text);

bool is_mark_word(std::string_view word);  // bit 15 of the four-digit word
unsigned word_duration(unsigned value);    // low 15 bits

// What the analysis reads: the timing text without the frame count digit and the
// four carrier characters, so that it starts with the first duration.
std::string_view analysis_text(std::string_view timing_text);

}  // namespace orvalin::learning
