// The registry stand-in file: kinds, missing keys and values, expansion, rewriting.
#include "platform/posix/RegistryFile.h"

#include "platform/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quorvel::platform::posix {
namespace {

constexpr std::string_view kKey = "aliim\\Shell\\Open\\Command";

TEST(RegistryFile, ReadsEachKindAsTheRegistryWould) {
    test::TempDir dir;
    ::setenv("QUORVEL_TEST_ALI", "/opt/ali", 1);
    ::unsetenv("QUORVEL_TEST_UNSET");
    test::WriteBytes(
        dir / "registry",
        "# comment\r\n"
        "\n"
        "aliim\\Shell\\Open\\Command\tstring\t\"C:\\Program Files\\AliIM.exe\" \"%1\"\r\n"
        "exp\\a\texpand\t%QUORVEL_TEST_ALI%\\AliIM.exe ${QUORVEL_TEST_ALI}/x\n"
        "exp\\unset\texpand\t%QUORVEL_TEST_UNSET%|${QUORVEL_TEST_UNSET}|100%|%%\n"
        "bin\\key\tother\tdeadbeef\n"
        "nodefault\\key\n"
        "empty\\key\tstring\t\n"
        "tabs\\key\tstring\ta\tb\n"
        "aliim\\Shell\\Open\\Command\tstring\tsecond line is ignored\n");
    RegistryFile registry(dir / "registry");
    using K = RegistryValueKind;
    struct Case {
        std::string_view key;
        std::optional<RegistryValue> expected;
    };
    const Case cases[] = {
        {kKey, RegistryValue{K::String, "\"C:\\Program Files\\AliIM.exe\" \"%1\""}},
        {"ALIIM\\shell\\open\\command",
         RegistryValue{K::String, "\"C:\\Program Files\\AliIM.exe\" \"%1\""}},
        {"exp\\a", RegistryValue{K::ExpandString, "/opt/ali\\AliIM.exe /opt/ali/x"}},
        {"exp\\unset",
         RegistryValue{K::ExpandString, "%QUORVEL_TEST_UNSET%|${QUORVEL_TEST_UNSET}|100%|%%"}},
        {"bin\\key", RegistryValue{K::Other, ""}},
        {"nodefault\\key", RegistryValue{K::Missing, ""}},
        {"empty\\key", RegistryValue{K::String, ""}},
        {"tabs\\key", RegistryValue{K::String, "a\tb"}},
        {"aliim\\Shell\\Open", std::nullopt},
        {"missing", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = registry.ReadClassesRootDefault(c.key);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.key;
        if (got) {
            EXPECT_EQ(got->kind, c.expected->kind) << c.key;
            EXPECT_EQ(got->text, c.expected->text) << c.key;
        }
    }
}

TEST(RegistryFile, MissingFileOpensNoKey) {
    test::TempDir dir;
    RegistryFile registry(dir / "none");
    EXPECT_FALSE(registry.ReadClassesRootDefault(kKey));
}

TEST(RegistryFile, WritingReplacesTheKeyAndKeepsTheRest) {
    test::TempDir dir;
    const auto file = dir / "sub" / "registry";
    RegistryFile registry(file);
    ASSERT_TRUE(registry.WriteDefault("other\\key", RegistryValueKind::String, "keep"));
    ASSERT_TRUE(registry.WriteDefault(kKey, RegistryValueKind::String, "old"));
    ASSERT_TRUE(registry.WriteDefault("ALIIM\\Shell\\Open\\Command", RegistryValueKind::String,
                                      "\"/opt/standin im\" \"%1\""));
    EXPECT_EQ(registry.ReadClassesRootDefault(kKey)->text, "\"/opt/standin im\" \"%1\"");
    EXPECT_EQ(registry.ReadClassesRootDefault("other\\key")->text, "keep");
    ASSERT_TRUE(registry.WriteDefault(kKey, RegistryValueKind::Missing, ""));
    EXPECT_EQ(registry.ReadClassesRootDefault(kKey)->kind, RegistryValueKind::Missing);
    ASSERT_TRUE(registry.RemoveKey(kKey));
    EXPECT_FALSE(registry.ReadClassesRootDefault(kKey));
    EXPECT_EQ(registry.ReadClassesRootDefault("other\\key")->text, "keep");
    // Exactly one file: the rewrite left no temporary beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "sub"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(RegistryFile, PlaceComesFromTheEnvironment) {
    ::setenv("QUORVEL_REGISTRY", "/tmp/somewhere/registry", 1);
    EXPECT_EQ(DefaultRegistryFile(), "/tmp/somewhere/registry");
    ::unsetenv("QUORVEL_REGISTRY");
    ::setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(DefaultRegistryFile(), "/tmp/xdg/quorvel/registry");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(DefaultRegistryFile(), "/tmp/home/.local/share/quorvel/registry");
}

} // namespace
} // namespace quorvel::platform::posix
