// HTTPS: the certificate is verified unless the caller's trust file vouches for it, and the
// host map routes the real host name to a loopback TLS server.
#include "web/HttpFetch.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace quorvel::web {
namespace {

namespace fs = std::filesystem;

class HttpsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir = fs::temp_directory_path() / ("quorvel-https-" + std::to_string(::getpid()));
        fs::create_directories(s_dir);
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=login.taobao.com "
            "-addext subjectAltName=DNS:login.taobao.com -keyout '" +
            (s_dir / "key.pem").string() + "' -out '" + (s_dir / "cert.pem").string() +
            "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "openssl could not make a certificate";
        s_server = std::make_unique<httplib::SSLServer>((s_dir / "cert.pem").c_str(),
                                                        (s_dir / "key.pem").c_str());
        s_server->Get("/", [](const httplib::Request& request, httplib::Response& response) {
            response.set_header("Set-Cookie", "login=ok; path=/");
            response.set_content("secure page for " + request.get_header_value("Host"),
                                 "text/html");
        });
        s_port = s_server->bind_to_any_port("127.0.0.1");
        s_thread = std::thread([] { s_server->listen_after_bind(); });
        const std::string map = "login.taobao.com=127.0.0.1:" + std::to_string(s_port);
        ::setenv("QUORVEL_HOST_MAP", map.c_str(), 1);
    }
    static void TearDownTestSuite() {
        if (s_server) {
            s_server->stop();
            s_thread.join();
            s_server.reset();
        }
        fs::remove_all(s_dir);
    }
    void TearDown() override { ::unsetenv("QUORVEL_CA_FILE"); }

    static HttpFetchResult fetchLogin() {
        HttpFetchRequest request;
        request.url = "https://login.taobao.com/";
        request.timeoutSeconds = 5;
        request.wantCookies = true;
        return HttpFetch(request);
    }

    static inline fs::path s_dir;
    static inline std::unique_ptr<httplib::SSLServer> s_server;
    static inline std::thread s_thread;
    static inline int s_port = 0;
};

TEST_F(HttpsTest, UntrustedCertificateIsRefused) {
    EXPECT_EQ(fetchLogin().body, "");
}

TEST_F(HttpsTest, TrustedCertificateServesThePage) {
    ::setenv("QUORVEL_CA_FILE", (s_dir / "cert.pem").c_str(), 1);
    const auto result = fetchLogin();
    EXPECT_EQ(result.body, "secure page for login.taobao.com");
    EXPECT_EQ(result.responseCookies, "login=ok");
}

} // namespace
} // namespace quorvel::web
