#include "converter/request.h"

#include "common/hex_text.h"

namespace orvalin::converter {
namespace {

constexpr std::string_view kHead = "#99|01";
// "0:按钮0:{X=310,Y=120}|" with "按钮" in GBK.
constexpr std::string_view kKeyLabel =
    "\r\n0:\xB0\xB4\xC5\xA5"
    "0:{X=310,Y=120}|";
constexpr std::string_view kEnd = "\r\n";

bool UpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::optional<Request> ParseRequest(std::string_view gbk) {
    if (gbk.size() > kMaxRequest) return std::nullopt;
    if (!gbk.starts_with(kHead)) return std::nullopt;
    gbk.remove_prefix(kHead.size());
    if (gbk.size() < 2 || !UpperHex(gbk[0]) || !UpperHex(gbk[1])) return std::nullopt;
    Request r;
    r.table_code = hex::digit_value(gbk[0]) * 16 + hex::digit_value(gbk[1]);
    gbk.remove_prefix(2);
    if (!gbk.starts_with(kKeyLabel)) return std::nullopt;
    gbk.remove_prefix(kKeyLabel.size());
    if (!gbk.ends_with(kEnd)) return std::nullopt;
    gbk.remove_suffix(kEnd.size());
    // The timing text is ASCII (digits and upper-case hex): any other byte, a
    // second line or a GBK lead byte included, refuses the request.
    for (const char c : gbk) {
        if (!UpperHex(c)) return std::nullopt;
    }
    r.timing_text = gbk;
    return r;
}

}  // namespace orvalin::converter
