#include "update/staged_manifest.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "common/decimal_text.h"
#include "update/digest.h"
#include "update/file_io.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace fs = std::filesystem;

namespace {

std::optional<StagedEntry> parse_entry(const std::string& line) {
    const auto a = line.find('|');
    if (a == std::string::npos) return std::nullopt;
    const auto b = line.find('|', a + 1);
    if (b == std::string::npos) return std::nullopt;
    StagedEntry e;
    e.file = line.substr(0, a);
    const auto size = parse_decimal(std::string_view(line).substr(a + 1, b - a - 1));
    e.sha256 = line.substr(b + 1);
    if (!is_safe_file_name(e.file) || !size || e.sha256.size() != 64) return std::nullopt;
    e.size = *size;
    for (char c : e.sha256)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    return e;
}

}  // namespace

std::optional<std::vector<StagedEntry>> read_manifest(const fs::path& staging_dir) {
    std::vector<StagedEntry> out;
    const fs::path file = staging_dir / kManifestName;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) return out;
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto e = parse_entry(line);
        if (!e) return std::nullopt;
        for (const auto& o : out)
            if (o.file == e->file) return std::nullopt;
        out.push_back(std::move(*e));
    }
    if (in.bad()) return std::nullopt;
    return out;
}

bool write_manifest(const fs::path& staging_dir, const std::vector<StagedEntry>& entries) {
    const fs::path target = staging_dir / kManifestName;
    std::error_code ec;
    if (entries.empty()) {
        fs::remove(target, ec);
        return !ec;
    }
    std::ostringstream text;
    for (const auto& e : entries) text << e.file << '|' << e.size << '|' << e.sha256 << '\n';
    return replace_file(target, text.str());
}

bool write_staged_config(const fs::path& staging_dir, std::string_view signed_bytes,
                         std::string_view signature) {
    return replace_file(staging_dir / kStagedConfigName, signed_bytes) &&
           replace_file(staging_dir / kStagedSignatureName, signature);
}

void drop_staged_update(const fs::path& staging_dir) {
    std::error_code ec;
    if (const auto staged = read_manifest(staging_dir))
        for (const auto& e : *staged) fs::remove(staging_dir / e.file, ec);
    for (const char* name : {kStagedConfigName, kStagedSignatureName, kManifestName})
        fs::remove(staging_dir / name, ec);
}

bool stage_update(const fs::path& staging_dir, std::string_view signed_bytes,
                  std::string_view signature, const std::vector<StagedEntry>& entries) {
    return write_staged_config(staging_dir, signed_bytes, signature) &&
           write_manifest(staging_dir, entries);
}

DownloadCheck check_download(const fs::path& file, std::uint64_t size, const std::string& sha256) {
    const auto digest = digest_file(file);
    if (!digest) return DownloadCheck::missing;
    if (digest->size != size) return DownloadCheck::size_differs;
    if (digest->sha256 != sha256) return DownloadCheck::hash_differs;
    return DownloadCheck::matches;
}

}  // namespace orvalin::update
