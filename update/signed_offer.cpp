#include "update/signed_offer.h"

#include <string_view>

#include "common/decimal_text.h"
#include "update/file_list.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace {

// A name as it may be shown: printable ASCII only, and not too long.
std::string shown(std::string_view name) {
    std::string out;
    for (char c : name.substr(0, 64)) out += (c > ' ' && c < 127) ? c : '?';
    if (name.size() > 64) out += "...";
    return out;
}

Offer refuse(std::string reason) {
    Offer offer;
    offer.refusal = std::move(reason);
    return offer;
}

bool parse_digest(std::string_view value, std::string& sha256, std::uint64_t& size) {
    const auto bar = value.find('|');
    if (bar != 64) return false;
    sha256.clear();
    for (char c : value.substr(0, 64)) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
        sha256 += c;
    }
    const auto digits = parse_decimal(value.substr(65));
    if (!digits) return false;
    size = *digits;
    return true;
}

}  // namespace

Offer check_offer(const UpdateConfig& config) {
    Offer offer;
    for (const auto& value : config.files) {
        std::string why;
        const auto line = parse_file_line(value, &why);
        if (!line) {
            const auto name = std::string_view(value).substr(0, value.find('|'));
            if (!is_safe_base_name(name))
                return refuse("升级配置文件中的文件名“" + shown(name) + "”不能使用，不能升级！");
            return refuse("升级配置文件中“" + shown(name) + "”一行的格式不对，不能升级！");
        }
        const std::string file = update_file_name(line->name);
        if (!is_updatable_data_file(file))
            return refuse("“" + file + "”不是数据文件，程序文件不能在线升级！");
        const std::string* digest = nullptr;
        for (const auto& [key, v] : config.digests)
            if (key == file) digest = &v;
        if (digest == nullptr) return refuse("升级配置文件缺少“" + file + "”的校验值，不能升级！");
        OfferedFile f{line->name, file, line->date, line->size, {}};
        std::uint64_t signed_size = 0;
        if (!parse_digest(*digest, f.sha256, signed_size))
            return refuse("升级配置文件中“" + file + "”的校验值格式不对，不能升级！");
        if (signed_size != line->size)
            return refuse("升级配置文件中“" + file + "”的大小前后不一致，不能升级！");
        for (const auto& other : offer.files)
            if (other.file == file)
                return refuse("升级配置文件中“" + file + "”出现了两次，不能升级！");
        offer.files.push_back(std::move(f));
    }
    return offer;
}

}  // namespace orvalin::update
