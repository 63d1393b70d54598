#include "update/file_download.h"

#include "update/download_sink.h"

namespace orvalin::update {

FileDownload download_offered_file(HttpClient& http, const std::string& base_url,
                                   const std::filesystem::path& staging_dir,
                                   const OfferedFile& file, TransferObserver* observer) {
    FileDownload d;
    const std::filesystem::path target = staging_dir / file.file;
    {
        DownloadSink sink(target, file.size);
        d.http = http.get(
            base_url + file.file,
            [&sink](const char* data, std::size_t n) { return sink.write(data, n); }, observer);
        d.written = sink.close() && !sink.failed();
    }
    if (d.http.ok && d.written) d.check = check_download(target, file.size, file.sha256);
    return d;
}

}  // namespace orvalin::update
