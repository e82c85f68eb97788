// The notice and the update offer: which boxes appear, in which order, with which texts, and
// where the program ends; once over a real loopback update host.
#include "app/AppTestSupport.h"

#include "app/UpdateCheck.h"
#include "text/Texts.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace quorvel::app {
namespace {

namespace t = quorvel::text;
using testing::FakeUpdateHost;
using testing::PortLog;
using testing::ProcessEnded;
using testing::RecordingDialogs;
using testing::RecordingUrlOpener;
using testing::ThrowingProcessExit;

const std::string kTip(t::kUpdateTipPath.gbk);
const std::string kVersion(t::kUpdateVersionPath.gbk);
const std::string kNotes(t::kUpdateNotesPath.gbk);
const std::string kAddress(t::kUpdateAddressPath.gbk);
const std::string kNoticeBox = "message " + std::string(t::kNoticeTitle.gbk) + " information";
const std::string kPrompt = "ask " + std::string(t::kUpdateTitle.gbk);
const std::string kDeclinedBox = "message " + std::string(t::kDeclinedTitle.gbk) + " information";

struct Harness {
    PortLog log;
    RecordingDialogs dialogs{log};
    RecordingUrlOpener urls{log};
    ThrowingProcessExit exit{log};
    FakeUpdateHost host{log};
    UpdatePorts ports() {
        return {dialogs, urls, exit, [this](const std::string& path) { return host.fetch(path); }};
    }
    // Both steps as the start-up runs them; the exit code when the program would end there.
    std::optional<int> run() {
        try {
            ShowStartupNotice(ports());
            CheckForUpdate(ports());
        } catch (const ProcessEnded& ended) {
            return ended.exitCode;
        }
        return std::nullopt;
    }
};

std::vector<std::string> Fetches() {
    return {"fetch " + kVersion, "fetch " + kNotes, "fetch " + kAddress};
}

TEST(UpdateCheckTest, WhatEachVersionFileLeadsTo) {
    struct Case {
        const char* what;
        std::string version;
        bool prompt;
    };
    const Case cases[] = {
        {"the checked version", "1.0.0.1008", false},
        {"the checked version and a line break", "1.0.0.1008\r\n", true},
        {"the caption's version", "1.0.0.1009", true},
        {"a leading blank is another text", " 1.0.0.1008", true},
        // A host that cannot be reached gives nothing: that is no offer.
        {"nothing fetched", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.host.files[kVersion] = c.version;
        h.host.files[kNotes] = "notes";
        h.host.files[kAddress] = "http://get.example/q.zip";
        EXPECT_EQ(h.run(), std::nullopt); // no answer given: Cancel
        std::vector<std::string> expected = {"fetch " + kTip};
        for (const auto& fetch : Fetches()) {
            expected.push_back(fetch);
        }
        if (c.prompt) {
            expected.push_back(kPrompt);
            expected.push_back(kDeclinedBox);
        }
        EXPECT_EQ(h.log.entries, expected);
    }
}

TEST(UpdateCheckTest, NoticeShowsWhenNotEmptyAndComesFirst) {
    for (const std::string& tip : {std::string("  \r\n"), std::string("maintenance tonight")}) {
        Harness h;
        h.host.files[kTip] = tip;
        h.host.files[kVersion] = "2.0";
        h.run();
        ASSERT_GE(h.log.entries.size(), 3U);
        EXPECT_EQ(h.log.entries[1], kNoticeBox);
        EXPECT_EQ(h.dialogs.texts.front(), tip);
        EXPECT_EQ(h.log.entries[5], kPrompt);
    }
    Harness quiet;
    quiet.run();
    EXPECT_EQ(quiet.log.entries.size(), 4U); // four fetches, no box
}

TEST(UpdateCheckTest, PromptTextAndAcceptEndsWithTheAddressOpened) {
    Harness h;
    h.host.files[kVersion] = "1.0.0.2000";
    h.host.files[kNotes] = "\xD0\xDE\xB8\xB4"; // GBK, passed through
    h.host.files[kAddress] = "http://get.example/q.zip";
    h.dialogs.okAnswers = {true};
    EXPECT_EQ(h.run(), 0);
    const std::vector<std::string> tail(h.log.entries.end() - 3, h.log.entries.end());
    EXPECT_EQ(tail, (std::vector<std::string>{kPrompt, "open http://get.example/q.zip", "exit 0"}));
    EXPECT_EQ(h.dialogs.texts.back(), std::string(t::kUpdatePromptHead.gbk) + "1.0.0.2000" +
                                          std::string(t::kUpdatePromptMiddle.gbk) +
                                          "\xD0\xDE\xB8\xB4");
}

TEST(UpdateCheckTest, DeclineWarnsOnceAndReturns) {
    Harness h;
    h.host.files[kVersion] = "1.0.0.2000";
    h.dialogs.okAnswers = {false};
    EXPECT_EQ(h.run(), std::nullopt);
    EXPECT_EQ(h.log.entries.back(), kDeclinedBox);
    EXPECT_EQ(h.dialogs.texts.back(), std::string(t::kDeclinedText.gbk));
    EXPECT_EQ(std::count(h.log.entries.begin(), h.log.entries.end(), kDeclinedBox), 1);
}

// The production fetch over a loopback update host: each file by its path, cut at a zero byte,
// and a missing file (404 page) yields what the host sent.
TEST(UpdateCheckTest, HttpFetchReadsTheUpdateHost) {
    httplib::Server server;
    std::vector<std::string> paths;
    std::mutex mutex;
    server.Get(R"(/svn/trunk/.*)",
               [&](const httplib::Request& request, httplib::Response& response) {
                   {
                       std::lock_guard lock(mutex);
                       paths.push_back(request.path);
                   }
                   if (request.path == kVersion) {
                       response.set_content(std::string("1.0.0.1008\0tail", 15), "text/plain");
                   } else if (request.path == kTip) {
                       response.set_content("notice", "text/plain");
                   }
               });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::yield();
    }
    const std::string map = "update.quorvel.net=127.0.0.1:" + std::to_string(port);
    ::setenv("QUORVEL_HOST_MAP", map.c_str(), 1);

    const FetchUpdateFile fetch = HttpUpdateFetch();
    EXPECT_EQ(fetch(kTip), "notice");
    EXPECT_EQ(fetch(kVersion), "1.0.0.1008");
    EXPECT_EQ(fetch(kNotes), "");

    Harness h;
    UpdatePorts ports{h.dialogs, h.urls, h.exit, fetch};
    ShowStartupNotice(ports);
    CheckForUpdate(ports);
    EXPECT_EQ(h.log.entries, (std::vector<std::string>{kNoticeBox}));
    server.stop();
    serving.join();
    std::lock_guard lock(mutex);
    EXPECT_EQ(paths,
              (std::vector<std::string>{kTip, kVersion, kNotes, kTip, kVersion, kNotes, kAddress}));
}

} // namespace
} // namespace quorvel::app
