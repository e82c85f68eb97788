// The Win32 adapters one by one, against the real (Wine) registry, file system, processes and
// windows.
#include "Win32TestSupport.h"

#include "platform/win32/Win32Ports.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel::win32test {
namespace {

using platform::RegistryValueKind;
using platform::WindowHandle;
using namespace std::chrono_literals;

// ---- Registry -------------------------------------------------------------------------------

struct RegistryCase {
    const char* what;
    ValueType type;
    std::string stored;
    RegistryValueKind kind;
    std::string expected;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

TEST(Win32Registry, ReadsTheDefaultValueByItsType) {
    const std::string root = environment("SystemRoot");
    ASSERT_FALSE(root.empty());
    const std::string longTail(5000, 'x');
    const std::string longValue(3000, 'y');
    SetEnvironmentVariableA("QUORVEL_TEST_LONG", longValue.c_str());
    const std::string gbk = "\"C:\\\xB0\xA2\xC0\xEF\xCD\xFA\xCD\xFA\\im.exe\" \"%1\"";
    const std::vector<RegistryCase> cases = {
        {"quoted command", ValueType::String,
         std::string("\"C:\\Program Files\\IM\\im.exe\" \"%1\"") + '\0', RegistryValueKind::String,
         "\"C:\\Program Files\\IM\\im.exe\" \"%1\""},
        {"no terminator stored", ValueType::String, "C:\\im.exe", RegistryValueKind::String,
         "C:\\im.exe"},
        {"GBK text", ValueType::String, gbk + '\0', RegistryValueKind::String, gbk},
        {"empty text", ValueType::String, std::string(1, '\0'), RegistryValueKind::String, ""},
        {"environment reference", ValueType::ExpandString,
         std::string("%SystemRoot%\\im dir\\im.exe %1") + '\0', RegistryValueKind::ExpandString,
         root + "\\im dir\\im.exe %1"},
        {"GBK around a reference", ValueType::ExpandString,
         std::string("%SystemRoot%\\\xB0\xA2\xC0\xEF\xCD\xFA\xCD\xFA\\im.exe") + '\0',
         RegistryValueKind::ExpandString, root + "\\\xB0\xA2\xC0\xEF\xCD\xFA\xCD\xFA\\im.exe"},
        {"long expansion", ValueType::ExpandString, "%SystemRoot%\\" + longTail + '\0',
         RegistryValueKind::ExpandString, root + "\\" + longTail},
        {"expansion far longer than the stored text", ValueType::ExpandString,
         std::string("%QUORVEL_TEST_LONG%\\%QUORVEL_TEST_LONG%") + '\0',
         RegistryValueKind::ExpandString, longValue + "\\" + longValue},
        {"number", ValueType::Dword, std::string("\x01\x00\x00\x00", 4), RegistryValueKind::Other,
         ""},
        {"bytes", ValueType::Binary, "C:\\im.exe", RegistryValueKind::Other, ""},
        {"list of texts", ValueType::MultiString, std::string("C:\\im.exe\0\0", 11),
         RegistryValueKind::Other, ""},
    };
    platform::win32::Win32Registry registry;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchClassesRootKey key;
        const std::string command = key.sub("Shell\\Open\\Command");
        ASSERT_TRUE(SetClassesRootValue(command, nullptr, c.type, c.stored));
        const auto value = registry.ReadClassesRootDefault(command);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->kind, c.kind);
        EXPECT_EQ(value->text, c.expected);
    }
}

TEST(Win32Registry, TellsAMissingKeyFromAMissingDefaultValue) {
    platform::win32::Win32Registry registry;
    ScratchClassesRootKey key;
    const std::string command = key.sub("Shell\\Open\\Command");
    EXPECT_FALSE(registry.ReadClassesRootDefault(command).has_value());

    ASSERT_TRUE(SetClassesRootValue(command, "NotTheDefault", ValueType::String, "C:\\im.exe"));
    const auto value = registry.ReadClassesRootDefault(command);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->kind, RegistryValueKind::Missing);
    EXPECT_EQ(value->text, "");
}

TEST(Win32Registry, AKeyPathWithAZeroByteOpensNothing) {
    platform::win32::Win32Registry registry;
    ScratchClassesRootKey key;
    ASSERT_TRUE(SetClassesRootValue(key.top(), nullptr, ValueType::String, "C:\\im.exe"));
    ASSERT_TRUE(registry.ReadClassesRootDefault(key.top()).has_value());
    // Cut at the zero byte this would read the key above instead.
    EXPECT_FALSE(registry.ReadClassesRootDefault(key.top() + std::string(1, '\0') + "x"));
}

// ---- FileProbe ------------------------------------------------------------------------------

