// The keys of the remote picture: key code, button name, key name (the button's
// Path) and where the button lies on the key panel. Shared by the program and by
// the picture generator, so that every key is drawn where its button lies.
#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "common/ui_text.h"

namespace orvalin {

struct KeyInfo {
    int code;                 // key code 0x00..0x2C
    std::string_view button;  // component name
    std::string_view path;    // key name, UTF-8
    int left, top, width, height;
    std::string_view label;  // short caption drawn on the key picture, UTF-8
};

inline constexpr int kKeysPerMode = 45;
inline constexpr int kCodesPerMode = 51;
inline constexpr int kKeyPictureCount = 51;  // key codes 0..50

// Mode keys: their click does nothing; their DisablePic marks the active mode.
inline constexpr int kDvdModeKeyCode = 0x01;
inline constexpr int kCblModeKeyCode = 0x02;
inline constexpr int kTvModeKeyCode = 0x03;

inline constexpr std::array<KeyInfo, kKeysPerMode> kKeyTable{{
    {0x00, "IBtn4", "POWER/AMP", 126, 24, 44, 20, "AMP"},
    {0x01, "IBtn8", "TV/Vol+", 135, 57, 42, 18, "DVD"},
    {0x02, "IBtn3", "POWER/CBL", 74, 56, 51, 19, "CBL"},
    {0x03, "IBtn1", "POWER/TV", 24, 56, 42, 18, "TV"},
    {0x04, "IBtn7", "3", 139, 93, 31, 26, "3"},
    {0x05, "IBtn6", "2", 81, 90, 34, 26, "2"},
    {0x06, "IBtn5", "1", 28, 91, 34, 27, "1"},
    {0x07, "IBtn12", "6", 139, 129, 31, 25, "6"},
    {0x08, "IBtn11", "5", 83, 128, 31, 26, "5"},
    {0x09, "IBtn10", "4", 31, 127, 30, 27, "4"},
    {0x0A, "IBtn16", "9", 139, 163, 31, 25, "9"},
    {0x0B, "IBtn15", "8", 84, 163, 34, 28, "8"},
    {0x0C, "IBtn14", "7", 30, 164, 32, 26, "7"},
    {0x0D, "IBtn20", "TV/AV", 139, 198, 33, 26, "AV"},
    {0x0E, "IBtn19", "0", 86, 200, 32, 28, "0"},
    {0x0F, "IBtn18", ORVALIN_UI_TEXT("keys", "数位"), 28, 198, 34, 27, "-/--"},
    {0x10, "IBtn24", "VOL+", 135, 237, 38, 34, "VOL+"},
    {0x11, "IBtn23", ORVALIN_UI_TEXT("keys", "切换"), 85, 239, 28, 27,
     ORVALIN_UI_TEXT("keys", "切换")},
    {0x12, "IBtn22", "CH+", 26, 236, 39, 33, "CH+"},
    {0x13, "IBtn28", "VOL-", 135, 270, 40, 35, "VOL-"},
    {0x14, "IBtn27", ORVALIN_UI_TEXT("keys", "静音"), 85, 274, 29, 25,
     ORVALIN_UI_TEXT("keys", "静音")},
    {0x15, "IBtn26", "CH-", 26, 268, 38, 34, "CH-"},
    {0x16, "IBtn36", ORVALIN_UI_TEXT("keys", "自定义"), 141, 315, 29, 24, "F1"},
    {0x17, "IBtn35", "UP", 84, 309, 38, 46, "▲"},
    {0x18, "IBtn52", ORVALIN_UI_TEXT("keys", "自定义"), 29, 316, 26, 24, "F2"},
    {0x19, "IBtn33", "RIGHT", 125, 349, 44, 38, "▶"},
    {0x1A, "IBtn25", "DVD/1", 85, 350, 35, 35, "OK"},
    {0x1B, "IBtn56", "LEFT", 33, 349, 50, 37, "◀"},
    {0x1C, "IBtn34", ORVALIN_UI_TEXT("keys", "自定义"), 140, 400, 29, 24, "F3"},
    {0x1D, "IBtn50", "DOWN", 85, 388, 37, 43, "▼"},
    {0x1E, "IBtn49", ORVALIN_UI_TEXT("keys", "自定义"), 29, 399, 27, 26, "F4"},
    {0x1F, "IBtn55", ORVALIN_UI_TEXT("keys", "下一段"), 134, 452, 36, 21, "▶▶|"},
    {0x20, "IBtn51", ORVALIN_UI_TEXT("keys", "播放"), 79, 451, 42, 20, "▶"},
    {0x21, "IBtn54", ORVALIN_UI_TEXT("keys", "上一段"), 25, 451, 42, 21, "|◀◀"},
    {0x22, "IBtn60", ORVALIN_UI_TEXT("keys", "暂停"), 141, 484, 29, 23, "❚❚"},
    {0x23, "IBtn53", ORVALIN_UI_TEXT("keys", "停止"), 78, 482, 44, 22, "■"},
    {0x24, "IBtn2", ORVALIN_UI_TEXT("keys", "录象"), 32, 484, 27, 25, "●"},
    {0x25, "IBtn45", ORVALIN_UI_TEXT("keys", "自定义"), 140, 515, 30, 19, "F5"},
    {0x26, "IBtn29", ORVALIN_UI_TEXT("keys", "自定义"), 105, 516, 28, 19, "F6"},
    {0x27, "IBtn62", ORVALIN_UI_TEXT("keys", "CBL自定义"), 66, 516, 29, 19, "F7"},
    {0x28, "IBtn65", ORVALIN_UI_TEXT("keys", "自定义"), 29, 516, 28, 19, "F8"},
    {0x29, "IBtn9", ORVALIN_UI_TEXT("keys", "自定义"), 146, 545, 30, 25, "F9"},
    {0x2A, "IBtn13", ORVALIN_UI_TEXT("keys", "自定义"), 106, 545, 30, 27, "F10"},
    {0x2B, "IBtn21", ORVALIN_UI_TEXT("keys", "自定义"), 66, 545, 30, 26, "F11"},
    {0x2C, "IBtn17", ORVALIN_UI_TEXT("keys", "自定义"), 26, 545, 30, 26, "F12"},
}};

// The name that messages give a key: what its picture shows when that is a word or
// a caption (F1, OK, AV, 静音), else (a symbol such as ▶ or ■) the key's name.
constexpr std::string_view key_message_name(const KeyInfo& k) {
    for (const char c : k.label) {
        const auto u = static_cast<unsigned char>(c);
        const bool alnum =
            (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
        // Lead bytes of the CJK ideographs (U+4E00..U+9FFF) in UTF-8.
        if (alnum || (u >= 0xE4 && u <= 0xE9)) return k.label;
    }
    return k.path;
}

// Key picture size for a key code: the size of its button; codes 45..50 have no
// button and use a neutral size.
constexpr std::pair<int, int> key_picture_size(int code) {
    for (const auto& k : kKeyTable)
        if (k.code == code) return {k.width, k.height};
    return {32, 24};
}

}  // namespace orvalin
