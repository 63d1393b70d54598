// The converter's request text (GBK): "#99|01" + table code (two upper-case hex
// digits) + CR LF + "0:按钮0:{X=310,Y=120}|" + timing text + CR LF. Anything else
// is refused.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvalin::converter {

// Longer requests than any timing text gives are refused unread.
inline constexpr std::size_t kMaxRequest = 16384;

struct Request {
    int table_code = 0;
    std::string timing_text;
};

std::optional<Request> ParseRequest(std::string_view gbk);

}  // namespace orvalin::converter