TEST(Win32FileProbe, AnythingTheFileSystemKnowsExists) {
    ScratchFolder scratch("probe");
    const std::string folder = scratch.path() + "\\a folder";
    const std::string file = folder + "\\im client.exe";
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(WriteFileBytes(file, "MZ"));
    platform::win32::Win32FileProbe probe;
    EXPECT_TRUE(probe.Exists(file));
    EXPECT_TRUE(probe.Exists(folder));
    EXPECT_FALSE(probe.Exists(folder + "\\missing.exe"));
    EXPECT_FALSE(probe.Exists(""));
    EXPECT_FALSE(probe.Exists(file + std::string(1, '\0') + "missing"));
}

// ---- ProcessLauncher ------------------------------------------------------------------------

class Win32Launcher : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string folder = m_scratch.path() + "\\helper dir";
        ASSERT_TRUE(MakeFolder(folder));
        m_helper = folder + "\\win32_test_helper.exe";
        ASSERT_TRUE(CopyFileTo(SiblingProgram("win32_test_helper.exe"), m_helper));
    }
    std::string quotedHelper() const { return "\"" + m_helper + "\""; }

    ScratchFolder m_scratch{"launcher"};
    std::string m_helper;
    platform::win32::Win32ProcessLauncher m_launcher;
};

TEST_F(Win32Launcher, PassesTheCommandLineUnchangedAndShowsTheWindowNormally) {
    const std::string report = m_scratch.path() + "\\report.txt";
    const std::string line = quotedHelper() + " report \"" + report +
                             "\" aliim:sendmsg?uid=cntaobaoA B&touid=cntaobao\xC2\xF2 &x";
    ASSERT_TRUE(m_launcher.RunAndWait(line, 20s));
    EXPECT_EQ(ReadFileBytes(report).value_or("<none>"),
              line + "\nshow=" + std::to_string(SW_SHOWNORMAL));
}

TEST_F(Win32Launcher, AProcessThatEndsWithAnErrorCodeStillEnded) {
    EXPECT_TRUE(m_launcher.RunAndWait(quotedHelper() + " exit 3", 20s));
}

TEST_F(Win32Launcher, NothingToStartIsFalse) {
    EXPECT_FALSE(m_launcher.RunAndWait("", 5s));
    EXPECT_FALSE(m_launcher.RunAndWait("\"" + m_scratch.path() + "\\missing.exe\" x", 5s));
    EXPECT_FALSE(m_launcher.RunAndWait(quotedHelper() + std::string(1, '\0') + " exit 0", 5s));
}

TEST_F(Win32Launcher, GivesUpAtTheBoundAndLeavesTheProcessRunning) {
    const std::string marker = m_scratch.path() + "\\slept.txt";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_launcher.RunAndWait(quotedHelper() + " sleep 3000 \"" + marker + "\"", 300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms);
    EXPECT_FALSE(ReadFileBytes(marker).has_value());
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(marker).has_value(); }, 15s));
}

// ---- WindowSystem ---------------------------------------------------------------------------

// Windows owned by another thread of this process, which pumps their messages: the adapter's
// messages cross threads as they cross processes, and are handled on the owner's thread.
class WindowOwner {
  public:
    explicit WindowOwner(bool pump) : m_pump(pump) {
        m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this] { run(); });
        WaitForSingleObject(m_ready, 10'000);
    }
    ~WindowOwner() {
        SetEvent(m_release);
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
        CloseHandle(m_ready);
        CloseHandle(m_release);
    }
    HWND frame = nullptr, first = nullptr, second = nullptr, inner = nullptr, edit = nullptr;

    std::vector<std::pair<UINT, WPARAM>> keys() {
        std::lock_guard lock(m_mutex);
        return m_keys;
    }
    void release() { SetEvent(m_release); }

    static constexpr const char* kClass = "QuorvelTestFrame";
    static constexpr const char* kTitle = "buyer & co - seller x";

  private:
    static LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_KEYDOWN || message == WM_KEYUP) {
            auto* self = reinterpret_cast<WindowOwner*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (self != nullptr) {
                std::lock_guard lock(self->m_mutex);
                self->m_keys.emplace_back(message, wParam);
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void run() {
        m_threadId = GetCurrentThreadId();
        WNDCLASSA cls{};
        cls.lpfnWndProc = recordingProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = kClass;
        RegisterClassA(&cls);
        frame = CreateWindowExA(0, kClass, kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                nullptr, cls.hInstance, nullptr);
        first = CreateWindowExA(0, kClass, "first", WS_CHILD, 0, 0, 10, 10, frame, nullptr,
                                cls.hInstance, nullptr);
        second = CreateWindowExA(0, kClass, "second", WS_CHILD, 0, 0, 10, 10, frame, nullptr,
                                 cls.hInstance, nullptr);
        inner = CreateWindowExA(0, kClass, "inner", WS_CHILD, 0, 0, 10, 10, second, nullptr,
                                cls.hInstance, nullptr);
        edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 10, 10, second,
                               nullptr, cls.hInstance, nullptr);
        SetWindowLongPtrA(first, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists now
        SetEvent(m_ready);
        if (!m_pump) {
            WaitForSingleObject(m_release, INFINITE); // hung: handles nothing
        }
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            DispatchMessageA(&message);
        }
        if (IsWindow(frame)) {
            DestroyWindow(frame);
        }
        UnregisterClassA(kClass, cls.hInstance);
    }

    bool m_pump;
    HANDLE m_ready = nullptr;
    HANDLE m_release = nullptr;
    DWORD m_threadId = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::pair<UINT, WPARAM>> m_keys;
};

