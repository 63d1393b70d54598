// The window's HTTP client on libcurl: plain GETs with the request headers the
// update server expects, no proxy, cookies kept between requests, progress events
// that may abort, and a time-out for a server that stops sending.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace orvalin::update {

// Events of one transfer, raised on the calling thread.
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    // Before the body: called while connecting and waiting; false aborts.
    virtual bool idle() { return true; }
    // The body starts; expected is the announced length, or 0 when none was announced.
    virtual void work_begin(std::int64_t expected) { (void)expected; }
    // Bytes of the body so far; false aborts.
    virtual bool work(std::int64_t done) {
        (void)done;
        return true;
    }
    // The transfer ended (after work_begin only).
    virtual void work_end() {}
};

struct HttpOptions {
    // A transfer that receives nothing for this long fails.
    std::chrono::seconds stall_timeout{30};
    std::chrono::seconds connect_timeout{30};
    // Certificates an https server may present are checked against this file of
    // authorities; empty: the system's.
    std::string ca_file;
};

struct HttpResult {
    bool ok = false;       // completed with a 2xx status
    long status = 0;       // HTTP status, 0 when none arrived
    bool aborted = false;  // stopped by the observer or the body sink
    bool stalled = false;  // the server stopped sending
    std::string error;
};

// Receives the body as it arrives; false stops the transfer.
using BodySink = std::function<bool(const char* data, std::size_t size)>;

class HttpClient {
  public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Only http and https URLs are fetched (https with certificate and host name
    // checks); redirects are not followed. A body is
    // passed to sink only for a 2xx answer.
    HttpResult get(const std::string& url, const BodySink& sink, TransferObserver* observer);

    const HttpOptions& options() const { return options_; }

  private:
    HttpOptions options_;
    void* curl_;  // CURL*
    bool busy_ = false;
};

// Can a TCP connection be made to the host of url (a connection attempt is
// forced, nothing is sent)? cancelled is polled while waiting.
bool check_connection(const std::string& url, std::chrono::milliseconds timeout,
                      const std::function<bool()>& cancelled);

}  // namespace orvalin::update
