// Locating the IM client through the real registration, as the stand-in makes it.
#include "Fakes.h"
#include "Win32TestSupport.h"

#include "data/ImClientLocator.h"
#include "platform/SystemPorts.h"
#include "platform/win32/Win32Ports.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

namespace quorvel::win32test {
namespace {

using namespace std::chrono_literals;

const std::string kRegistrationTop = "aliim";
const std::string kCommandKey(text::kImRegistryKey.gbk);

class ImClientLocatorWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
        // These tests own the registration: they run in a throwaway Wine prefix. Never remove
        // the registration of a real client.
        const auto existing = m_ports.registry->ReadClassesRootDefault(kCommandKey);
        ASSERT_TRUE(!existing || existing->text.find("standin-im-win32.exe") != std::string::npos)
            << "refusing to replace the registration of a real IM client: " << existing->text;
        m_ownsRegistration = true;
        DeleteClassesRootTree(kRegistrationTop);
    }
    void TearDown() override {
        if (m_ownsRegistration) {
            DeleteClassesRootTree(kRegistrationTop);
        }
    }

    data::ImClientLocation locate() {
        return data::LocateImClient(
            m_store, {*m_ports.registry, *m_ports.fileProbe, m_dialogs, m_urls, m_exit});
    }
    void expectNotInstalled() {
        const std::string before = m_store.path;
        try {
            locate();
            ADD_FAILURE() << "the process should have ended";
        } catch (const ProcessEnded& ended) {
            EXPECT_EQ(ended.exitCode, 0);
        }
        ASSERT_EQ(m_dialogs.shown.size(), 1u);
        EXPECT_EQ(m_dialogs.shown[0].text, text::kImMissingText.gbk);
        EXPECT_EQ(m_dialogs.shown[0].title, text::kErrorTitle.gbk);
        EXPECT_EQ(m_dialogs.shown[0].icon, platform::DialogIcon::Error);
        EXPECT_EQ(m_urls.opened, std::vector<std::string>{std::string(text::kImDownloadUrl.gbk)});
        EXPECT_EQ(m_store.writes, 0);
        EXPECT_EQ(m_store.path, before);
    }

    InstalledStandin m_standin;
    platform::SystemPorts m_ports = platform::MakeSystemPorts();
    MemoryPathStore m_store;
    RecordingDialogs m_dialogs;
    RecordingUrlOpener m_urls;
    ThrowingProcessExit m_exit;
    bool m_ownsRegistration = false;
};

TEST_F(ImClientLocatorWin32, StoresTheQuotedProgramOfTheRegistrationThenKnowsIt) {
    ASSERT_NE(m_standin.program().find(' '), std::string::npos);
    ASSERT_TRUE(m_standin.run("/register"));
    m_store.path = m_standin.program() + ".old"; // a path that no longer exists

    EXPECT_EQ(locate(), data::ImClientLocation::Stored);
    EXPECT_EQ(m_store.path, m_standin.program());
    EXPECT_TRUE(m_ports.fileProbe->Exists(m_store.path));
    EXPECT_EQ(m_store.writes, 1);

    // Known now: the registration is not read again, even once it is gone.
    ASSERT_TRUE(m_standin.run("/unregister"));
    EXPECT_EQ(locate(), data::ImClientLocation::AlreadyKnown);
    EXPECT_EQ(m_store.writes, 1);
    EXPECT_TRUE(m_dialogs.shown.empty());
    EXPECT_TRUE(m_urls.opened.empty());
}

TEST_F(ImClientLocatorWin32, AFolderStoredCountsAsKnown) {
    m_store.path = m_standin.transcripts();
    EXPECT_EQ(locate(), data::ImClientLocation::AlreadyKnown);
    EXPECT_EQ(m_store.writes, 0);
}

TEST_F(ImClientLocatorWin32, WithoutTheRegistrationTheProgramEnds) {
    m_store.path = "";
    expectNotInstalled();
}

TEST_F(ImClientLocatorWin32, ARegistrationWithoutADefaultValueIsNone) {
    ASSERT_TRUE(CreateClassesRootKey(kCommandKey));
    m_store.path = m_standin.program() + ".old";
    expectNotInstalled();
}

// The registration is the one the shell follows too: an "aliim:" address opened with the
// system's handler reaches the stand-in, which opens the chat.
TEST_F(ImClientLocatorWin32, TheShellOpensAnAddressWithItsRegisteredHandler) {
    ASSERT_TRUE(m_standin.run("/register"));
    platform::win32::Win32UrlOpener opener;
    opener.Open("aliim:sendmsg?uid=cntaobaoshop&touid=cntaobaovisitor");
    EXPECT_TRUE(WaitUntil([] { return TopLevelExists("StandardFrame", "visitor - shop"); }, 15s));
}

} // namespace
} // namespace quorvel::win32test
