// The start-up check of the attached remote: remote type and firmware versions
// from the basic information text. Qt-free.
#pragma once

#include <string>
#include <string_view>

namespace orvalin::app {

struct DeviceCheck {
    bool accepted = false;
    std::string message;  // UTF-8; empty when accepted
    // The message's text before and after the vendor host, as the translation
    // knows them (context "device_check").
    std::string before, after;
};

// info: the basic information as text, one character per byte of the read buffer.
// Characters 65-66 and 67-68 (counting from 1) are the two version numbers in
// hex, 71-74 the remote type. vendor_host goes between the quoted pieces.
DeviceCheck check_basic_info(std::string_view info, std::string_view vendor_host);

// Shown when the remote was found but its basic information or code table could
// not be read: what the diagnosis of this machine advises (UTF-8), and where the
// full diagnosis is; in English when asked, else in Chinese.
std::string unreadable_remote_message(bool english = false);

}  // namespace orvalin::app
