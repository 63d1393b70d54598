// The HTTP client against a real server on 127.0.0.1.
#include "update/http_client.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/update/local_http_server.h"

namespace orvalin::update {
namespace {

using testing::LocalHttpServer;

struct Recorder : TransferObserver {
    std::vector<std::int64_t> begins;
    std::int64_t last = -1;
    int ends = 0;
    int idles = 0;
    std::int64_t abort_after = -1;  // abort once this many body bytes arrived
    bool abort_idle = false;
    bool idle() override {
        ++idles;
        return !abort_idle;
    }
    void work_begin(std::int64_t expected) override { begins.push_back(expected); }
    bool work(std::int64_t done) override {
        last = done;
        return abort_after < 0 || done < abort_after;
    }
    void work_end() override { ++ends; }
};

struct Fetch {
    HttpResult result;
    std::string body;
};

Fetch fetch(HttpClient& client, const std::string& url, TransferObserver* observer = nullptr) {
    Fetch f;
    f.result = client.get(
        url,
        [&f](const char* d, std::size_t n) {
            f.body.append(d, n);
            return true;
        },
        observer);
    return f;
}

TEST(HttpClientTest, SendsTheHeadersIgnoresProxiesAndKeepsCookies) {
    LocalHttpServer server;
    server.raw().Get("/first", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=abc; Path=/");
        res.set_content("one", "text/plain");
    });
    server.serve("/second", "two");
    // A proxy in the environment would make every request fail.
    setenv("http_proxy", "http://127.0.0.1:1", 1);
    setenv("HTTP_PROXY", "http://127.0.0.1:1", 1);
    HttpClient client;
    Recorder rec;
    const auto first = fetch(client, server.url("/first"), &rec);
    const auto second = fetch(client, server.url("/second"), &rec);
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    ASSERT_TRUE(first.result.ok) << first.result.error;
    ASSERT_TRUE(second.result.ok) << second.result.error;
    EXPECT_EQ(first.body, "one");
    EXPECT_EQ(second.body, "two");
    EXPECT_EQ(rec.begins, (std::vector<std::int64_t>{3, 3}));
    EXPECT_EQ(rec.ends, 2);
    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& s : seen) {
        EXPECT_EQ(s.accept, "text/html, */*");
        EXPECT_EQ(s.user_agent, "Mozilla/3.0 (compatible; Indy Library)");
    }
    EXPECT_EQ(seen[0].cookie, "");
    EXPECT_EQ(seen[1].cookie, "session=abc");
}

TEST(HttpClientTest, FailuresPassNoBody) {
    LocalHttpServer server;
    server.serve("/missing", "error page", 404);
    server.serve("/broken", "error page", 500);
    server.raw().Get("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/elsewhere");
        res.set_content("redirect page", "text/html");
    });
    struct Case {
        std::string url;
        long status;
    } cases[] = {
        {server.url("/missing"), 404},
        {server.url("/broken"), 500},
        {server.url("/moved"), 302},
        {"http://127.0.0.1:1/closed", 0},
        {"file:///etc/hostname", 0},
        {"ftp://127.0.0.1/x", 0},
        {"", 0},
    };
    HttpClient client;
    for (const auto& c : cases) {
        Recorder rec;
        const auto f = fetch(client, c.url, &rec);
        EXPECT_FALSE(f.result.ok) << c.url;
        EXPECT_EQ(f.result.status, c.status) << c.url;
        EXPECT_EQ(f.body, "") << c.url;
        EXPECT_TRUE(rec.begins.empty()) << c.url;
    }
}

TEST(HttpClientTest, NoAnnouncedLengthBeginsWithZero) {
    LocalHttpServer server;
    const std::string body(1000, 'z');
    server.serve_chunked("/chunked", body);
    HttpClient client;
    Recorder rec;
    const auto f = fetch(client, server.url("/chunked"), &rec);
    ASSERT_TRUE(f.result.ok) << f.result.error;
    EXPECT_EQ(f.body, body);
    EXPECT_EQ(rec.begins, std::vector<std::int64_t>{0});
    EXPECT_EQ(rec.ends, 1);
}

TEST(HttpClientTest, ObserverAndSinkCanStopATransfer) {
    LocalHttpServer server;
    server.serve_stalling("/slow", 100000, 5000);
    server.serve("/big", std::string(100000, 'b'));
    HttpClient client;
    {
        Recorder rec;
        rec.abort_after = 1;
        const auto f = fetch(client, server.url("/slow"), &rec);
        EXPECT_FALSE(f.result.ok);
        EXPECT_TRUE(f.result.aborted);
        EXPECT_EQ(rec.ends, 1);
    }
    {
        Recorder rec;
        rec.abort_idle = true;
        const auto f = fetch(client, server.url("/slow"), &rec);
        EXPECT_FALSE(f.result.ok);
        EXPECT_TRUE(f.result.aborted);
        EXPECT_TRUE(rec.begins.empty());
    }
    {
        std::string kept;
        const auto r = client.get(
            server.url("/big"),
            [&kept](const char* d, std::size_t n) {
                if (kept.size() + n > 10) return false;
                kept.append(d, n);
                return true;
            },
            nullptr);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.aborted);
        EXPECT_LE(kept.size(), 10u);
    }
    // The client is usable afterwards.
    const auto f = fetch(client, server.url("/big"));
    EXPECT_TRUE(f.result.ok);
    EXPECT_EQ(f.body.size(), 100000u);
}

TEST(HttpClientTest, AServerThatStopsSendingTimesOut) {
    LocalHttpServer server;
    server.serve_stalling("/stall", 1000, 2);
    HttpOptions options;
    options.stall_timeout = std::chrono::seconds(1);
    HttpClient client(options);
    Recorder rec;
    const auto f = fetch(client, server.url("/stall"), &rec);
    EXPECT_FALSE(f.result.ok);
    EXPECT_TRUE(f.result.stalled);
    EXPECT_EQ(f.body.size(), 2u);
    EXPECT_EQ(rec.begins, std::vector<std::int64_t>{1000});
}

TEST(ConnectionCheck, ReachableAndUnreachableHosts) {
    LocalHttpServer server;
    const auto never = [] { return false; };
    EXPECT_TRUE(check_connection("http://" + server.host(), std::chrono::seconds(5), never));
    EXPECT_FALSE(check_connection("http://127.0.0.1:1", std::chrono::seconds(5), never));
    EXPECT_FALSE(check_connection("file:///", std::chrono::seconds(5), never));
    // No request was sent: only a connection was made.
    EXPECT_TRUE(server.seen().empty());
}

}  // namespace
}  // namespace orvalin::update
