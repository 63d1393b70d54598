// The words drawn into the pictures, in the language the generator draws: the
// Chinese captions as written, or their English counterparts for the English
// picture set (translations/en/ beside the program).
#pragma once

#include <QString>

namespace orvalin::pictures {

void set_caption_language_english(bool english);
// caption("开始学习") is "开始学习", or "Begin learning" in the English set.
QString caption(const char* chinese);

}  // namespace orvalin::pictures
