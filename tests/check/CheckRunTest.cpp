// The check run over stores made by whole backups with the real archiver:
// one damaged archive shared by three runs is found and named with all
// three, and the next backup stores that folder anew; a check stopped half
// way goes on with what it had not checked; the time given is kept; and
// an archive not read within the days set is named.
#include "tests/check/CheckFixture.h"

#include "check/CheckStatus.h"
#include "store/CheckRecord.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

bool has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string shown(const std::string& folder)
{
    return folder.substr(0, folder.size() - 1);
}

class CheckRunTest : public CheckStore { };

TEST_F(CheckRunTest, AFlippedByteInAnArchiveSharedByThreeRunsIsNamedWithAllThreeAndStoredAnew)
{
    for (int i = 0; i < 3; ++i)
        backUpQuietly();
    const std::string damaged = archiveIn(0, folders[1]);
    ASSERT_TRUE(fs::equivalent(damaged, archiveIn(2, folders[1]))) << "the runs do not share the archive";
    flipByte(damaged);

    const Checked found = check(every());
    EXPECT_EQ(found.tested, 4u); // three folders and the top one, each file once
    EXPECT_EQ(found.damaged, 1u);
    EXPECT_TRUE(has(found.log,
        "Damaged: " + shown(folders[1]) + " in the archive of 3 runs: " + dates[2] + ", " + dates[1] + ", "
            + dates[0]))
        << found.log.back();
    EXPECT_EQ(found.closing, "4 archives checked, 1 damaged; every archive checked today");
    EXPECT_EQ(linesStarting(found.log, "Damaged: ").size(), 1u);
    for (const auto& [run, column] : RunCheckColumns(fields.to))
        EXPECT_EQ(column, "1 damaged") << run;
    EXPECT_TRUE(IsKnownDamaged(fields.to, damaged));

    // The next backup compresses that folder anew, says why, and takes the rest over.
    const std::vector<std::string> log = backUpQuietly();
    EXPECT_TRUE(has(log,
        "Damaged: the last check found the archive of " + folders[1]
            + " in the previous backup damaged; it is compressed anew."));
    EXPECT_FALSE(fs::equivalent(damaged, archiveIn(3, folders[1])));
    EXPECT_TRUE(fs::equivalent(archiveIn(2, folders[0]), archiveIn(3, folders[0])));
    EXPECT_TRUE(runArchiver(runs[3], { "t", ArchiveName(folders[1]) }));
    // The older runs still hold the damaged file, and a check still says so.
    const Checked again = check(every());
    EXPECT_EQ(again.damaged, 1u);
    EXPECT_EQ(RunCheckColumns(fields.to)[runs[3].substr(0, runs[3].size() - 1)],
        "checked " + CheckDate(CheckClockNow()));
}

TEST_F(CheckRunTest, ACheckStoppedHalfWayGoesOnWithTheArchivesItHadNotChecked)
{
    for (int i = 0; i < 3; ++i)
        folders.push_back(folderWithFiles(sources, "more" + std::to_string(i)));
    backUpQuietly();
    // Stopped while the third archive is tested, as the window's stop does:
    // that test is ended unfinished.
    writeArchiverScript(app.path(), "if [ \"$1\" = t ]; then sleep 1; fi\nexec \"$REAL\" \"$@\"");
    int testing = 0;
    const Checked first = check(every(), [&testing](CheckRun& run, const std::string& line) {
        if (line.starts_with("Testing: ") && ++testing == 3)
            QTimer::singleShot(300, [&run] { run.requestStop(); });
    });
    EXPECT_TRUE(
        has(first.log, "Summary: 2 folders checked, 0 failed, 0 changed, 0 skipped, stopped by the user"));
    EXPECT_EQ(first.tested, 2u);
    const std::vector<std::string> firstTests = linesStarting(first.log, "Testing: ");
    ASSERT_EQ(firstTests.size(), 3u);
    EXPECT_EQ(CheckRecord::read(fields.to).paths(), 2u);

    const Checked second = check(every());
    const std::vector<std::string> secondTests = linesStarting(second.log, "Testing: ");
    ASSERT_EQ(secondTests.size(), 7u);
    // The five not checked come first, the stopped one among them; the two
    // checked before come last.
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_TRUE(secondTests[i] != firstTests[0] && secondTests[i] != firstTests[1]) << secondTests[i];
    EXPECT_TRUE(
        std::find(secondTests.begin(), secondTests.begin() + 5, firstTests[2]) != secondTests.begin() + 5);
    EXPECT_EQ(second.closing, "7 archives checked, 0 damaged; every archive checked today");
}

