#include "store/StoreLayout.h"

#include "pathutil/PathEncoding.h"
#include "platform/Clock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::readText;
using testsupport::TempDir;
using testsupport::writeText;

TEST(StoreNames, RunFolderArchiveAndCountFile)
{
    EXPECT_EQ(RunFolderPath("/media/backup", "2026-12-05 21:06:11"),
        "/media/backup/2026_P-2D12_P-2D05_P-2021_P-3A06_P-3A11");
    EXPECT_EQ(RunFolderPath("/media/backup/", "05.12.2026"), "/media/backup/05_P-2E12_P-2E2026");
    EXPECT_EQ(ArchiveName("/home/ann/Data/"), "_P-2Fhome_P-2Fann_P-2FData_P-2F.7z");
    EXPECT_EQ(CountFileName(ArchiveName("/home/ann/Data/")), "_P-2Fhome_P-2Fann_P-2FData_P-2F.7z.dat");
    // A folder and its subfolder never share an archive.
    EXPECT_NE(ArchiveName("/home/ann/Data/"), ArchiveName("/home/ann/Data/Docs/"));
    // The archive name leads back to the folder.
    EXPECT_EQ(DecodePath(ArchiveName("/home/ann/My Data/")), "/home/ann/My Data/.7z");
}

TEST(CountFile, WritesDigitsOnly)
{
    TempDir dir;
    for (auto [count, bytes] :
        { std::pair{ 0, "0" }, { 12, "12" }, { 1234, "1234" }, { 2147483647, "2147483647" } }) {
        const std::string path = dir / (std::string(bytes) + ".dat");
        ASSERT_TRUE(WriteCountFile(path, count)) << path;
        EXPECT_EQ(readText(path), bytes);
        CountFileRead read = ReadCountFile(path);
        ASSERT_TRUE(read.count.has_value()) << read.problem;
        EXPECT_EQ(*read.count, count);
    }
    EXPECT_FALSE(WriteCountFile(dir / "negative.dat", -1));
    EXPECT_FALSE(WriteCountFile(dir / "no-such-folder/x.dat", 3));
}

TEST(CountFile, ReadIgnoresSurroundingSpaces)
{
    TempDir dir;
    writeText(dir / "a.dat", " 12 ");
    EXPECT_EQ(ReadCountFile(dir / "a.dat").count, 12);
    writeText(dir / "b.dat", "7\r\n");
    EXPECT_EQ(ReadCountFile(dir / "b.dat").count, 7);
}

TEST(CountFile, UnusableFilesAreReportedNeverZero)
{
    TempDir dir;
    writeText(dir / "empty.dat", "");
    writeText(dir / "blank.dat", "   ");
    writeText(dir / "abc.dat", "abc");
    writeText(dir / "mixed.dat", "12abc");
    writeText(dir / "sign.dat", "-");
    writeText(dir / "big.dat", "99999999999");
    writeText(dir / "justover.dat", "2147483648");
    writeText(dir / "huge.dat", std::string(40, '9'));
    for (const char* name : { "missing.dat", "empty.dat", "blank.dat", "abc.dat", "mixed.dat", "sign.dat",
             "big.dat", "justover.dat", "huge.dat" }) {
        CountFileRead read = ReadCountFile(dir / name);
        EXPECT_FALSE(read.count.has_value()) << name;
        EXPECT_NE(read.problem.find(dir / name), std::string::npos) << read.problem;
    }
    EXPECT_NE(ReadCountFile(dir / "missing.dat").problem.find("missing"), std::string::npos);
}

namespace {

// Checks that a run's date text names a folder that the restore side reads
// back as a date.
void expectRoundTrip(const std::string& dateText)
{
    const std::string folder = RunFolderPath("/backup", dateText);
    const std::string name = folder.substr(std::string("/backup/").size());
    EXPECT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-"),
        std::string::npos)
        << name;
    EXPECT_EQ(DecodePath(name), dateText);
    EXPECT_TRUE(platform::isDateText(DecodePath(name))) << dateText;
}

} // namespace

struct DateCase {
    const char* locale;
    const char* evening; // 21:06:11 on 5 December 2026
};

class RunDateText : public testing::TestWithParam<DateCase> { };

TEST_P(RunDateText, RoundTripsUnderRegionalSettings)
{
    testsupport::ScopedLocale locale(GetParam().locale);
    if (!locale.ok())
        GTEST_SKIP() << GetParam().locale << " is not available";
    testsupport::TestClock clock;
    clock.setLocal(2026, 12, 5, 21, 6, 11);
    EXPECT_EQ(DateTextNow(), GetParam().evening);
    expectRoundTrip(DateTextNow());

    // Exactly at midnight the date stands alone, and still reads as a date.
    clock.setLocal(2026, 12, 5, 0, 0, 0);
    const std::string midnight = DateTextNow();
    EXPECT_EQ(midnight, std::string(GetParam().evening).substr(0, midnight.size()));
    EXPECT_EQ(midnight.find(' '), std::string::npos) << midnight;
    expectRoundTrip(midnight);

    // One second later the time is back.
    clock.setLocal(2026, 12, 5, 0, 0, 1);
    EXPECT_NE(DateTextNow(), midnight);
    expectRoundTrip(DateTextNow());

    EXPECT_FALSE(platform::isDateText("Documents"));

    // A day the month does not have names no moment, and so no run.
    clock.setLocal(2026, 2, 28, 21, 6, 11);
    std::string impossible = DateTextNow();
    ASSERT_TRUE(platform::isDateText(impossible));
    impossible.replace(impossible.find("28"), 2, "31");
    EXPECT_FALSE(platform::isDateText(impossible)) << impossible;
    EXPECT_FALSE(platform::parseDateText(impossible)) << impossible;
}

INSTANTIATE_TEST_SUITE_P(Locales, RunDateText,
    testing::Values(DateCase{ "C.UTF-8", "12/05/26 21:06:11" },
        DateCase{ "de_DE.UTF-8", "05.12.2026 21:06:11" }, DateCase{ "sv_SE.UTF-8", "2026-12-05 21:06:11" }),
    [](const testing::TestParamInfo<DateCase>& info) {
        std::string name = std::string(info.param.locale).substr(0, 5);
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });
