#include "update/http_client.h"

#include <curl/curl.h>

#include <mutex>

namespace orvalin::update {
namespace {

void global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    CURL* curl = nullptr;
    const BodySink* sink = nullptr;
    TransferObserver* observer = nullptr;
    bool begun = false;
    bool aborted = false;

    long status() const {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }
    void begin() {
        if (begun) return;
        begun = true;
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (observer != nullptr) observer->work_begin(length > 0 ? length : 0);
    }
};

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t n = size * count;
    const bool blank =
        (n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n');
    if (blank) {
        const long code = t.status();
        if (code >= 200 && code < 300) t.begin();
    }
    return n;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t n = size * count;
    const long code = t.status();
    if (code < 200 || code >= 300) return 0;  // a redirect or error page is not the file
    t.begin();
    if (t.sink != nullptr && *t.sink && !(*t.sink)(data, n)) {
        t.aborted = true;
        return 0;
    }
    return n;
}

int on_progress(void* user, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(user);
    if (t.observer == nullptr) return 0;
    const bool go_on = t.begun ? t.observer->work(now) : t.observer->idle();
    if (!go_on) {
        t.aborted = true;
        return 1;
    }
    return 0;
}

}  // namespace

HttpClient::HttpClient(HttpOptions options) : options_(options) {
    global_init();
    curl_ = curl_easy_init();
}

HttpClient::~HttpClient() {
    if (curl_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

HttpResult HttpClient::get(const std::string& url, const BodySink& sink,
                           TransferObserver* observer) {
    HttpResult result;
    auto* curl = static_cast<CURL*>(curl_);
    if (curl == nullptr) {
        result.error = "HTTP client could not be created";
        return result;
    }
    if (busy_) {  // a nested call from an event processed during a transfer
        result.error = "a transfer is already running";
        return result;
    }
    busy_ = true;
    Transfer t;
    t.curl = curl;
    t.sink = &sink;
    t.observer = observer;

    curl_slist* headers = curl_slist_append(nullptr, "Accept: text/html, */*");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Indy Library)");
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // cookie engine on, nothing loaded
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // An https server must prove who it is.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, options_.ca_file.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(options_.connect_timeout.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(options_.stall_timeout.count()));
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);

    const CURLcode code = curl_easy_perform(curl);
    result.status = t.status();
    result.aborted = t.aborted;
    result.stalled = code == CURLE_OPERATION_TIMEDOUT && t.begun;
    result.ok = code == CURLE_OK && result.status >= 200 && result.status < 300;
    if (code != CURLE_OK) result.error = curl_easy_strerror(code);
    if (t.begun && observer != nullptr) observer->work_end();

    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    busy_ = false;
    return result;
}

bool check_connection(const std::string& url, std::chrono::milliseconds timeout,
                      const std::function<bool()>& cancelled) {
    global_init();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return false;
    struct Poll {
        const std::function<bool()>* cancelled;
    } poll{&cancelled};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(
        curl, CURLOPT_XFERINFOFUNCTION,
        +[](void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) -> int {
            const auto* p = static_cast<Poll*>(user);
            return (*p->cancelled && (*p->cancelled)()) ? 1 : 0;
        });
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &poll);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return code == CURLE_OK;
}

}  // namespace orvalin::update
