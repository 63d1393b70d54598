// https: the configuration and files from a host named with https:// are fetched
// over TLS, and a server whose certificate does not check out gets no request.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "update/http_client.h"
#include "update/update_urls.h"

namespace orvalin::update {
namespace {

namespace fs = std::filesystem;

TEST(UpdateUrls, TheHostSettingMayNameItsScheme) {
    struct Case {
        const char* host;
        const char* config;
    } const cases[] = {
        {"www.orvalin.example", "http://www.orvalin.example/orvalin/update.ini"},
        {"127.0.0.1:8000", "http://127.0.0.1:8000/orvalin/update.ini"},
        {"https://updates.example", "https://updates.example/orvalin/update.ini"},
        {"https://updates.example:8443/", "https://updates.example:8443/orvalin/update.ini"},
        {"http://plain.example", "http://plain.example/orvalin/update.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(config_url(c.host), c.config);
        EXPECT_EQ(signature_url(c.host), std::string(c.config) + ".sig");
    }
}

// A TLS server on 127.0.0.1 with a certificate for "localhost" made for the test.
class HttpsServer : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvalin-https-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        cert_ = (dir_ / "cert.pem").string();
        const std::string key = (dir_ / "key.pem").string();
        const std::string make =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
            "/CN=localhost -addext subjectAltName=DNS:localhost -keyout '" +
            key + "' -out '" + cert_ + "' 2>/dev/null";
        ASSERT_EQ(std::system(make.c_str()), 0);
        server_ = std::make_unique<httplib::SSLServer>(cert_.c_str(), key.c_str());
        ASSERT_TRUE(server_->is_valid());
        server_->Get("/orvalin/update.ini", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("[server]\r\n", "text/plain");
        });
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void TearDown() override {
        if (server_) server_->stop();
        if (thread_.joinable()) thread_.join();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    HttpResult fetch(const std::string& host, const std::string& ca_file, std::string& body) {
        HttpOptions options;
        options.ca_file = ca_file;
        options.connect_timeout = std::chrono::seconds(5);
        HttpClient client(options);
        return client.get(
            config_url("https://" + host + ":" + std::to_string(port_)),
            [&body](const char* data, std::size_t n) {
                body.append(data, n);
                return true;
            },
            nullptr);
    }

    fs::path dir_;
    std::string cert_;
    std::unique_ptr<httplib::SSLServer> server_;
    int port_ = 0;
    std::thread thread_;
};

TEST_F(HttpsServer, OnlyACertificateThatChecksOutIsTrusted) {
    std::string body;
    const auto trusted = fetch("localhost", cert_, body);
    EXPECT_TRUE(trusted.ok) << trusted.error;
    EXPECT_EQ(body, "[server]\r\n");

    struct Case {
        const char* what;
        const char* host;
        bool trust_cert;
    } const cases[] = {
        {"certificate of an unknown issuer", "localhost", false},
        {"certificate for another name", "127.0.0.1", true},
    };
    for (const auto& c : cases) {
        std::string none;
        const auto result = fetch(c.host, c.trust_cert ? cert_ : "", none);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_TRUE(none.empty()) << c.what;
    }
}

}  // namespace
}  // namespace orvalin::update
