// Run folders are offered whatever the regional setting they were made
// under and the one the restore runs under, newest first.
#include "restore/RestoreSteps.h"

#include "pathutil/PathEncoding.h"
#include "platform/Clock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace testsupport {
namespace {

const char* const kLocales[] = { "en_US.UTF-8", "de_DE.UTF-8", "sv_SE.UTF-8", "C" };

// The date text a run started at this moment names its folder after, under
// a regional setting.
std::string dateUnder(const char* locale, int day, int hour)
{
    ScopedLocale scoped(locale);
    EXPECT_TRUE(scoped.ok()) << locale;
    return platform::formatDateText(localTime(2026, 12, day, hour, 7, 9));
}

TEST(RunDates, RunsOfEveryRegionalSettingAreFoundNewestFirstUnderEachOther)
{
    // One run per setting, each on its own day, so the order tells them apart.
    std::map<int, std::string> byDay;
    for (int i = 0; i < 4; ++i)
        byDay[10 + i] = dateUnder(kLocales[i], 10 + i, 9 + i);
    byDay[20] = dateUnder("en_US.UTF-8", 20, 0); // midnight: the date alone
    TempDir target;
    for (const auto& [day, text] : byDay)
        makeDirs(target / EncodePath(text));
    makeDirs(target / "Documents");

    std::vector<std::string> newestFirst;
    for (auto it = byDay.rbegin(); it != byDay.rend(); ++it)
        newestFirst.push_back(it->second);
    for (const char* locale : kLocales) {
        ScopedLocale scoped(locale);
        ASSERT_TRUE(scoped.ok()) << locale;
        EXPECT_EQ(FindDateTexts(target.path()), newestFirst) << "restoring under " << locale;
    }
}

TEST(RunDates, TheIsoFormIsAlwaysADate)
{
    ScopedLocale scoped("de_DE.UTF-8");
    ASSERT_TRUE(scoped.ok());
    EXPECT_TRUE(platform::parseDateText("2026-12-05 21:06:11"));
    EXPECT_TRUE(platform::parseDateText("2026-12-05"));
    EXPECT_FALSE(platform::parseDateText("Documents"));
    EXPECT_FALSE(platform::parseDateText(""));
    EXPECT_LT(*platform::parseDateText("2026-12-05"), *platform::parseDateText("2026-12-05 21:06:11"));
}

} // namespace
} // namespace testsupport
