// Two years of backups made with a set clock, daily, weekly and monthly,
// some failed or stopped, then one clean-up: exactly the runs the rules
// name remain, the bytes it said it would free are what `du` sees go, and
// every run that stays restores to what it backed up.
#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "platform/Clock.h"
#include "prune/PruneRun.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreRun.h"
#include "tests/support/FakeFields.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

namespace testsupport {
namespace {

enum class Made { Complete, Failed, Stopped };

// The answers a restore with no window needs: the run to bring back, and no
// look at the archiver's report.
class ChosenDate : public RestoreChoices {
public:
    explicit ChosenDate(std::string date)
        : m_date(std::move(date))
    {
    }
    std::string chooseDate(const std::vector<std::string>&, const std::vector<bool>&) override
    {
        return m_date;
    }
    void openTextFile(const std::string&) override { }

private:
    std::string m_date;
};

class QuietHost : public RunHost {
public:
    void log(const std::string& line) override { lines.push_back(line); }
    platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) override
    {
        return platform::showMessage(text, title, style);
    }
    std::vector<std::string> lines;
};

// The apparent size of everything below a folder, each file once however
// many names it has.
std::uint64_t apparentBytes(const std::string& folder)
{
    QProcess du;
    du.start("du", { "-s", "-B1", "--apparent-size", QString::fromStdString(folder) });
    EXPECT_TRUE(du.waitForFinished(60000));
    return std::stoull(du.readAllStandardOutput().split('\t').first().toStdString());
}

class PruneSimulation : public ::testing::Test {
protected:
    PruneSimulation()
    {
        fields.to = dir / "store";
        makeDirs(fields.to);
        makeDirs(docs);
        makeDirs(photos);
        writeText(photos + "/beach.jpg", std::string(40000, 'p'));
        writeText(docs + "/notes.txt", "first notes");
        // Older than the newest change a repeat backup trusts to have seen:
        // unchanged folders are taken over as second names of their archives.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }

    // One backup at a local time, and whether the rules are to keep it.
    void backUp(int year, int month, int day, int hour, bool kept, Made made = Made::Complete)
    {
        clock.setLocal(year, month, day, hour, 0, 0);
        fields.from = { docs + "/", photos + "/" };
        if (made == Made::Failed)
            fields.from.push_back(dir / "gone/");
        const QuietBackup backup
            = backUpWithoutWindow(fields, app.path(), [made](BackupRun& run, const std::string&) {
                  // Stopped once its run folder is there, as the user's stop would.
                  if (made == Made::Stopped && !run.RunFolder.empty())
                      run.requestStop();
              });
        ASSERT_FALSE(backup.runFolder.empty());
        runs.push_back(
            { platform::formatDateText(clock.localNow()), kept, made, filesOfTree(dir / "sources") });
    }

    void changeDocs(const std::string& text) { writeText(docs + "/notes.txt", text); }

    struct Run {
        std::string date;
        bool kept;
        Made made;
        std::map<std::string, std::string> files;
    };

    TempDir dir;
    ScopedAppFolder app;
    TestClock clock;
    ScriptedMessageBoxes boxes{ platform::MsgAnswer::No };
    FakeFields fields;
    const std::string docs = dir / "sources/docs";
    const std::string photos = dir / "sources/photos";
    std::vector<Run> runs;
};

TEST_F(PruneSimulation, TwoYearsOfRunsLeaveExactlyTheNamedRunsFreeThePredictedBytesAndEachRestores)
{
    // Today is Wednesday 2026-12-09. Every run of the last 3 days, the newest
    // of each of the 7 days before, of the 8 weeks before (from Monday
    // 2026-10-05) and of the 24 months before (from November 2024).
    const KeepRules rules{ 3, 7, 8, 24 };
    for (int month = 0; month < 25; ++month) {
        const int year = 2024 + (month + 8) / 12;
        const int monthOfYear = (month + 8) % 12 + 1;
        const bool inMonths = year > 2024 || monthOfYear >= 11;
        changeDocs("notes of " + std::to_string(year) + "-" + std::to_string(monthOfYear));
        backUp(year, monthOfYear, 3, 12, false);
        backUp(year, monthOfYear, 17, 12, inMonths);
    }
    backUp(2026, 10, 2, 12, true); // October's newest: the weeks begin on the 5th
    for (int week = 0; week < 8; ++week) {
        const int day = 6 + 7 * week; // Tuesdays from October 6
        const int month = day > 31 ? 11 : 10;
        const int dayOfMonth = day > 31 ? day - 31 : day;
        backUp(2026, month, dayOfMonth, 12, false);
        // A failed run reached its end: it stands for its week.
        backUp(2026, month, dayOfMonth + 3, 12, true, week == 2 ? Made::Failed : Made::Complete);
        if (week == 4)
            backUp(2026, month, dayOfMonth + 4, 12, false, Made::Stopped); // never a week's run
    }
    changeDocs("notes of the last days");
    for (int day = 30; day <= 36; ++day) {
        const int month = day > 30 ? 12 : 11;
        const int dayOfMonth = day > 30 ? day - 30 : day;
        const bool stoppedInTheEvening = dayOfMonth == 2 && month == 12;
        backUp(2026, month, dayOfMonth, 8, stoppedInTheEvening);
        backUp(2026, month, dayOfMonth, 20, !stoppedInTheEvening,
            stoppedInTheEvening ? Made::Stopped : Made::Complete);
    }
    for (int day = 7; day <= 9; ++day)
        backUp(2026, 12, day, 12, true);
    backUp(2026, 12, 9, 19, true, Made::Stopped); // the last days keep every run

    clock.setLocal(2026, 12, 9, 20, 30, 0);
    const PrunePlan plan = PlanPrune(fields.to, rules, clock.localNow());
    ASSERT_EQ(plan.runs.size(), runs.size());
    std::map<std::string, bool> removedByPlan;
    for (const PlannedRun& run : plan.runs)
        removedByPlan[run.run.date] = run.removed();
    std::vector<std::string> stay;
    for (const Run& run : runs) {
        EXPECT_EQ(removedByPlan[run.date], !run.kept) << run.date;
        if (run.kept)
            stay.push_back(EncodePath(run.date));
    }
    std::sort(stay.begin(), stay.end());
    // Unchanged folders share one archive file between runs: counted run by
    // run, the removed runs hold more than their removal frees.
    std::uint64_t eachAlone = 0;
    for (const PlannedRun& run : plan.runs)
        if (run.removed())
            eachAlone += apparentBytes(run.run.folder);
    EXPECT_GT(eachAlone, plan.bytesFreed);

    const std::uint64_t before = apparentBytes(fields.to);
    PruneRun prune(fields.to, app.path(), rules);
    std::vector<std::string> log;
    ASSERT_TRUE(prune.run(clock.localNow(), [&log](const std::string& line) { log.push_back(line); }));
    EXPECT_TRUE(prune.failures().empty()) << prune.failures().front();
    EXPECT_EQ(prune.removed(), runs.size() - stay.size());
    EXPECT_EQ(prune.bytesFreed(), plan.bytesFreed);
    EXPECT_EQ(before - apparentBytes(fields.to), plan.bytesFreed);
    EXPECT_GT(plan.bytesFreed, 0u);
    EXPECT_EQ(runNames(fields.to), stay);
    for (const std::string& name : allNames(fields.to))
        EXPECT_FALSE(name.starts_with(kRemovalPrefix)) << name;

    for (const Run& run : runs) {
        if (!run.kept || run.made == Made::Stopped)
            continue;
        TempDir restored;
        FakeFields restore = fields;
        restore.unBackupTo = restored.path();
        boxes.queueAnswer(platform::MsgAnswer::Yes);
        ChosenDate chosen(run.date);
        QuietHost host;
        RestoreRun restoreRun(host, chosen, restore, app.path());
        restoreRun.run();
        expectRestoredExactly(restored.path(), run.files);
    }
}

} // namespace
} // namespace testsupport
