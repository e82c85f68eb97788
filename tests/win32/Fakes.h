// Fakes at the ports the Windows tests do not drive for real: the stored path, dialogs, the
// browser hand-off and the end of the process.
#pragma once

#include "data/ImClientLocator.h"
#include "platform/Ports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel::win32test {

// The stored IM client path; without the record nothing is stored and reads are empty.
class MemoryPathStore : public data::ImClientPathStore {
  public:
    std::string ReadImClientPath() override { return hasRecord ? path : std::string(); }
    bool WriteImClientPath(std::string_view newPath) override {
        ++writes;
        if (!hasRecord) {
            return false;
        }
        path = std::string(newPath);
        return true;
    }
    std::string path;
    bool hasRecord = true;
    int writes = 0;
};

struct ShownMessage {
    std::string text;
    std::string title;
    platform::DialogIcon icon;
};

class RecordingDialogs : public platform::Dialogs {
  public:
    void ShowMessage(std::string_view text, std::string_view title,
                     platform::DialogIcon icon) override {
        shown.push_back({std::string(text), std::string(title), icon});
    }
    bool AskOkCancel(std::string_view, std::string_view) override {
        ADD_FAILURE() << "no question is asked here";
        return false;
    }
    std::optional<std::string> AskText(std::string_view, std::string_view) override {
        ADD_FAILURE() << "no input is asked for here";
        return std::nullopt;
    }
    std::vector<ShownMessage> shown;
};

class RecordingUrlOpener : public platform::UrlOpener {
  public:
    void Open(std::string_view url) override { opened.emplace_back(url); }
    std::vector<std::string> opened;
};

struct ProcessEnded {
    int exitCode;
};

// Ends the call that wanted to end the process, so the test sees the code and what came before.
class ThrowingProcessExit : public platform::ProcessExit {
  public:
    [[noreturn]] void Exit(int exitCode) override { throw ProcessEnded{exitCode}; }
};

} // namespace quorvel::win32test
