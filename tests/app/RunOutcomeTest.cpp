// What the command line tells of a run: the outcome column of --list, one
// order of runs whatever regional setting or time zone made them, the run
// --restore latest takes, and the status of a backup that is not complete.
#include "tests/app/ConsoleProgram.h"

#include "app/LastBackup.h"
#include "pathutil/PathEncoding.h"
#include "store/RunList.h"
#include "store/RunMarker.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/Unprivileged.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Env = std::map<std::string, std::string>;

class RunOutcome : public ConsoleProgram {
protected:
    // One backup under `env` that must end with `status`; returns the date
    // of the run folder it made. Run folders are named to the second.
    std::string backup(int status, const Env& env = {})
    {
        const std::vector<std::string> before = runNames(target);
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        const ProgramRun run = runProgram({ "--backup" }, env);
        EXPECT_EQ(run.status, status) << run.out << run.err;
        for (const std::string& name : runNames(target))
            if (std::find(before.begin(), before.end(), name) == before.end())
                return DecodePath(name);
        ADD_FAILURE() << "no run folder made\n" << run.out << run.err;
        return {};
    }

    std::vector<std::string> listed(const Env& env = {})
    {
        const ProgramRun list = runProgram({ "--list" }, env);
        EXPECT_EQ(list.status, 0) << list.err;
        return linesOf(list.out);
    }

    std::string runFolder(const std::string& date) const { return target + "/" + EncodePath(date); }
};

TEST_F(RunOutcome, ListTellsCompleteFailedAndIncompleteRuns)
{
    writeText(source + "/file.txt", "x");
    saveSettings(target, restored);
    const std::string complete = backup(0);
    // A source folder that is not there: the run reaches its end with it failed.
    saveSources({ source, m_data / "gone" }, target, restored);
    const std::string failed = backup(1);
    saveSettings(target, restored);
    const std::string cutShort = backup(0);
    // Cut short as by a power cut: its incomplete marker stays.
    writeText(runFolder(cutShort) + "/" + kIncompleteMarker, "");

    EXPECT_EQ(listed(),
        (std::vector<std::string>{ cutShort + "\tincomplete\t1\tunchecked",
            failed + "\tfailed 1\t1\tunchecked", complete + "\tcomplete\t1\tunchecked" }));
}

TEST_F(RunOutcome, RunsOfEveryRegionalSettingAndTimeZoneAreListedAndChosenInOneOrder)
{
    for (const char* locale : { "en_US.UTF-8", "de_DE.UTF-8" })
        if (!ScopedLocale(locale).ok())
            GTEST_SKIP() << "the regional setting " << locale << " is not on this machine";
    const Env us{ { "LC_ALL", "en_US.UTF-8" }, { "TZ", "UTC" } };
    const Env de{ { "LC_ALL", "de_DE.UTF-8" }, { "TZ", "UTC" } };
    // Fourteen hours ahead: its name reads later than the runs after it.
    const Env ahead{ { "LC_ALL", "en_US.UTF-8" }, { "TZ", "UTC-14" } };
    const Env behind{ { "LC_ALL", "en_US.UTF-8" }, { "TZ", "UTC+5" } };
    saveSettings(target, restored);
    writeText(source + "/file.txt", "first");
    const std::string first = backup(0, ahead);
    writeText(source + "/file.txt", "second");
    const std::string second = backup(0, de);
    writeText(source + "/file.txt", "third");
    const std::string third = backup(0, us);
    ASSERT_NE(second.find('.'), std::string::npos) << "not named under de_DE: " << second;

    const std::vector<std::string> newestFirst{ third + "\tcomplete\t1\tunchecked",
        second + "\tcomplete\t1\tunchecked", first + "\tcomplete\t1\tunchecked" };
    for (const Env& env : { us, de, ahead, behind })
        EXPECT_EQ(listed(env), newestFirst) << env.at("LC_ALL") << " " << env.at("TZ");
    for (const Env& env : { de, ahead }) {
        removeTree(restored);
        makeDirs(restored);
        const ProgramRun restore = runProgram({ "--restore", "latest" }, env);
        EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
        EXPECT_EQ(readText(restored + source + "/file.txt"), "third")
            << env.at("LC_ALL") << " " << env.at("TZ");
    }
}

