// quorvel-fetch turns its options into one request and reports what came back.
#include "web/LoopbackServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using quorvel::testing::LoopbackConnection;
using quorvel::testing::LoopbackServer;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::string& arguments) {
    const char* binaryDir = std::getenv("QUORVEL_BINARY_DIR");
    const std::string tool =
        std::string(binaryDir ? binaryDir : ".") + "/tools/quorvel-fetch/quorvel-fetch";
    const auto errFile = std::filesystem::temp_directory_path() /
                         ("quorvel-fetch-err-" + std::to_string(::getpid()));
    const std::string command = "'" + tool + "' " + arguments + " 2>'" + errFile.string() + "'";
    ToolRun run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
            run.out.append(buf, n);
        }
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::ifstream err(errFile);
    std::ostringstream text;
    text << err.rdbuf();
    run.err = text.str();
    std::filesystem::remove(errFile);
    return run;
}

TEST(FetchToolTest, OptionsBecomeTheRequest) {
    LoopbackServer server([](LoopbackConnection& c) {
        c.send(
            LoopbackServer::Response("HTTP/1.1 200 OK", "Set-Cookie: a=1; path=/\r\n", "the page"));
    });
    const ToolRun run = runTool("--url '" + server.url("/form") +
                                "' --method post --post-data 'x=1&y=2' --cookie 'c=3' "
                                "--header 'X-One: 1' --header 'X-Two: 2' --user u --password p "
                                "--timeout 5 --want-headers --want-cookies");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "the page");
    EXPECT_THAT(run.err, ::testing::StartsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_THAT(run.err, ::testing::HasSubstr("cookies: a=1\n"));
    ASSERT_EQ(server.requestCount(), 1u);
    const std::string raw = server.requests().front();
    EXPECT_THAT(raw, ::testing::StartsWith("post /form HTTP/1.1\r\n"));
    for (const char* line : {"\r\nX-One: 1\r\n", "\r\nX-Two: 2\r\n", "\r\nCookie: c=3\r\n",
                             "\r\nContent-Length: 7\r\n", "\r\nAuthorization: Basic dTpw\r\n"}) {
        EXPECT_THAT(raw, ::testing::HasSubstr(line));
    }
    EXPECT_THAT(raw, ::testing::EndsWith("\r\n\r\nx=1&y=2"));
}

TEST(FetchToolTest, ExitCodes) {
    EXPECT_EQ(runTool("--url http://127.0.0.1:1/ --timeout 2").exitCode, 1);
    for (const char* bad : {"", "--url", "--url http://a/ --timeout soon",
                            "--url http://a/ --timeout -1", "--url http://a/ --bogus"}) {
        const ToolRun run = runTool(bad);
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_THAT(run.err, ::testing::HasSubstr("quorvel-fetch:")) << bad;
    }
    const ToolRun help = runTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option :
         {"--url", "--method", "--post-data", "--cookie", "--header", "--timeout", "--want-headers",
          "--want-cookies", "--use-cookie-store", "--proxy", "--user", "--password"}) {
        EXPECT_THAT(help.out, ::testing::HasSubstr(option));
    }
}

} // namespace
