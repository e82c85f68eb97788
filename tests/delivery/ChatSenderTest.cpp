// The chat sender against the stand-in IM client's service: command line, window, walk,
// text and Enter, close, and every bound.
#include "delivery/ChatSender.h"

#include "delivery/NotifierTestSupport.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

namespace quorvel::delivery {
namespace {

using namespace std::chrono_literals;
using testing::CountingPathStore;
using testing::CountingWindows;
using testing::ImServiceRunning;
using testing::ScriptedLauncher;

const ChatBounds kShort{2s, 300ms, 10ms};

TEST(ChatCommandLine, NicknamesReachTheClientAsOneArgumentUnchanged) {
    struct Case {
        const char* path;
        std::string seller, buyer;
    };
    const Case cases[] = {
        {"C:\\AliWangWang\\AliIM.exe", "seller", "buyer"},
        {"C:\\Program Files\\AliWangWang\\AliIM.exe", "a&b c", "x y&z"},
        {"/opt/standin im/standin-im", "say \"hi\"", "back\\slash\\"},
        {"/opt/im", "\\\"", " lead and trail "},
        // GBK with a backslash trail byte, then a quote and a trailing one.
        {"/opt/im", "\xB0\xA2\x95\\\"", "\x95\\"},
        {"", "s", "b"},
    };
    for (const Case& c : cases) {
        const std::string line = ChatCommandLine(c.path, c.seller, c.buyer);
        const std::string url =
            "aliim:sendmsg?uid=cntaobao" + c.seller + "&touid=cntaobao" + c.buyer;
        EXPECT_EQ(ChatUrl(c.seller, c.buyer), url);
        EXPECT_EQ(platform::posix::SplitWindowsCommandLine(line),
                  (std::vector<std::string>{c.path, url}))
            << line;
        EXPECT_EQ(ChatWindowTitle(c.seller, c.buyer), c.buyer + " - " + c.seller);
    }
    EXPECT_EQ(ChatCommandLine("C:\\Ali\\AliIM.exe", "s&1", "b 2"),
              "\"C:\\Ali\\AliIM.exe\" \"aliim:sendmsg?uid=cntaobaos&1&touid=cntaobaob 2\"");
}

// A bare tree of handles: the chain the walk follows, with one link cut at a time.
class ChainTree : public platform::WindowSystem {
  public:
    std::map<platform::WindowHandle, platform::WindowHandle> firstChild, nextSibling;
    platform::WindowHandle FindTopLevel(std::string_view, std::string_view) override { return 1; }
    platform::WindowHandle FirstChild(platform::WindowHandle w) override {
        return firstChild.contains(w) ? firstChild[w] : 0;
    }
    platform::WindowHandle NextSibling(platform::WindowHandle w) override {
        return nextSibling.contains(w) ? nextSibling[w] : 0;
    }
    bool SetText(platform::WindowHandle, std::string_view) override { return false; }
    bool KeyDown(platform::WindowHandle, unsigned) override { return false; }
    bool KeyUp(platform::WindowHandle, unsigned) override { return false; }
    bool Close(platform::WindowHandle) override { return false; }
};

TEST(WalkToChatInput, EachStepMustFindAWindow) {
    // Steps: child, 6 x sibling, child, sibling, child, 2 x sibling; node k+1 follows node k.
    const bool childStep[] = {true,  false, false, false, false, false,
                              false, true,  false, true,  false, false};
    const auto chain = [&](int cut) {
        ChainTree tree;
        for (int step = 0; step < 12; ++step) {
            if (step == cut) {
                continue;
            }
            const auto from = static_cast<platform::WindowHandle>(step + 1);
            (childStep[step] ? tree.firstChild : tree.nextSibling)[from] = from + 1;
        }
        return tree;
    };
    ChainTree whole = chain(-1);
    EXPECT_EQ(WalkToChatInput(whole, 1), 13u);
    EXPECT_EQ(WalkToChatInput(whole, 0), 0u);
    for (int cut = 0; cut < 12; ++cut) {
        ChainTree broken = chain(cut);
        EXPECT_EQ(WalkToChatInput(broken, 1), 0u) << "step " << cut;
    }
}

TEST(WalkToChatInput, ReachesTheStandInInputAndNothingElseTakesText) {
    ImServiceRunning im;
    ASSERT_TRUE(im.chat("aliim:sendmsg?uid=cntaobaoseller&touid=cntaobaobuyer"));
    platform::posix::ImWindowClient windows(im.socket());
    const auto chat = windows.FindTopLevel("StandardFrame", "buyer - seller");
    ASSERT_NE(chat, 0u);
    const auto input = WalkToChatInput(windows, chat);
    ASSERT_NE(input, 0u);
    EXPECT_TRUE(windows.SetText(input, "x"));
    // Walks that stray by one step land on controls that refuse text, or on nothing.
    const auto child = [&](platform::WindowHandle w) { return windows.FirstChild(w); };
    const auto next = [&](platform::WindowHandle w, int times) {
        for (int i = 0; i < times; ++i) {
            w = windows.NextSibling(w);
        }
        return w;
    };
    const platform::WindowHandle strays[] = {
        next(child(next(child(next(child(chat), 5)), 1)), 2), // the decoy pane
        next(child(next(child(next(child(chat), 6)), 1)), 1),
        next(child(next(child(next(child(chat), 6)), 1)), 3),
        next(child(next(child(next(child(chat), 6)), 0)), 2),
        next(child(next(child(next(child(chat), 7)), 1)), 2),
        chat,
    };
    for (const auto stray : strays) {
        EXPECT_FALSE(windows.SetText(stray, "x")) << stray;
        EXPECT_FALSE(windows.KeyDown(stray, platform::kVkReturn)) << stray;
    }
}

struct SenderRig {
    ImServiceRunning im;
    CountingPathStore paths{"/opt/aliim/AliIM.exe"};
    ScriptedLauncher launcher;
    platform::posix::ImWindowClient client{im.socket()};
    CountingWindows windows{client};
    SenderRig() {
        launcher.react = [this](const std::vector<std::string>& args, std::chrono::milliseconds) {
            return args.size() == 2 && args[0] == paths.path && im.chat(args[1]);
        };
    }
};

TEST(ChatSender, MultiLineMessageArrivesWholeWithOneEnterAndTheWindowCloses) {
    SenderRig rig;
    ChatSender sender(rig.paths, rig.launcher, rig.windows, kShort);
    const std::string message = "line 1\r\nline 2\r\n\r\n\xBF\xA8\xBA\xC5 3";
    EXPECT_TRUE(sender.Send("a&b c", "x y&z", message));
    EXPECT_EQ(rig.im.transcript("x y&z"), std::vector<std::string>{message});
    EXPECT_EQ(rig.windows.calls["keydown"], 1);
    EXPECT_EQ(rig.windows.calls["keyup"], 1);
    EXPECT_EQ(rig.windows.calls["settext"], 1);
    EXPECT_TRUE(rig.im.windows().empty());
}

TEST(ChatSender, TwoOrdersToOneBuyerOpenAndCloseTheWindowTwice) {
    SenderRig rig;
    ChatSender sender(rig.paths, rig.launcher, rig.windows, kShort);
    EXPECT_TRUE(sender.Send("seller", "buyer", "first"));
    rig.paths.path = "/opt/aliim2/AliIM.exe"; // read anew for each message
    EXPECT_TRUE(sender.Send("seller", "buyer", "second"));
    EXPECT_EQ(rig.im.transcript("buyer"), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(rig.paths.reads, 2);
    ASSERT_EQ(rig.launcher.lines.size(), 2u);
    EXPECT_EQ(rig.launcher.lines[1].substr(0, 23), "\"/opt/aliim2/AliIM.exe\"");
    EXPECT_EQ(rig.windows.calls["close"], 2);
    EXPECT_TRUE(rig.im.windows().empty());
}

TEST(ChatSender, AnOpenWindowServesEvenWhenTheStartFails) {
    SenderRig rig;
    ASSERT_TRUE(rig.im.chat("aliim:sendmsg?uid=cntaobaoseller&touid=cntaobaobuyer"));
    rig.launcher.react = [](const auto&, auto) { return false; };
    ChatSender sender(rig.paths, rig.launcher, rig.windows, kShort);
    EXPECT_TRUE(sender.Send("seller", "buyer", "hello"));
    EXPECT_EQ(rig.im.transcript("buyer"), std::vector<std::string>{"hello"});
    EXPECT_TRUE(rig.im.windows().empty());
}

TEST(ChatSender, ALaunchThatNeverEndsGivesTheMessageUp) {
    SenderRig rig;
    // The launcher's contract: false once the bound has run out (it killed the child).
    rig.launcher.react = [](const auto&, std::chrono::milliseconds bound) {
        std::this_thread::sleep_for(bound);
        return false;
    };
    ChatSender sender(rig.paths, rig.launcher, rig.windows, ChatBounds{100ms, 5s, 10ms});
    ASSERT_TRUE(rig.im.chat("aliim:sendmsg?uid=cntaobaoseller&touid=cntaobaobuyer"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sender.Send("seller", "buyer", "hello"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(rig.windows.calls["settext"], 0);
    EXPECT_TRUE(rig.im.transcript("buyer").empty());
}

TEST(ChatSender, AWindowThatNeverAppearsEndsTheSearchAtItsBound) {
    SenderRig rig;
    rig.launcher.react = [](const auto&, auto) { return true; }; // hands nothing on
    // A window of another conversation does not count.
    ASSERT_TRUE(rig.im.chat("aliim:sendmsg?uid=cntaobaoseller&touid=cntaobaoother"));
    ChatSender sender(rig.paths, rig.launcher, rig.windows, ChatBounds{2s, 200ms, 20ms});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sender.Send("seller", "buyer", "hello"));
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, 200ms);
    EXPECT_LT(spent, 3s);
    EXPECT_GE(rig.windows.calls["find"], 3); // searched again and again, not once
    EXPECT_EQ(rig.windows.calls["settext"], 0);
    EXPECT_EQ(rig.im.windows(), std::vector<std::string>{"StandardFrame|other - seller"});
}

TEST(ChatSender, AWindowThatAppearsLateIsStillFound) {
    SenderRig rig;
    std::thread late;
    rig.launcher.react = [&](const std::vector<std::string>& args, auto) {
        late = std::thread([&rig, url = args[1]] {
            std::this_thread::sleep_for(100ms);
            rig.im.chat(url);
        });
        return true;
    };
    ChatSender sender(rig.paths, rig.launcher, rig.windows, ChatBounds{2s, 3s, 10ms});
    EXPECT_TRUE(sender.Send("seller", "buyer", "late"));
    late.join();
    EXPECT_EQ(rig.im.transcript("buyer"), std::vector<std::string>{"late"});
}

TEST(ChatSender, NoServiceAtAllIsAQuietFalse) {
    CountingPathStore paths("/opt/aliim/AliIM.exe");
    ScriptedLauncher launcher;
    platform::posix::ImWindowClient windows("/tmp/quorvel-no-such-socket");
    ChatSender sender(paths, launcher, windows, ChatBounds{1s, 100ms, 10ms});
    EXPECT_FALSE(sender.Send("seller", "buyer", "hello"));
}

} // namespace
} // namespace quorvel::delivery
