#include "pathutil/Module1.h"

#include <gtest/gtest.h>

TEST(AddBackslash, Placeholder)
{
    EXPECT_EQ(AddBackslash("C:\\Data", platform::kWindowsPathStyle), "C:\\Data\\");
}