TEST_F(RunOutcome, LatestPassesOverANewerRunThatDidNotReachItsEnd)
{
    saveSettings(target, restored);
    writeText(source + "/file.txt", "ended");
    backup(0);
    writeText(source + "/file.txt", "cut short");
    const std::string cutShort = backup(0);
    writeText(runFolder(cutShort) + "/" + kIncompleteMarker, "");

    const ProgramRun restore = runProgram({ "--restore", "latest" });
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_TRUE(holdsLine(
        restore.out, "Passed over the backup of " + cutShort + ": it did not reach its end (incomplete)"))
        << restore.out;
    EXPECT_EQ(readText(restored + source + "/file.txt"), "ended");

    // No run reached its end: nothing is restored.
    fs::remove_all(restored);
    makeDirs(restored);
    for (const std::string& name : runNames(target))
        writeText(target + "/" + name + "/" + kIncompleteMarker, "");
    const ProgramRun none = runProgram({ "--restore", "latest" });
    EXPECT_EQ(none.status, 2) << none.out << none.err;
    EXPECT_TRUE(allNames(restored).empty());
}

TEST_F(RunOutcome, BackupWithAnUnreadableSubfolderIsNotComplete)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    makeDirs(source + "/open");
    makeDirs(source + "/locked");
    writeText(source + "/open/file.txt", "x");
    writeText(source + "/locked/secret.txt", "y");
    fs::permissions(source + "/locked", fs::perms::none);
    saveSettings(target, restored);
    const std::string date = backup(1);
    fs::permissions(source + "/locked", fs::perms::owner_all);
    EXPECT_EQ(listed(), std::vector<std::string>{ date + "\tfailed 1\t2\tunchecked" });
}

TEST_F(RunOutcome, ASourceThatIsTheBackupTargetDoesNotStart)
{
    writeText(source + "/file.txt", "x");
    saveSources({ source, target }, target, restored);
    const ProgramRun run = runProgram({ "--backup" });
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_TRUE(holds(run.err, "The source folder " + target + " is the backup target")) << run.err;
    EXPECT_TRUE(runNames(target).empty());
}

TEST_F(RunOutcome, ABackupDiskThatIsNotThereDoesNotStartAndWritesNothing)
{
    writeText(source + "/file.txt", "x");
    saveSettings(target, restored);
    ASSERT_EQ(runProgram({ "--backup" }).status, 0);
    // The disk unplugged: its mount point is an empty folder.
    std::filesystem::remove_all(target);
    makeDirs(target);

    const ProgramRun run = runProgram({ "--backup" });
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_TRUE(holds(run.out + run.err, "The backup disk is not there: " + target)) << run.out << run.err;
    EXPECT_TRUE(runNames(target).empty());
}

// The timer's backups run from the command line: each keeps its log where
// the main window finds it, also one that found the disk not there.
TEST_F(RunOutcome, EachBackupKeepsItsLogAlsoOneThatFoundTheDiskNotThere)
{
    writeText(source + "/file.txt", "x");
    saveSettings(target, restored);
    const ProgramRun done = runProgram({ "--backup" });
    ASSERT_EQ(done.status, 0) << done.err;
    const std::string state = m_home / "state/Quorvel Backup";
    LastRun last = LastRunOf(target, state);
    EXPECT_EQ(last.text, "Last backup: " + ListRuns(target).front().date + ", complete");
    ASSERT_FALSE(last.logPath.empty());
    std::vector<std::string> kept = linesOf(readText(last.logPath));
    ASSERT_GE(kept.size(), 3u);
    EXPECT_EQ(kept.front(), "Backup into: " + target);
    EXPECT_TRUE(kept.back().starts_with("Summary: 1 folders stored, 0 failed")) << kept.back();
    for (std::size_t i = 1; i < kept.size(); ++i)
        EXPECT_TRUE(holdsLine(done.out, kept[i])) << kept[i];

    // The disk unplugged for the night's backup, then back in the morning.
    const std::string idFile = target + "/.quorvel-store";
    const std::string id = readText(idFile);
    fs::remove(idFile);
    EXPECT_EQ(runProgram({ "--backup" }).status, 2);
    last = LastRunOf(target, state);
    EXPECT_TRUE(last.text.starts_with("The backup disk is not there: " + target)) << last.text;
    kept = linesOf(readText(last.logPath));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_TRUE(kept[1].starts_with("Error: The backup disk is not there: " + target)) << kept[1];
    writeText(idFile, id);
    const LastRun morning = LastRunOf(target, state);
    EXPECT_TRUE(morning.text.starts_with(
        "Last backup: " + ListRuns(target).front().date + ", complete; not started "))
        << morning.text;
    EXPECT_TRUE(morning.text.ends_with(": the backup disk is not there")) << morning.text;
    EXPECT_EQ(morning.logPath, last.logPath);
}

} // namespace
} // namespace testsupport