TEST_F(CheckRunTest, TheTimeGivenIsKeptAndATestStillRunningThenLeavesItsArchiveUnchecked)
{
    backUpQuietly();
    // Each test takes four seconds besides the archiver's own work.
    writeArchiverScript(app.path(), "if [ \"$1\" = t ]; then sleep 4; fi\nexec \"$REAL\" \"$@\"");
    CheckOptions options;
    options.budgetSeconds = 6;
    const auto began = std::chrono::steady_clock::now();
    const Checked checked = check(options);
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_GE(took, std::chrono::seconds(6));
    EXPECT_LT(took, std::chrono::seconds(9));
    EXPECT_EQ(checked.tested, 1u);
    EXPECT_EQ(linesStarting(checked.log, "Time is up: ").size(), 1u);
    EXPECT_EQ(checked.closing, "1 archive checked, 0 damaged; 3 of 4 archives not checked yet");
    EXPECT_EQ(CheckRecord::read(fields.to).paths(), 1u);
}

TEST_F(CheckRunTest, AnArchiveNotReadWithinTheDaysSetIsNamed)
{
    backUpQuietly();
    check(every());
    EXPECT_EQ(CheckStatusText(fields.to, 30), "store checked in full " + CheckDate(CheckClockNow()));
    const CheckRecord record = CheckRecord::read(fields.to);
    const std::vector<StoreArchive> fresh = ListStoreArchives(fields.to, record);

    // Forty days on, every archive is overdue: named, and due today.
    std::tm later = clock.localNow();
    later.tm_mday += 40;
    later.tm_isdst = -1;
    std::mktime(&later);
    clock.setLocal(later.tm_year + 1900, later.tm_mon + 1, later.tm_mday, 9, 0, 0);
    EXPECT_EQ(CheckStatusText(fields.to, 30), "check overdue: 4 archives not read within 30 days");
    EXPECT_EQ(
        CheckStatusText(fields.to, 60), "store checked in full " + CheckDate(fresh.front().last->checked));
    CheckOptions none;
    none.budgetSeconds = 0;
    const Checked named = check(none);
    EXPECT_TRUE(std::any_of(named.log.begin(), named.log.end(), [this](const std::string& line) {
        return line.starts_with("Overdue: " + shown(folders[2]) + " (" + dates[0] + "), last checked ");
    }));
    EXPECT_EQ(named.closing, "0 archives checked, 0 damaged; every archive checked within the last 40 days");
}

TEST(DailyCheckTime, KeepsEveryArchiveWithinTheDaysAndGrowsWhenTheyFallBehind)
{
    // Thirty archives of 30 MB, read at the recorded 30 MB a second.
    const std::int64_t now = 100 * 86400;
    std::vector<StoreArchive> archives(30);
    for (std::size_t i = 0; i < archives.size(); ++i) {
        archives[i].identity.size = 30'000'000;
        archives[i].identity.modified = (now - 86400) * 1'000'000'000;
        archives[i].last
            = CheckedFile{ "r/" + std::to_string(i), archives[i].identity, now - 86400, true, 1000 };
    }
    // Checked yesterday: a thirtieth of them a day.
    EXPECT_EQ(DailyCheckSeconds(archives, 30, now), 1);
    EXPECT_EQ(ScheduledCheckSeconds(archives, 30, now), kScheduledCheckSeconds);
    // Half of them last read 31 days ago: those are due today.
    for (std::size_t i = 0; i < 15; ++i)
        archives[i].last->checked = now - 31 * 86400;
    EXPECT_EQ(DailyCheckSeconds(archives, 30, now), 15);
    EXPECT_EQ(DailyCheckSeconds(archives, 1, now), 30);
    // One of 60 MB never tested, made 40 days ago: due today at the recorded speed, and a start.
    StoreArchive never;
    never.identity.size = 60'000'000;
    never.identity.modified = (now - 40 * 86400) * 1'000'000'000;
    archives.push_back(never);
    EXPECT_EQ(DailyCheckSeconds(archives, 30, now), 18);
}

} // namespace
} // namespace testsupport
