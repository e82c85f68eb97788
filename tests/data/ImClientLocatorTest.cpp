// LocateImClient's three outcomes over the real settings store, with the registry, the file
// system and the user's screen faked at their ports.
#include "data/ImClientLocator.h"

#include "data/DataTestSupport.h"
#include "data/RecordTable.h"
#include "data/SettingsStore.h"
#include "data/ShippedTables.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

#include <set>

namespace quorvel::data {
namespace {

using platform::RegistryValue;
using platform::RegistryValueKind;

class FakeRegistry : public platform::Registry {
  public:
    std::optional<RegistryValue> value;
    std::vector<std::string> keysRead;
    std::optional<RegistryValue> ReadClassesRootDefault(std::string_view keyPath) override {
        keysRead.emplace_back(keyPath);
        return value;
    }
};

class FakeFileProbe : public platform::FileProbe {
  public:
    std::set<std::string, std::less<>> existing;
    bool Exists(std::string_view path) override { return existing.contains(path); }
};

// The screen and the process end, in the order they happen.
struct Events {
    std::vector<std::string> seen;
};

class FakeDialogs : public platform::Dialogs {
  public:
    explicit FakeDialogs(Events& events) : m_events(events) {}
    void ShowMessage(std::string_view text, std::string_view title,
                     platform::DialogIcon icon) override {
        m_events.seen.push_back("message " + std::string(title) + "|" + std::string(text) +
                                (icon == platform::DialogIcon::Error ? "|error" : "|other"));
    }
    bool AskOkCancel(std::string_view, std::string_view) override {
        ADD_FAILURE() << "no question expected";
        return false;
    }
    std::optional<std::string> AskText(std::string_view, std::string_view) override {
        ADD_FAILURE() << "no input box expected";
        return std::nullopt;
    }

  private:
    Events& m_events;
};

class FakeUrlOpener : public platform::UrlOpener {
  public:
    explicit FakeUrlOpener(Events& events) : m_events(events) {}
    void Open(std::string_view url) override {
        m_events.seen.push_back("open " + std::string(url));
    }

  private:
    Events& m_events;
};

struct ExitCalled {
    int code;
};

class FakeExit : public platform::ProcessExit {
  public:
    explicit FakeExit(Events& events) : m_events(events) {}
    [[noreturn]] void Exit(int exitCode) override {
        m_events.seen.push_back("exit " + std::to_string(exitCode));
        throw ExitCalled{exitCode};
    }

  private:
    Events& m_events;
};

enum class Outcome { Known, Stored, NotInstalled };

struct Case {
    const char* name;
    std::string stored;                // the path in 配置 before the start
    std::vector<std::string> existing; // names the file system holds
    std::optional<RegistryValue> registered;
    Outcome outcome;
    std::string storedAfter;
};

const RegistryValue Str(std::string text) {
    return {RegistryValueKind::String, std::move(text)};
}

const std::string kNotInstalledEvents = std::string("message ") +
                                        std::string(text::kErrorTitle.gbk) + "|" +
                                        std::string(text::kImMissingText.gbk) + "|error";

std::vector<Case> Cases() {
    const std::string quotedDir = "C:\\Program Files\\AliWangWang\\AliIM.exe";
    return {
        {"stored file exists",
         "C:\\Ali\\AliIM.exe",
         {"C:\\Ali\\AliIM.exe"},
         Str("D:\\x.exe"),
         Outcome::Known,
         "C:\\Ali\\AliIM.exe"},
        {"stored folder exists",
         "C:\\Ali",
         {"C:\\Ali"},
         Str("D:\\x.exe"),
         Outcome::Known,
         "C:\\Ali"},
        {"stored path is gone",
         "C:\\Old\\AliIM.exe",
         {},
         Str("D:\\New\\AliIM.exe"),
         Outcome::Stored,
         "D:\\New\\AliIM.exe"},
        {"empty stored path never exists",
         "",
         {""},
         Str("D:\\AliIM.exe"),
         Outcome::Stored,
         "D:\\AliIM.exe"},
        {"unquoted value with spaces",
         "",
         {},
         Str("C:\\Program Files\\AliIM.exe %1"),
         Outcome::Stored,
         "C:\\Program"},
        {"quoted value with spaces",
         "",
         {},
         Str("\"" + quotedDir + "\" \"%1\""),
         Outcome::Stored,
         quotedDir},
        {"quote never closed",
         "",
         {},
         Str("\"C:\\Ali Wang\\AliIM.exe"),
         Outcome::Stored,
         "C:\\Ali Wang\\AliIM.exe"},
        {"value starting with a space", "old", {}, Str(" C:\\AliIM.exe"), Outcome::Stored, ""},
        {"space as a trail byte is no separator",
         "",
         {},
         Str("C:\\\x81 Ali\\AliIM.exe %1"),
         Outcome::Stored,
         "C:\\\x81 Ali\\AliIM.exe"},
        {"expandable value (the port expands it)",
         "",
         {},
         RegistryValue{RegistryValueKind::ExpandString, "C:\\Users\\me\\AliIM.exe \"%1\""},
         Outcome::Stored,
         "C:\\Users\\me\\AliIM.exe"},
        {"value of another type",
         "old",
         {},
         RegistryValue{RegistryValueKind::Other, ""},
         Outcome::Stored,
         ""},
        {"key without default value", "old", {}, RegistryValue{}, Outcome::NotInstalled, "old"},
        {"missing key", "old", {}, std::nullopt, Outcome::NotInstalled, "old"},
    };
}

TEST(LocateImClient, OutcomesOverStoredPathAndRegistration) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        ASSERT_TRUE(CreateShippedTables(dir.path()));
        Tables tables(dir.path());
        SettingsStore store(tables);
        ASSERT_TRUE(store.WriteImClientPath(c.stored));

