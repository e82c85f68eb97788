// Shared by the window tests: one QApplication for the process, and ports that record what the
// program asks of the outside world, in order, with scripted answers.
#pragma once

#include "platform/Ports.h"

#include <QApplication>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::testing {

// The application of the test process, made by QtTestMain.cpp before any test runs.
inline QApplication& TestApplication() {
    return *qApp;
}

// Thrown by the fake ProcessExit: the test sees where the program would have ended.
struct ProcessEnded {
    int exitCode;
};

// One log of everything the ports were asked, shared by the fakes.
struct PortLog {
    std::vector<std::string> entries;
    void add(std::string entry) { entries.push_back(std::move(entry)); }
};

class RecordingDialogs : public platform::Dialogs {
  public:
    explicit RecordingDialogs(PortLog& log) : m_log(log) {}
    std::deque<bool> okAnswers; // AskOkCancel answers in turn; Cancel when none is left
    std::vector<std::string> texts;

    void ShowMessage(std::string_view text, std::string_view title,
                     platform::DialogIcon icon) override {
        m_log.add("message " + std::string(title) + " " + IconName(icon));
        texts.emplace_back(text);
    }
    bool AskOkCancel(std::string_view text, std::string_view title) override {
        m_log.add("ask " + std::string(title));
        texts.emplace_back(text);
        if (okAnswers.empty()) {
            return false;
        }
        const bool answer = okAnswers.front();
        okAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> AskText(std::string_view, std::string_view title) override {
        m_log.add("input " + std::string(title));
        return std::nullopt;
    }

    static std::string IconName(platform::DialogIcon icon) {
        switch (icon) {
        case platform::DialogIcon::Information:
            return "information";
        case platform::DialogIcon::Question:
            return "question";
        case platform::DialogIcon::Error:
            return "error";
        }
        return "?";
    }

  private:
    PortLog& m_log;
};

class RecordingUrlOpener : public platform::UrlOpener {
  public:
    explicit RecordingUrlOpener(PortLog& log) : m_log(log) {}
    void Open(std::string_view url) override { m_log.add("open " + std::string(url)); }

  private:
    PortLog& m_log;
};

class ThrowingProcessExit : public platform::ProcessExit {
  public:
    explicit ThrowingProcessExit(PortLog& log) : m_log(log) {}
    [[noreturn]] void Exit(int exitCode) override {
        m_log.add("exit " + std::to_string(exitCode));
        throw ProcessEnded{exitCode};
    }

  private:
    PortLog& m_log;
};

// The update host's files by path; a path not given brings nothing.
class FakeUpdateHost {
  public:
    explicit FakeUpdateHost(PortLog& log) : m_log(log) {}
    std::map<std::string, std::string> files;
    std::string fetch(const std::string& path) {
        m_log.add("fetch " + path);
        const auto found = files.find(path);
        return found == files.end() ? std::string() : found->second;
    }

  private:
    PortLog& m_log;
};

class FakeRegistry : public platform::Registry {
  public:
    explicit FakeRegistry(PortLog& log) : m_log(log) {}
    std::optional<platform::RegistryValue> value; // nullopt: the key cannot be opened
    std::optional<platform::RegistryValue> ReadClassesRootDefault(std::string_view key) override {
        m_log.add("registry " + std::string(key));
        return value;
    }

  private:
    PortLog& m_log;
};

class FakeFileProbe : public platform::FileProbe {
  public:
    std::vector<std::string> existing;
    bool Exists(std::string_view path) override {
        for (const auto& entry : existing) {
            if (!path.empty() && entry == path) {
                return true;
            }
        }
        return false;
    }
};

} // namespace quorvel::testing
