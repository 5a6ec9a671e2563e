// Several batch jobs at once, each in a slot with job files of its own: the
// jobs end in any order, a stop ends them all, and a slot's archiver line
// keeps its progress out of its report.
#include "store/JobSlots.h"
#include "store/Archiver.h"
#include "store/ArchiverReport.h"
#include "store/JobFiles.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>

using testsupport::allNames;
using testsupport::makeDirs;
using testsupport::readText;
using testsupport::ScopedAppFolder;
using testsupport::TempDir;

namespace {

TEST(JobSlots, JobsOfDifferentLengthsEndInTheirOwnOrderEachInItsOwnFiles)
{
    ScopedAppFolder app;
    TempDir work;
    std::vector<int> order;
    {
        JobSlots jobSlots(app.path(), 3);
        jobSlots.start(0, { work.path(), "sleep 0.8; echo zero > zero.txt", true });
        jobSlots.start(1, { work.path(), "echo one > one.txt", true });
        jobSlots.start(2, { work.path(), "sleep 0.4; echo two > two.txt", true });
        EXPECT_EQ(jobSlots.running(), 3);
        EXPECT_FALSE(jobSlots.freeSlot());
        for (int i = 0; i < 3; ++i) {
            const JobSlots::Ended ended = jobSlots.waitForOne();
            EXPECT_EQ(ended.outcome, JobOutcome::Finished);
            order.push_back(ended.slot);
            EXPECT_TRUE(jobSlots.freeSlot());
        }
        // Each slot's batch file holds its own job, with its own markers.
        EXPECT_NE(readText(app.path() + "/temp.2.bat").find("two.txt"), std::string::npos);
        EXPECT_NE(readText(app.path() + "/temp.2.bat").find("wait.2.tmp"), std::string::npos);
        EXPECT_NE(readText(app.path() + "/temp.bat").find("zero.txt"), std::string::npos);
    }
    EXPECT_EQ(order, (std::vector<int>{ 1, 2, 0 }));
    EXPECT_EQ(allNames(work.path()), (std::vector<std::string>{ "one.txt", "two.txt", "zero.txt" }));
    // The other jobSlots' files go with the jobSlots; the first slot's stay as a
    // single job leaves them.
    EXPECT_EQ(allNames(app.path()),
        (std::vector<std::string>{ "7z", "output.txt", "temp.bat", "wait.tmp", "wait2.tmp" }));
}

TEST(JobSlots, AStopEndsEveryRunningJob)
{
    ScopedAppFolder app;
    TempDir work;
    JobSlots jobSlots(app.path(), 3);
    for (int slot = 0; slot < 3; ++slot)
        jobSlots.start(slot, { work.path(), "sleep 30; echo late > late" + std::to_string(slot), false });
    QTimer::singleShot(300, [] { StopRunningJob(); });
    const auto began = std::chrono::steady_clock::now();
    std::vector<int> ended;
    for (int i = 0; i < 3; ++i) {
        const JobSlots::Ended job = jobSlots.waitForOne();
        EXPECT_EQ(job.outcome, JobOutcome::Finished);
        ended.push_back(job.slot);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    std::sort(ended.begin(), ended.end());
    EXPECT_EQ(ended, (std::vector<int>{ 0, 1, 2 }));
    EXPECT_EQ(jobSlots.running(), 0);
    // A new job in a slot runs as usual after the stop.
    jobSlots.start(1, { work.path(), "echo again > again.txt", false });
    EXPECT_EQ(jobSlots.waitForOne().slot, 1);
    EXPECT_EQ(allNames(work.path()), std::vector<std::string>{ "again.txt" });
}

TEST(JobSlots, ASlotsArchiverKeepsItsProgressOutOfItsReport)
{
    ScopedAppFolder app;
    TempDir work;
    TempDir store;
    testsupport::writeRandomFile(work.path() + "/large.bin", 8);
    testsupport::writeText(work.path() + "/small.txt", "small");
    const std::string archive = store.path() + "/slot.7z";
    JobSlots jobSlots(app.path(), 2);
    const SlotLine line{ jobSlots.filePath(1, kOutputFile), jobSlots.filePath(1, kProgressFile),
        ThreadsPerJob(2) };
    const std::string command = CompressCommandLine(app.path(), archive, line);
    EXPECT_NE(command.find(" -mmt"), std::string::npos);
    jobSlots.start(1, { work.path(), command, true });
    std::optional<int> seen;
    const JobSlots::Ended ended = jobSlots.waitForOne([&] { seen = jobSlots.percentDone(1); });
    EXPECT_EQ(ended.slot, 1);
    EXPECT_TRUE(IsCompleteArchive(archive));
    const std::string report = readText(app.path() + "/output.1.txt");
    EXPECT_EQ(report.find('\b'), std::string::npos);
    EXPECT_TRUE(JudgeCompressionReport(report).made) << report;
    // The archiver writes its progress now and then, so its last word may
    // fall anywhere; what matters is that it is there and can be read.
    const std::optional<int> last = jobSlots.percentDone(1);
    ASSERT_TRUE(last) << readText(app.path() + "/progress.1.txt");
    EXPECT_LE(*last, 100);
    EXPECT_FALSE(platform::fileExists(app.path() + "/output.txt"));
    // Both name the user's files: they are the user's alone.
    for (const char* name : { "/output.1.txt", "/progress.1.txt" })
        EXPECT_EQ(testsupport::modeOf(app.path() + name), 0600u) << name;
}

TEST(JobSlots, TheProgressIsTheLastPercentageWritten)
{
    EXPECT_EQ(ProgressPercent(""), std::nullopt);
    EXPECT_EQ(ProgressPercent("  0M Scan \b\b\b\b\b\b\b\b\b\b          \b\b\b\b\b\b\b\b\b\b"), std::nullopt);
    EXPECT_EQ(ProgressPercent("  0%\b\b\b\b    \b\b\b\b  7% + big.bin\b\b\b\b\b\b\b\b\b\b\b\b\b\b"), 7);
    EXPECT_EQ(ProgressPercent(" 42% 3 + a 50%.txt\b\b\b"), 42);
    EXPECT_EQ(ProgressPercent(" 99%\b\b\b\b100%"), 100);
}

} // namespace