        FakeRegistry registry;
        registry.value = c.registered;
        FakeFileProbe probe;
        probe.existing.insert(c.existing.begin(), c.existing.end());
        Events events;
        FakeDialogs dialogs(events);
        FakeUrlOpener opener(events);
        FakeExit exit(events);
        const ImClientPorts ports{registry, probe, dialogs, opener, exit};

        std::optional<ImClientLocation> located;
        std::optional<int> exitCode;
        try {
            located = LocateImClient(store, ports);
        } catch (const ExitCalled& called) {
            exitCode = called.code;
        }

        EXPECT_EQ(store.ReadImClientPath(), c.storedAfter);
        switch (c.outcome) {
        case Outcome::Known:
            EXPECT_EQ(located, ImClientLocation::AlreadyKnown);
            EXPECT_TRUE(registry.keysRead.empty());
            EXPECT_TRUE(events.seen.empty());
            break;
        case Outcome::Stored:
            EXPECT_EQ(located, ImClientLocation::Stored);
            EXPECT_EQ(registry.keysRead, std::vector<std::string>{"aliim\\Shell\\Open\\Command"});
            EXPECT_TRUE(events.seen.empty());
            break;
        case Outcome::NotInstalled:
            EXPECT_EQ(exitCode, 0);
            EXPECT_EQ(events.seen, (std::vector<std::string>{
                                       kNotInstalledEvents,
                                       "open " + std::string(text::kImDownloadUrl.gbk), "exit 0"}));
            break;
        }
    }
}

// Without the record the path found is not kept: every start goes to the registry again.
TEST(LocateImClient, WithoutTheSettingRecordEveryStartReadsTheRegistry) {
    test::TempDir dir;
    const TableDefinition& shipped = ShippedDefinition(TableId::Settings);
    ASSERT_TRUE(RecordTable::Create(TableFile(dir.path(), TableId::Settings), shipped.fields,
                                    shipped.indexed, {}));
    Tables tables(dir.path());
    SettingsStore store(tables);
    FakeRegistry registry;
    registry.value = Str("C:\\AliIM.exe");
    FakeFileProbe probe;
    probe.existing.insert("C:\\AliIM.exe");
    Events events;
    FakeDialogs dialogs(events);
    FakeUrlOpener opener(events);
    FakeExit exit(events);
    const ImClientPorts ports{registry, probe, dialogs, opener, exit};

    EXPECT_EQ(LocateImClient(store, ports), ImClientLocation::Stored);
    EXPECT_EQ(LocateImClient(store, ports), ImClientLocation::Stored);
    EXPECT_EQ(registry.keysRead.size(), 2u);
    EXPECT_EQ(store.ReadImClientPath(), "");
}

} // namespace
} // namespace quorvel::data
