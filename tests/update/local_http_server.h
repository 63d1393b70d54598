// A real HTTP server on 127.0.0.1 for the update tests, on its own threads.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvalin::update::testing {

class LocalHttpServer {
  public:
    struct Seen {
        std::string path;
        std::string accept;
        std::string user_agent;
        std::string cookie;
    };

    LocalHttpServer() {
        server_.set_logger([this](const httplib::Request& req, const httplib::Response&) {
            std::lock_guard lock(mutex_);
            seen_.push_back({req.path, req.get_header_value("Accept"),
                             req.get_header_value("User-Agent"), req.get_header_value("Cookie")});
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LocalHttpServer() {
        release_ = true;
        server_.stop();
        thread_.join();
    }

    httplib::Server& raw() { return server_; }
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return "http://" + host() + path; }

    // A fixed answer with Content-Length.
    void serve(const std::string& path, std::string body, int status = 200) {
        server_.Get(path, [body = std::move(body), status](const httplib::Request&,
                                                           httplib::Response& res) {
            res.status = status;
            res.set_content(body, "application/octet-stream");
        });
    }

    // The body in chunks, with no length announced.
    void serve_chunked(const std::string& path, std::string body) {
        server_.Get(path, [body = std::move(body)](const httplib::Request&,
                                                   httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [body](std::size_t offset, httplib::DataSink& sink) {
                    if (offset < body.size()) {
                        const std::size_t n = std::min<std::size_t>(body.size() - offset, 7);
                        sink.write(body.data() + offset, n);
                    } else {
                        sink.done();
                    }
                    return true;
                });
        });
    }

    // Announces total bytes, sends the first `sent` of them, calls stalled() once and
    // then sends nothing more until the server is destroyed.
    void serve_stalling(const std::string& path, std::size_t total, std::size_t sent,
                        std::function<void()> stalled = {}) {
        server_.Get(path, [this, total, sent, stalled](const httplib::Request&,
                                                       httplib::Response& res) {
            res.set_content_provider(
                total, "application/octet-stream",
                [this, sent, stalled](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    if (offset < sent) {
                        const std::string part(sent - offset, 'x');
                        return sink.write(part.data(), part.size());
                    }
                    if (stalled) stalled();
                    while (!release_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    return false;
                });
        });
    }

    std::vector<Seen> seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> release_{false};
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
};

}  // namespace orvalin::update::testing
