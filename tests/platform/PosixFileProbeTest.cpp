#include "platform/posix/PosixFileProbe.h"

#include "platform/PlatformTestSupport.h"

#include <gtest/gtest.h>

namespace quorvel::platform::posix {
namespace {

TEST(PosixFileProbe, FilesAndFoldersPassNothingElseDoes) {
    test::TempDir dir;
    test::WriteBytes(dir / "AliIM.exe", "x");
    std::filesystem::create_directory(dir / "folder");
    PosixFileProbe probe;
    EXPECT_TRUE(probe.Exists((dir / "AliIM.exe").string()));
    EXPECT_TRUE(probe.Exists((dir / "folder").string()));
    EXPECT_FALSE(probe.Exists((dir / "missing").string()));
    EXPECT_FALSE(probe.Exists(""));
    // A zero byte must not cut the name down to one that exists.
    EXPECT_FALSE(probe.Exists((dir / "AliIM.exe").string() + std::string(1, '\0') + "x"));
}

} // namespace
} // namespace quorvel::platform::posix
