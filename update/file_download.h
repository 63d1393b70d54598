// One offered file downloaded into the staging folder and checked against the
// size and hash its signed configuration gives. Qt-free.
#pragma once

#include <filesystem>
#include <string>

#include "update/http_client.h"
#include "update/signed_offer.h"
#include "update/staged_manifest.h"

namespace orvalin::update {

struct FileDownload {
    HttpResult http;
    bool written = false;  // the body arrived whole and was written
    DownloadCheck check = DownloadCheck::missing;
    bool ok() const { return http.ok && written && check == DownloadCheck::matches; }
};

// GET base_url + file.file into staging_dir / file.file (replacing any file there,
// never through a link; at most the signed size is kept).
FileDownload download_offered_file(HttpClient& http, const std::string& base_url,
                                   const std::filesystem::path& staging_dir,
                                   const OfferedFile& file, TransferObserver* observer);

}  // namespace orvalin::update