WindowHandle handle(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

TEST(Win32WindowSystem, FindsByClassAndTitleAndWalksTheTree) {
    WindowOwner owner(true);
    platform::win32::Win32WindowSystem windows;
    EXPECT_EQ(windows.FindTopLevel(WindowOwner::kClass, WindowOwner::kTitle), handle(owner.frame));
    EXPECT_EQ(windows.FindTopLevel(WindowOwner::kClass, "buyer & co - seller"), 0u);
    EXPECT_EQ(windows.FindTopLevel("StandardFrame", WindowOwner::kTitle), 0u);
    EXPECT_EQ(windows.FindTopLevel(WindowOwner::kClass,
                                   std::string("buyer & co - seller x") + '\0' + "y"),
              0u);

    EXPECT_EQ(windows.FirstChild(handle(owner.frame)), handle(owner.first));
    EXPECT_EQ(windows.NextSibling(handle(owner.first)), handle(owner.second));
    EXPECT_EQ(windows.NextSibling(handle(owner.second)), 0u);
    EXPECT_EQ(windows.FirstChild(handle(owner.second)), handle(owner.inner));
    EXPECT_EQ(windows.NextSibling(handle(owner.inner)), handle(owner.edit));
    EXPECT_EQ(windows.FirstChild(handle(owner.first)), 0u);
    // No window has no relatives (GetWindow would answer for the desktop).
    EXPECT_EQ(windows.FirstChild(0), 0u);
    EXPECT_EQ(windows.NextSibling(0), 0u);
}

TEST(Win32WindowSystem, MessagesAreHandledBeforeTheCallReturns) {
    WindowOwner owner(true);
    platform::win32::Win32WindowSystem windows;
    const std::string message = "card 1: AAAA\r\ncard 2: BBBB\r\n\xBF\xA8\xC3\xDC";
    ASSERT_TRUE(windows.SetText(handle(owner.edit), message));
    char text[256] = {};
    GetWindowTextA(owner.edit, text, sizeof(text));
    EXPECT_EQ(std::string(text), message);

    // A zero byte would deliver half the message: refused, the control keeps its text.
    EXPECT_FALSE(windows.SetText(handle(owner.edit), std::string("half") + '\0' + "lost"));
    GetWindowTextA(owner.edit, text, sizeof(text));
    EXPECT_EQ(std::string(text), message);

    ASSERT_TRUE(windows.KeyDown(handle(owner.first), platform::kVkReturn));
    ASSERT_TRUE(windows.KeyUp(handle(owner.first), platform::kVkReturn));
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_KEYDOWN, VK_RETURN},
                                                           {WM_KEYUP, VK_RETURN}};
    EXPECT_EQ(owner.keys(), expected);

    ASSERT_TRUE(windows.Close(handle(owner.frame)));
    EXPECT_FALSE(IsWindow(owner.frame));
    EXPECT_EQ(windows.FindTopLevel(WindowOwner::kClass, WindowOwner::kTitle), 0u);
    // The window is gone: nothing more reaches it.
    EXPECT_FALSE(windows.SetText(handle(owner.edit), "late"));
    EXPECT_FALSE(windows.Close(handle(owner.frame)));
    EXPECT_FALSE(windows.SetText(0, "nowhere"));
}

TEST(Win32WindowSystem, AHungOwnerCannotHoldTheCallerPastTheBound) {
    WindowOwner owner(false);
    platform::win32::Win32WindowSystem windows(300ms);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(windows.SetText(handle(owner.edit), "text"));
    EXPECT_FALSE(windows.KeyDown(handle(owner.first), platform::kVkReturn));
    EXPECT_FALSE(windows.Close(handle(owner.frame)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    owner.release();
}

// ---- ProcessExit ----------------------------------------------------------------------------

TEST(Win32ProcessExitDeathTest, EndsTheProcessWithTheCode) {
    EXPECT_EXIT(platform::win32::Win32ProcessExit().Exit(7), ::testing::ExitedWithCode(7), "");
}

} // namespace
} // namespace quorvel::win32test
