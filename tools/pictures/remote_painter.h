// The picture of the remote (`z`) and the key pictures cut from it, so that every key
// picture lines up with the key drawn under its button.
#pragma once

#include <QImage>

namespace orvalin::pictures {

enum class KeyLook {
    Normal,      // neutral rubber key
    Learned,     // holds a learned code
    Picked,      // chosen for learning, waiting for its code
    Preset,      // holds a factory code
    ModeActive,  // mode key of the active device mode
};

inline constexpr int kRemoteWidth = 197;
inline constexpr int kRemoteHeight = 731;

// The whole remote with every key in its normal look.
QImage remote_picture();
// The picture of one key code (0..50) in a look, at the size of its button; codes
// without a button get a stand-alone key.
QImage key_picture(int code, KeyLook look);

}  // namespace orvalin::pictures
