#include "platform/Launcher.h"

#include <gtest/gtest.h>

TEST(ShellQuote, PlainTextStaysByteExact)
{
    EXPECT_EQ(platform::shellQuoteIfNeeded("/usr/lib/quorvel-backup/"), "/usr/lib/quorvel-backup/");
    EXPECT_EQ(platform::shellQuoteIfNeeded("/a b/"), "'/a b/'");
}
