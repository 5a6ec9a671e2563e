#include "platform/FolderWatch.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

double secondsToWait(platform::FolderWatch& watch, int timeoutMs)
{
    const auto start = std::chrono::steady_clock::now();
    watch.waitForChange(timeoutMs);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(FolderWatch, WakesOnAChangeMadeBeforeTheWait)
{
    testsupport::TempDir dir;
    platform::FolderWatch watch(dir.path());
    testsupport::writeText(dir / "marker", "x");
    EXPECT_LT(secondsToWait(watch, 5000), 1.0);
    // The change was taken; with nothing new the wait runs its time.
    EXPECT_GE(secondsToWait(watch, 50), 0.04);
}

TEST(FolderWatch, SecondWatchOfAFolderOutlivesTheFirst)
{
    testsupport::TempDir dir;
    platform::FolderWatch kept(dir.path());
    auto gone = std::make_unique<platform::FolderWatch>(dir.path());
    gone.reset();
    kept.waitForChange(0); // whatever the removal queued
    testsupport::writeText(dir / "marker", "x");
    EXPECT_LT(secondsToWait(kept, 5000), 1.0);
}

TEST(FolderWatch, MissingFolderSleepsTheFullTime)
{
    testsupport::TempDir dir;
    platform::FolderWatch watch(dir / "missing");
    EXPECT_GE(secondsToWait(watch, 50), 0.04);
}

TEST(FolderWatch, OnlyWhatAppearsEndsTheWait)
{
    testsupport::TempDir dir;
    testsupport::writeText(dir / "old", "x");
    platform::FolderWatch watch(dir.path());
    testsupport::writeText(dir / "old", "written again");
    testsupport::removeTree(dir / "old");
    EXPECT_GE(secondsToWait(watch, 50), 0.04);
    testsupport::writeText(dir / "new", "x");
    EXPECT_LT(secondsToWait(watch, 5000), 1.0);
}

TEST(FolderWatch, TheEndOfAnEarlierWatchDoesNotEndTheNextWait)
{
    testsupport::TempDir dir;
    std::make_unique<platform::FolderWatch>(dir.path()).reset();
    platform::FolderWatch watch(dir.path());
    EXPECT_GE(secondsToWait(watch, 50), 0.04);
}

TEST(FolderWatch, AWaitForOneNameSleepsThroughOthers)
{
    testsupport::TempDir dir;
    platform::FolderWatch watch(dir.path());
    testsupport::writeText(dir / "other", "x");
    testsupport::writeText(dir / "wanted2", "x");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(watch.waitFor("wanted", 50));
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.04);
    testsupport::writeText(dir / "wanted", "x");
    EXPECT_TRUE(watch.waitFor("wanted", 5000));
}

TEST(FolderWatch, WaitsForTwoNamesInTurn)
{
    // A job's start marker, then its finish marker: both already there by
    // the time of the first wait must not lose the second.
    testsupport::TempDir dir;
    platform::FolderWatch watch(dir.path());
    testsupport::writeText(dir / "started", "x");
    EXPECT_TRUE(watch.waitFor("started", 5000));
    testsupport::writeText(dir / "finished", "x");
    EXPECT_TRUE(watch.waitFor("finished", 5000));
}

TEST(FolderWatch, ANewWatchOfTheFolderSeesOnlyWhatAppearsAfterIt)
{
    // The folder stays watched between two watches of it; what appeared in
    // between must not end the next wait.
    testsupport::TempDir dir;
    std::make_unique<platform::FolderWatch>(dir.path()).reset();
    testsupport::writeText(dir / "marker", "x");
    platform::FolderWatch watch(dir.path());
    EXPECT_FALSE(watch.waitFor("marker", 50));
    testsupport::removeTree(dir / "marker");
    testsupport::writeText(dir / "marker", "again");
    EXPECT_TRUE(watch.waitFor("marker", 5000));
}

TEST(FolderWatch, WatchesMoveOnToAnotherFolder)
{
    testsupport::TempDir first;
    testsupport::TempDir second;
    std::make_unique<platform::FolderWatch>(first.path()).reset();
    platform::FolderWatch watch(second.path());
    testsupport::writeText(first / "x", "x"); // no longer watched
    EXPECT_GE(secondsToWait(watch, 50), 0.04);
    testsupport::writeText(second / "x", "x");
    EXPECT_LT(secondsToWait(watch, 5000), 1.0);
}
