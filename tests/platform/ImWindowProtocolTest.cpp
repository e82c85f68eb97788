#include "platform/posix/ImWindowProtocol.h"

#include <gtest/gtest.h>

namespace quorvel::platform::posix {
namespace {

TEST(ImWindowProtocol, FieldsSurviveTheLineWhateverBytesTheyHold) {
    const std::vector<std::string> fields = {
        "SETTEXT", "12", std::string("a\tb\r\nc\\n\\\x95\\") + std::string(1, '\0') + "end", ""};
    const std::string line = EncodeLine(fields);
    ASSERT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(DecodeLine(std::string_view(line).substr(0, line.size() - 1)), fields);
}

TEST(ImWindowProtocol, MalformedEscapesAreRefused) {
    EXPECT_FALSE(DecodeLine("OK\\"));
    EXPECT_FALSE(DecodeLine("OK\\x"));
}

TEST(ImWindowProtocol, NoServiceAnswersNothing) {
    EXPECT_FALSE(ImRequest("/tmp/quorvel-no-such-socket", {"PING"}, std::chrono::seconds(1)));
    EXPECT_FALSE(ImRequest(std::string(200, 'x'), {"PING"}, std::chrono::seconds(1)));
}

} // namespace
} // namespace quorvel::platform::posix
