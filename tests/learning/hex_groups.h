// Expected hex texts written in groups, as they read: "0001 03CF0A00040E0003".
#pragma once

#include <string>
#include <string_view>

namespace orvalin::learning::testing {

inline std::string digits(std::string_view grouped) {
    std::string out;
    for (char c : grouped)
        if (c != ' ') out += c;
    return out;
}

}  // namespace orvalin::learning::testing
