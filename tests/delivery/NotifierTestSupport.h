// The stand-in IM client's service running in-process on a temporary socket, and fakes for the
// ports the chat sender drives.
#pragma once

#include "StandinIm.h"
#include "data/ImClientLocator.h"
#include "platform/posix/CommandLine.h"
#include "platform/posix/ImWindowClient.h"
#include "platform/posix/ImWindowProtocol.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

namespace quorvel::testing {

class ImServiceRunning {
  public:
    ImServiceRunning() {
        std::string pattern = "/tmp/qim-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "no temporary directory";
        }
        m_dir = pattern;
        standin::ServiceConfig config{socket(), imDir(), m_dir / "standin-im.log",
                                      std::chrono::seconds(0)};
        m_service = std::make_unique<standin::ImService>(config);
        std::string whyNot;
        if (!m_service->Listen(&whyNot)) {
            ADD_FAILURE() << whyNot;
        }
        m_thread = std::thread([this] { m_service->Run(); });
    }
    ~ImServiceRunning() {
        m_service->Stop();
        m_thread.join();
        m_service.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::filesystem::path socket() const { return m_dir / "im.sock"; }
    std::filesystem::path imDir() const { return m_dir / "im"; }
    std::vector<std::string> transcript(std::string_view buyer) const {
        return standin::ReadTranscript(standin::TranscriptFile(imDir(), buyer));
    }
    // What the client's command line does: hand the chat URL to the service.
    bool chat(const std::string& url) const {
        const auto answer =
            platform::posix::ImRequest(socket(), {"CHAT", url}, std::chrono::seconds(5));
        return answer && answer->front() == "OK";
    }
    // Open top-level windows as "class|title".
    std::vector<std::string> windows() const {
        std::vector<std::string> out;
        const auto answer =
            platform::posix::ImRequest(socket(), {"WINDOWS"}, std::chrono::seconds(5));
        EXPECT_TRUE(answer);
        for (std::size_t i = 1; answer && i + 2 < answer->size(); i += 3) {
            out.push_back((*answer)[i + 1] + "|" + (*answer)[i + 2]);
        }
        return out;
    }

  private:
    std::filesystem::path m_dir;
    std::unique_ptr<standin::ImService> m_service;
    std::thread m_thread;
};

class CountingPathStore : public data::ImClientPathStore {
  public:
    explicit CountingPathStore(std::string initial) : path(std::move(initial)) {}
    std::string path;
    int reads = 0;
    std::string ReadImClientPath() override {
        ++reads;
        return path;
    }
    bool WriteImClientPath(std::string_view) override {
        ADD_FAILURE() << "the sender never writes the path";
        return false;
    }
};

// Stands in for starting the client: splits the line as the posix launcher does and runs a
// reaction on the arguments (by default: hand the chat URL to the service).
class ScriptedLauncher : public platform::ProcessLauncher {
  public:
    std::function<bool(const std::vector<std::string>&, std::chrono::milliseconds)> react;
    std::vector<std::string> lines;
    bool RunAndWait(std::string_view commandLine, std::chrono::milliseconds bound) override {
        lines.emplace_back(commandLine);
        return react ? react(platform::posix::SplitWindowsCommandLine(commandLine), bound) : true;
    }
};

// Counts the calls that go through to another window system.
class CountingWindows : public platform::WindowSystem {
  public:
    explicit CountingWindows(platform::WindowSystem& inner) : m_inner(inner) {}
    std::map<std::string, int> calls;
    platform::WindowHandle FindTopLevel(std::string_view c, std::string_view t) override {
        ++calls["find"];
        return m_inner.FindTopLevel(c, t);
    }
    platform::WindowHandle FirstChild(platform::WindowHandle w) override {
        return m_inner.FirstChild(w);
    }
    platform::WindowHandle NextSibling(platform::WindowHandle w) override {
        return m_inner.NextSibling(w);
    }
    bool SetText(platform::WindowHandle w, std::string_view text) override {
        ++calls["settext"];
        return m_inner.SetText(w, text);
    }
    bool KeyDown(platform::WindowHandle w, unsigned key) override {
        ++calls["keydown"];
        return m_inner.KeyDown(w, key);
    }
    bool KeyUp(platform::WindowHandle w, unsigned key) override {
        ++calls["keyup"];
        return m_inner.KeyUp(w, key);
    }
    bool Close(platform::WindowHandle w) override {
        ++calls["close"];
        return m_inner.Close(w);
    }

  private:
    platform::WindowSystem& m_inner;
};

} // namespace quorvel::testing
