// How a backup ends is what really happened: every folder the user chose
// that is not in the run makes it failed, named in the run's journal; a
// source is never left out for where the restore target lies; a source that
// would be stored into itself stops the backup before it makes anything.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/ChangeTimes.h"
#include "store/RunJournal.h"
#include "store/RunList.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Lines = std::vector<std::string>;

bool contains(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> heldPaths(const std::string& runFolder)
{
    std::vector<std::string> paths;
    if (auto journal = ReadRunJournal(runFolder)) {
        for (const JournalFolder& held : journal->held)
            paths.push_back(held.path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

class BackupOutcome : public RestoreFixture {
protected:
    BackupOutcome() { makeDirs(home); }

    QuietBackup backUpQuietly(const Lines& sources)
    {
        fields.from = sources;
        QuietBackup done = backUpWithoutWindow(fields, app.path());
        lastRun = done.runFolder;
        return done;
    }

    std::string homeFolder = dir / "home/me";
    std::string home = homeFolder + "/";
    std::string lastRun;
};

TEST_F(BackupOutcome, ASourceAtOrBelowTheRestoreTargetIsBackedUp)
{
    const std::string documents = folderWithFiles(homeFolder, "Documents");
    fields.unBackupTo = home;

    const QuietBackup below = backUpQuietly({ documents });
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(below.summary.done, 1);
    EXPECT_EQ(below.summary.skipped, 0);
    EXPECT_EQ(heldPaths(lastRun), (Lines{ documents }));
    EXPECT_EQ(ReadRunVerdict(lastRun).outcome, RunOutcome::Complete);

    // The restore target itself as the source: all of it, but for the place
    // where its own restore lands, which would nest one level deeper on
    // every round.
    const std::string landing = AddBackslash(home + home.substr(1));
    makeDirs(landing);
    writeText(landing + "restored.txt", "restored earlier");
    const QuietBackup whole = backUpQuietly({ home });
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(contains(
        whole.log, "Warning: Folder not backed up, a restore of a source folder lands in it: " + landing));
    const Lines held = heldPaths(lastRun);
    EXPECT_TRUE(contains(held, home));
    EXPECT_TRUE(contains(held, documents));
    EXPECT_FALSE(contains(held, landing));
    EXPECT_EQ(whole.summary.failed, 0);
    EXPECT_EQ(ReadRunVerdict(lastRun).outcome, RunOutcome::Complete);
}

TEST_F(BackupOutcome, TargetsStrictlyInsideASourceAreLeftOutByRuleNotAsFailures)
{
    fields.to = home + "backups";
    fields.unBackupTo = home + "restored";
    makeDirs(fields.to);
    makeDirs(fields.unBackupTo);
    const std::string work = folderWithFiles(homeFolder, "work");

    const QuietBackup done = backUpQuietly({ home });
    EXPECT_TRUE(
        contains(done.log, "Warning: Folder not backed up, it holds the backups: " + fields.to + "/"));
    EXPECT_TRUE(contains(
        done.log, "Warning: Folder not backed up, it is the restore target: " + fields.unBackupTo + "/"));
    EXPECT_EQ(done.summary.failed, 0);
    EXPECT_EQ(heldPaths(lastRun), (Lines{ home, work }));
    EXPECT_EQ(ReadRunVerdict(lastRun).outcome, RunOutcome::Complete);
}

TEST_F(BackupOutcome, ASourceThatIsTheStoreOrLiesInARunStopsTheBackupWithOneBox)
{
    const std::string data = folderWithFiles(homeFolder, "data");
    backUpQuietly({ data });
    const std::string firstRun = lastRun;
    const auto runsBefore = allNames(fields.to);

    for (const std::string& source : { fields.to, firstRun }) {
        const std::size_t shownBefore = boxes.shown().size();
        const QuietBackup refused = backUpQuietly({ data, source });
        ASSERT_EQ(boxes.shown().size(), shownBefore + 1) << source;
        EXPECT_NE(boxes.shown().back().text.find("Backup not started..."), std::string::npos)
            << boxes.shown().back().text;
        EXPECT_EQ(allNames(fields.to), runsBefore);
        EXPECT_EQ(refused.summary.done, 0);
    }
    // A folder beside the runs in the target is no run, and is backed up.
    const std::string beside = folderWithFiles(fields.to, "notes");
    const std::size_t shownBefore = boxes.shown().size();
    backUpQuietly({ beside });
    EXPECT_EQ(boxes.shown().size(), shownBefore);
    EXPECT_EQ(heldPaths(lastRun), (Lines{ beside }));
}

TEST_F(BackupOutcome, EveryChosenFolderLeftOutFailsTheRunAndIsNamedInItsJournal)
{
    const std::string good = folderWithFiles(homeFolder, "good");
    const std::string gone = home + "gone/";
    // A name the store cannot hold, and a folder below it that shares its trouble.
    const std::string escaped = folderWithFiles(homeFolder, "odd_P-name");
    const std::string below = folderWithFiles(escaped.substr(0, escaped.size() - 1), "below");

    const QuietBackup done = backUpQuietly({ good, gone, escaped });
    // One box for the missing source, one for the name with all below it.
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(done.summary.done, 1);
    EXPECT_EQ(done.summary.failed, 3);
    const RunVerdict verdict = ReadRunVerdict(lastRun);
    EXPECT_EQ(verdict.outcome, RunOutcome::Failed);
    EXPECT_EQ(verdict.failed, 3);
    EXPECT_EQ(OutcomeWord(verdict), "failed 3");
    const auto journal = ReadRunJournal(lastRun);
    ASSERT_TRUE(journal);
    Lines failed;
    for (const JournalFailure& failure : journal->failed)
        failed.push_back(failure.path);
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed, (Lines{ gone, escaped, below }));
    EXPECT_EQ(heldPaths(lastRun), (Lines{ good }));
    EXPECT_TRUE(journal->ended);
}

TEST_F(BackupOutcome, AJournalCutShortTellsWhatTheRunFinished)
{
    const std::string first = folderWithFiles(homeFolder, "first");
    const std::string second = folderWithFiles(homeFolder, "second\tand tab");
    backUpQuietly({ first, second });
    const std::string path = lastRun + kRunJournal;
    std::string text = readText(path);
    // The run was killed while it wrote its closing line.
    text.resize(text.rfind("end\t") + 2);
    writeText(path, text);
    writeText(lastRun + ".incomplete", "");

    const auto journal = ReadRunJournal(lastRun);
    ASSERT_TRUE(journal);
    EXPECT_FALSE(journal->ended);
    EXPECT_EQ(heldPaths(lastRun), (Lines{ first, second }));
    EXPECT_EQ(ReadRunVerdict(lastRun).outcome, RunOutcome::Incomplete);
    EXPECT_EQ(OutcomeWord(ReadRunVerdict(lastRun)), "incomplete");
}

TEST_F(BackupOutcome, TwoBackupsInTheSameSecondEachMakeTheirRun)
{
    const std::string data = folderWithFiles(homeFolder, "data");
    // Begin right after a second starts, so both runs begin within it.
    constexpr std::int64_t kSecond = 1'000'000'000;
    std::this_thread::sleep_for(
        std::chrono::nanoseconds(kSecond - platform::wallClockNanoseconds() % kSecond + 5'000'000));
    backUpQuietly({ data });
    const std::string first = lastRun;
    backUpQuietly({ data });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_NE(lastRun, first);
    const std::vector<StoredRun> runs = ListRuns(fields.to);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(AddBackslash(runs[0].folder), lastRun);
    EXPECT_EQ(runs[0].verdict.outcome, RunOutcome::Complete);
    EXPECT_EQ(runs[1].verdict.outcome, RunOutcome::Complete);
}

TEST_F(BackupOutcome, RunsAreOrderedByTheirRecordedStartWhateverTheirNames)
{
    const std::string data = folderWithFiles(homeFolder, "data");
    backUpQuietly({ data });
    const std::string older = lastRun;
    backUpQuietly({ data });
    const std::string newer = lastRun;
    // Names that read the other way round: made under another time zone or
    // with the clock set back between the runs.
    const std::string newerRenamed = fields.to + "/" + EncodePath(dateText(2001, 1, 2, 3, 4, 5));
    fs::rename(fs::path(newer).parent_path(), newerRenamed);

    std::vector<StoredRun> runs = ListRuns(fields.to);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].folder, newerRenamed);
    EXPECT_EQ(AddBackslash(runs[1].folder), older);
    EXPECT_TRUE(runs[0].recorded && runs[1].recorded);
    // A run without any record is placed by its name.
    fs::remove(newerRenamed + "/" + kRunJournal);
    runs = ListRuns(fields.to);
    EXPECT_EQ(runs[1].folder, newerRenamed);
    EXPECT_FALSE(runs[1].recorded);
}

} // namespace
} // namespace testsupport
