// What a signed update configuration offers: every "tq58" line checked against the
// rules for update files and paired with the SHA-256 and size that the "sha256"
// section gives for it. One unsound line refuses the whole configuration, so that
// nothing of a configuration that names code or a path is ever installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/update_config.h"

namespace orvalin::update {

struct OfferedFile {
    std::string name;  // as the line gives it (shown in the window)
    std::string file;  // the file it stands for, e.g. "on1800.dll", "QZ01.csl"
    std::string date;  // as the line gives it
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

struct Offer {
    std::vector<OfferedFile> files;
    std::string refusal;  // empty: accepted; else the reason, for the user (UTF-8)
    bool accepted() const { return refusal.empty(); }
};

Offer check_offer(const UpdateConfig& config);

}  // namespace orvalin::update
