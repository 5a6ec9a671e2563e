// Vimblor --prune as a process of its own: the preview of --dry-run, the
// exit statuses, a clean-up cut short between renaming a run and deleting
// it (then --list and a second clean-up), a run that cannot be removed, and
// the clean-up after a scheduled backup once a preview was seen.
#include "pathutil/PathEncoding.h"
#include "platform/Clock.h"
#include "platform/RunLock.h"
#include "prune/PruneRun.h"
#include "store/JobRunner.h"
#include "store/StoreIdentity.h"
#include "tests/app/ConsoleProgram.h"
#include "tests/support/FakeFields.h"
#include "tests/support/QuietBackup.h"

#include <QProcess>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

std::uint64_t apparentBytes(const std::string& folder)
{
    QProcess du;
    du.start("du", { "-s", "-B1", "--apparent-size", QString::fromStdString(folder) });
    EXPECT_TRUE(du.waitForFinished(60000));
    return std::stoull(du.readAllStandardOutput().split('\t').first().toStdString());
}

class PruneCommand : public ConsoleProgram {
protected:
    PruneCommand()
    {
        makeDirs(source + "/letters");
        writeText(source + "/letters/a.txt", "a letter");
        writeText(source + "/b.txt", "b");
        saveSettings(target, restored);
    }

    // Three runs of 2023, made here with a set clock: older than any rule
    // keeps; with `andAFailedOne`, a fourth, newer, that failed a folder.
    // Their dates, oldest first.
    std::vector<std::string> makeOldRuns(bool andAFailedOne = false)
    {
        TestClock clock;
        ScopedAppFolder app;
        FakeFields fields;
        fields.to = target;
        fields.from = { source + "/" };
        std::vector<std::string> dates;
        for (int month : { 3, 6, 9 }) {
            writeText(source + "/b.txt", "b of month " + std::to_string(month));
            clock.setLocal(2023, month, 14, 10, 0, 0);
            EXPECT_FALSE(backUpWithoutWindow(fields, app.path()).runFolder.empty());
            dates.push_back(platform::formatDateText(clock.localNow()));
        }
        if (andAFailedOne) {
            fields.from.push_back(m_data / "gone/");
            clock.setLocal(2023, 12, 14, 10, 0, 0);
            EXPECT_FALSE(backUpWithoutWindow(fields, app.path()).runFolder.empty());
            dates.push_back(platform::formatDateText(clock.localNow()));
        }
        return dates;
    }

    void backUpNow()
    {
        const ProgramRun run = runProgram({ "--backup" });
        ASSERT_EQ(run.status, 0) << run.out << run.err;
    }

    std::vector<std::string> listedDates()
    {
        const ProgramRun run = runProgram({ "--list" });
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> dates;
        for (const std::string& line : linesOf(run.out))
            dates.push_back(line.substr(0, line.find('\t')));
        return dates;
    }

    std::string runFolder(const std::string& date) const { return target + "/" + EncodePath(date); }
};

TEST_F(PruneCommand, ADryRunListsEveryRunWithItsRuleAndTheBytesAndRemovesNothing)
{
    const std::vector<std::string> old = makeOldRuns();
    backUpNow();
    const std::vector<std::string> before = listedDates();
    ASSERT_EQ(before.size(), 4u);
    const std::uint64_t bytes = apparentBytes(target);

    const ProgramRun run = runProgram({ "--prune", "--dry-run" });
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[0], before[0] + "\tcomplete\tkeep (newest complete)");
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(lines[i], old[3 - i] + "\tcomplete\tremove");
    EXPECT_TRUE(lines[4].starts_with("Removing 3 runs frees ")) << lines[4];
    EXPECT_EQ(listedDates(), before);
    EXPECT_EQ(apparentBytes(target), bytes);
    EXPECT_TRUE(fs::exists(m_home / "state/Quorvel Backup/keep-preview-seen"));
}

