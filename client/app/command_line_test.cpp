#include "client/app/command_line.h"

#include <gtest/gtest.h>

namespace zemra::client {
namespace {

TEST(CommandLineTest, TakesTheIdAndThePasswordToTheEndOfTheLine) {
    const auto choice = parseCommandLine("-id:12345 -pw:pass word ");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->userId, 12345u);
    EXPECT_EQ(choice->password, "pass word ");

    const auto noPassword = parseCommandLine("-id:77");
    ASSERT_TRUE(noPassword);
    EXPECT_EQ(noPassword->userId, 77u);
    EXPECT_EQ(noPassword->password, "");

    EXPECT_FALSE(parseCommandLine("x -id:12345 -pw:a").has_value());
    EXPECT_FALSE(parseCommandLine("").has_value());
    EXPECT_EQ(parseCommandLine("-id:abc -pw:x")->userId, 0u);
}

}  // namespace
}  // namespace zemra::client
