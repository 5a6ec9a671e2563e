#include "store/JobRunner.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

using namespace std::chrono_literals;
using testsupport::makeDirs;
using testsupport::readText;
using testsupport::ScopedAppFolder;
using testsupport::TempDir;
using testsupport::TestClock;
using testsupport::writeText;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Calls a check every few milliseconds while a job is waited for (the runner
// lets events run between its looks at the markers).
class Every {
public:
    explicit Every(std::function<void()> tick)
    {
        QObject::connect(&m_timer, &QTimer::timeout, std::move(tick));
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};

// Ends a job that would otherwise never end, by making its finish marker, and
// remembers that it had to.
class Watchdog {
public:
    Watchdog(const std::string& appFolder, std::chrono::milliseconds after)
    {
        QTimer::singleShot(after, &m_context, [this, appFolder] {
            fired = true;
            writeText(AddBackslash(appFolder) + "wait.tmp", "");
        });
    }
    bool fired = false;

private:
    QObject m_context;
};

} // namespace

TEST(BatchFile, HoldsTheFivePiecesExactly)
{
    ScopedAppFolder app;
    const std::string a = AddBackslash(app.path());
    TempDir work;
    const std::string command = "echo hi > made.txt";
    ASSERT_EQ(RunBatchJob(app.path(), { work.path(), command }), JobOutcome::Finished);

    const std::string first = "echo asd > " + a + "wait2.tmp";
    const std::string last = "echo asd > " + a + "wait.tmp";
    const std::string bytes = readText(a + "temp.bat");
    EXPECT_EQ(bytes, first + "\r\n" + command + "\r\n" + last);
    EXPECT_EQ(bytes.size(), first.size() + 2 + command.size() + 2 + last.size());
    EXPECT_EQ(bytes, BatchFileBytes(app.path(), command));
    EXPECT_EQ(readText(work / "made.txt"), "hi\n");
    // Job files are the user's alone.
    EXPECT_EQ(std::filesystem::status(a + "temp.bat").permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(BatchFile, QuotesAnApplicationFolderThatNeedsIt)
{
    TempDir root;
    const std::string app = root / "app dir \"q\" $HOME";
    makeDirs(app);
    TempDir work;
    const std::string command = "echo hi > made.txt";
    ASSERT_EQ(RunBatchJob(app, { work.path(), command }), JobOutcome::Finished);

    const std::string first = "echo asd > '" + app + "/wait2.tmp'";
    const std::string last = "echo asd > '" + app + "/wait.tmp'";
    const std::string bytes = readText(app + "/temp.bat");
    EXPECT_EQ(bytes, first + "\r\n" + command + "\r\n" + last);
    EXPECT_EQ(bytes.size(), first.size() + 2 + command.size() + 2 + last.size());
    EXPECT_TRUE(platform::fileExists(app + "/wait2.tmp"));
    EXPECT_TRUE(platform::fileExists(app + "/wait.tmp"));
    EXPECT_EQ(readText(work / "made.txt"), "hi\n");

    // A single quote in the folder works as well.
    const std::string other = root / "it's";
    makeDirs(other);
    EXPECT_EQ(RunBatchJob(other, { work.path(), "echo again > again.txt" }), JobOutcome::Finished);
    EXPECT_EQ(readText(work / "again.txt"), "again\n");
}

TEST(BatchFile, RefusesWhatWouldBreakTheLines)
{
    ScopedAppFolder app;
    TempDir work;
    for (const std::string& command :
        { std::string("true\rtouch x"), std::string("true\ntouch x"), std::string("true\0touch x", 13) }) {
        EXPECT_THROW(RunBatchJob(app.path(), { work.path(), command }), RunError);
        EXPECT_FALSE(platform::fileExists(app.path() + "/temp.bat"));
    }
    EXPECT_THROW(RunBatchJob(app.path(), { "", "true" }), RunError);
}

TEST(BatchFile, UnwritableBatchFileEndsTheRunNamingThePath)
{
    TempDir root;
    const std::string missing = root / "no such folder";
    try {
        RunBatchJob(missing, { root.path(), "true" });
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_NE(std::string(error.what()).find(missing + "/temp.bat"), std::string::npos) << error.what();
    }
}

TEST(BatchFile, OldJobFilesGoFirstAndTheBatchFileAtTheEnd)
{
    ScopedAppFolder app;
    const std::string a = AddBackslash(app.path());
    TempDir work;
    writeText(a + "output.txt", "old");
    ASSERT_EQ(RunBatchJob(app.path(), { work.path(), "true", false }), JobOutcome::Finished);
    EXPECT_TRUE(platform::fileExists(a + "output.txt"));
    ASSERT_EQ(RunBatchJob(app.path(), { work.path(), "true", true }), JobOutcome::Finished);
    // The old output is gone; what is there is the new job's own, empty
    // when the job writes nothing into it.
    EXPECT_EQ(readText(a + "output.txt"), "");
    // Nothing of the old report stays behind, under any name; nor does one
    // that a run ended midway left aside.
    writeText(a + ".output.txt.old", "left by a killed run");
    ASSERT_EQ(RunBatchJob(app.path(), { work.path(), "echo new > \"" + a + "output.txt\"", true }),
        JobOutcome::Finished);
    EXPECT_EQ(readText(a + "output.txt"), "new\n");
    for (const auto& entry : std::filesystem::directory_iterator(app.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".output")) << entry.path();

    EXPECT_TRUE(platform::fileExists(a + "temp.bat"));
    DeleteBatchFile(app.path());
    EXPECT_FALSE(platform::fileExists(a + "temp.bat"));
    DeleteBatchFile(app.path()); // nothing left to delete: no error
}

TEST(JobRunner, LeftoverFinishMarkerCannotEndANewJob)
{
    ScopedAppFolder app;
    TempDir work;
    writeText(app.path() + "/wait.tmp", "asd");
    writeText(app.path() + "/wait2.tmp", "asd");
    ASSERT_EQ(
        RunBatchJob(app.path(), { work.path(), "sleep 0.3; echo done > done.txt" }), JobOutcome::Finished);
    EXPECT_TRUE(platform::fileExists(work / "done.txt"));
}

TEST(JobRunner, NeverStartedJobGivesUpAfterThreeSeconds)
{
    ScopedAppFolder app;
    TempDir work;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunBatchJob(app.path(), { work / "does not exist", "true" }), JobOutcome::NotStarted);
    const double took = secondsSince(start);
    EXPECT_GE(took, 2.5);
    EXPECT_LE(took, 3.5);
}

TEST(JobRunner, DeadlineFollowsTheProgramClock)
{
    ScopedAppFolder app;
    TempDir work;
    TestClock clock;
    QTimer::singleShot(50, [&] { clock.advance(3001ms); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunBatchJob(app.path(), { work / "does not exist", "true" }), JobOutcome::NotStarted);
    EXPECT_LT(secondsSince(start), 1.5);
}

TEST(JobRunner, LateStartMarkerBeforeTheLookPastTheDeadlineGoesOn)
{
    ScopedAppFolder app;
    const std::string a = AddBackslash(app.path());
    TempDir work;
    TestClock clock;
    // The job itself cannot start here; the test plays a shell that starts
    // late: the start marker appears just as the deadline passes.
    QTimer::singleShot(50, [&] {
        clock.advance(3500ms);
        writeText(a + "wait2.tmp", "asd");
    });
    QTimer::singleShot(400, [&] { writeText(a + "wait.tmp", "asd"); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunBatchJob(app.path(), { work / "does not exist", "true" }), JobOutcome::Finished);
    EXPECT_GE(secondsSince(start), 0.35);
}

TEST(JobRunner, StartedJobIsWaitedForWithoutLimit)
{
    ScopedAppFolder app;
    TempDir work;
    TestClock clock;
    bool advanced = false;
    // As soon as the job has started, an hour passes on the program's clock.
    Every tick([&] {
        if (!advanced && platform::fileExists(app.path() + "/wait2.tmp")) {
            clock.advance(std::chrono::hours(1));
            advanced = true;
        }
    });
    EXPECT_EQ(
        RunBatchJob(app.path(), { work.path(), "sleep 0.5; echo done > done.txt" }), JobOutcome::Finished);
    EXPECT_TRUE(advanced);
    EXPECT_TRUE(platform::fileExists(work / "done.txt"));
}

TEST(JobRunner, JobRunningLongerThanTheStartTimeoutIsWaitedFor)
{
    ScopedAppFolder app;
    TempDir work;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        RunBatchJob(app.path(), { work.path(), "sleep 4; echo done > done.txt" }), JobOutcome::Finished);
    EXPECT_GE(secondsSince(start), 4.0);
    EXPECT_TRUE(platform::fileExists(work / "done.txt"));
}

TEST(JobRunner, CommandReadingInputCannotSwallowTheFinishLine)
{
    ScopedAppFolder app;
    TempDir work;
    Watchdog watchdog(app.path(), 10s);
    EXPECT_EQ(RunBatchJob(app.path(), { work.path(), "cat > got.txt" }), JobOutcome::Finished);
    EXPECT_FALSE(watchdog.fired);
    EXPECT_EQ(readText(work / "got.txt"), "");
}