TEST_F(PruneCommand, ExitStatusesSayDoneCouldNotStartOrARunCouldNotBeRemoved)
{
    // Could not start: no backup target, the backup disk not there, another run busy.
    saveSettings(m_data / "nowhere", restored);
    EXPECT_EQ(runProgram({ "--prune" }).status, 2);
    saveSettings(target, restored);
    const std::vector<std::string> old = makeOldRuns();
    backUpNow();
    {
        const platform::RunLock busy(RunLockFile(programFolder()));
        ASSERT_TRUE(busy.held());
        const ProgramRun run = runProgram({ "--prune" });
        EXPECT_EQ(run.status, 2) << run.out;
        EXPECT_TRUE(holds(run.err, "Another backup or restore is running")) << run.err;
        EXPECT_EQ(listedDates().size(), 4u);
    }
    fs::rename(target + "/" + kStoreIdentityFile, m_data / "identity-aside");
    EXPECT_EQ(runProgram({ "--prune" }).status, 2);
    EXPECT_EQ(listedDates().size(), 4u);
    fs::rename(m_data / "identity-aside", target + "/" + kStoreIdentityFile);

    // A file that no one may remove keeps its run from going: status 1, and
    // the others go all the same.
    const std::string stuck = runFolder(old[1]) + "/stuck";
    writeText(stuck, "held");
    ASSERT_EQ(std::system(("chattr +i '" + stuck + "'").c_str()), 0);
    const ProgramRun failed = runProgram({ "--prune" });
    EXPECT_EQ(
        std::system(("chattr -i '" + target + "/" + kRemovalPrefix + EncodePath(old[1]) + "/stuck'").c_str()),
        0);
    EXPECT_EQ(failed.status, 1) << failed.out;
    EXPECT_TRUE(holds(failed.out, "2 runs removed")) << failed.out;
    EXPECT_TRUE(holds(failed.out, "1 could not be removed")) << failed.out;
    EXPECT_EQ(listedDates().size(), 1u);

    // Done: the next clean-up finishes the one left.
    const ProgramRun done = runProgram({ "--prune" });
    EXPECT_EQ(done.status, 0) << done.out;
    EXPECT_TRUE(holds(done.out, "its removal was cut short")) << done.out;
    EXPECT_EQ(
        allNames(target), (std::vector<std::string>{ kStoreIdentityFile, EncodePath(listedDates()[0]) }));
}

TEST_F(PruneCommand, ACleanUpCutShortLeavesNoRunThatLooksLikeOneAndTheNextFinishesIt)
{
    const std::vector<std::string> old = makeOldRuns(true);
    backUpNow();
    const std::string now = listedDates()[0];

    // Cut short right after the first run got its hidden name, as a kill
    // there would. A run that did not end complete goes first, though it
    // is the newest of those that go.
    const auto previous
        = PruneRun::setRenameObserver([](const std::string&) { throw std::runtime_error("cut"); });
    PruneRun cut(target, programFolder(), KeepRules{});
    EXPECT_THROW(cut.run(platform::clock().localNow(), [](const std::string&) {}), std::runtime_error);
    PruneRun::setRenameObserver(previous);
    EXPECT_TRUE(fs::is_directory(target + "/" + kRemovalPrefix + EncodePath(old[3])));

    // The run half gone is no run: --list does not show it.
    EXPECT_EQ(listedDates(), (std::vector<std::string>{ now, old[2], old[1], old[0] }));
    const ProgramRun preview = runProgram({ "--prune", "--dry-run" });
    ASSERT_EQ(preview.status, 0);
    const std::vector<std::string> lines = linesOf(preview.out);
    ASSERT_EQ(lines.size(), 6u) << preview.out;
    EXPECT_EQ(lines[4], old[3] + "\tincomplete\tremove (cut short)");
    const std::string total = lines.back();
    EXPECT_TRUE(total.starts_with("Removing 3 runs and finishing 1 removal cut short frees ")) << total;
    const std::uint64_t predicted = std::stoull(total.substr(total.rfind("frees ") + 6));

    const std::uint64_t beforeSecond = apparentBytes(target);
    const ProgramRun second = runProgram({ "--prune" });
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(beforeSecond - apparentBytes(target), predicted);
    EXPECT_EQ(listedDates(), std::vector<std::string>{ now });
    EXPECT_EQ(allNames(target), (std::vector<std::string>{ kStoreIdentityFile, EncodePath(now) }));
}

TEST_F(PruneCommand, ACleanUpKilledWhileDeletingARunIsFinishedByTheNext)
{
    const std::vector<std::string> old = makeOldRuns();
    backUpNow();
    const std::string now = listedDates()[0];
    // The oldest run goes first; with many files its deletion takes long
    // enough to be killed in the middle of it.
    for (int i = 0; i < 5000; ++i)
        writeText(runFolder(old[0]) + "/filler-" + std::to_string(i), "x");
    const std::string hidden = target + "/" + kRemovalPrefix + EncodePath(old[0]);

    QProcess process;
    start(process, { "--prune" });
    bool seen = false;
    while (!seen && process.state() == QProcess::Running)
        seen = fs::exists(hidden);
    ASSERT_TRUE(seen) << "the clean-up ended before its first run was renamed";
    process.kill(); // SIGKILL: nothing of the program runs after it
    process.waitForFinished(60000);
    ASSERT_EQ(process.exitStatus(), QProcess::CrashExit);
    ASSERT_TRUE(fs::is_directory(hidden)) << "killed too late";

    EXPECT_EQ(listedDates(), (std::vector<std::string>{ now, old[2], old[1] }));
    const ProgramRun preview = runProgram({ "--prune", "--dry-run" });
    const std::string total = linesOf(preview.out).back();
    const std::uint64_t predicted = std::stoull(total.substr(total.rfind("frees ") + 6));
    const std::uint64_t before = apparentBytes(target);
    const ProgramRun second = runProgram({ "--prune" });
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(before - apparentBytes(target), predicted);
    EXPECT_EQ(allNames(target), (std::vector<std::string>{ kStoreIdentityFile, EncodePath(now) }));
}

TEST_F(PruneCommand, TheKeepRulesAndTheCleanUpAfterScheduledBackupsAreTheSettingsOnes)
{
    const std::vector<std::string> old = makeOldRuns();
    const auto keep = [this](const char* key, const char* value) {
        platform::SettingsFile file(m_home / "config/Quorvel Backup/settings.ini");
        file.writeValue("Keep", key, value);
        ASSERT_TRUE(file.save());
    };
    // Forty months reach back to 2023; a count that is no count is the default.
    keep("Monthly", "40");
    keep("Days", "a week");
    ProgramRun run = runProgram({ "--prune", "--dry-run" });
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], old[2] + "\tcomplete\tkeep (newest complete)");
    EXPECT_EQ(lines[1], old[1] + "\tcomplete\tkeep (monthly)");
    EXPECT_EQ(lines[2], old[0] + "\tcomplete\tkeep (monthly)");
    EXPECT_EQ(lines[3], "No run to remove.");

    // Turned off, a scheduled backup leaves every run, preview seen or not.
    keep("Monthly", "24");
    keep("AfterBackup", "0");
    run = runProgram({ "--backup" }, { { "QUORVEL_SCHEDULED", "1" }, { "QUORVEL_CHECK_SECONDS", "1" } });
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(listedDates().size(), 4u);
    EXPECT_FALSE(holds(run.out, "runs removed")) << run.out;
}

TEST_F(PruneCommand, AScheduledBackupCleansUpOnlyOnceAPreviewWasSeen)
{
    const std::vector<std::string> old = makeOldRuns();
    const std::map<std::string, std::string> scheduled{ { "QUORVEL_SCHEDULED", "1" },
        { "QUORVEL_CHECK_SECONDS", "1" } };
    ProgramRun run = runProgram({ "--backup" }, scheduled);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(listedDates().size(), 4u);

    ASSERT_EQ(runProgram({ "--prune", "--dry-run" }).status, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // a run folder of its own
    run = runProgram({ "--backup" }, scheduled);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(holds(run.out, "3 runs removed")) << run.out;
    EXPECT_EQ(listedDates().size(), 2u);
}

} // namespace
} // namespace testsupport
