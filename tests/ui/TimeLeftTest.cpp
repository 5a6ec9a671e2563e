// The estimate of the time a run has left, fed the progress reports of runs
// whose folders take known times.
#include "ui/TimeLeft.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// One folder of a run: its bytes and how long it takes.
struct Folder {
    std::uint64_t bytes;
    std::int64_t ms;
};

// Feeds `estimate` the reports of a run that does the first `done` of
// `folders` one by one from time 0; returns the time of the last report.
std::int64_t runFirst(TimeLeft& estimate, const std::vector<Folder>& folders, std::size_t done)
{
    RunProgress progress;
    progress.foldersTotal = folders.size();
    for (const Folder& folder : folders)
        progress.bytesTotal += folder.bytes;
    std::int64_t now = 0;
    estimate.begin(progress, now);
    for (std::size_t i = 0; i < done; ++i) {
        now += folders[i].ms;
        ++progress.foldersDone;
        progress.bytesDone += folders[i].bytes;
        estimate.update(progress, now);
    }
    return now;
}

std::int64_t truthLeft(const std::vector<Folder>& folders, std::size_t done)
{
    std::int64_t left = 0;
    for (std::size_t i = done; i < folders.size(); ++i)
        left += folders[i].ms;
    return left;
}

// Folders that cost 200 ms each, however small, plus 10 ms per megabyte.
Folder costed(std::uint64_t megabytes)
{
    return { megabytes << 20, 200 + 10 * static_cast<std::int64_t>(megabytes) };
}

TEST(TimeLeft, ManyEmptyFoldersAreEstimatedByTheirPace)
{
    std::vector<Folder> folders(1000, Folder{ 0, 40 });
    TimeLeft estimate;
    const std::int64_t now = runFirst(estimate, folders, 100);
    ASSERT_TRUE(estimate.left(now));
    EXPECT_EQ(*estimate.left(now), truthLeft(folders, 100));
}

TEST(TimeLeft, LargeFoldersAfterSmallOnesTakeTheTimeTheirBytesNeed)
{
    // Small folders of varying sizes first, then ten of a gigabyte each: a
    // pace by folders would promise two seconds, one by bytes alone would
    // leave out the fixed part of each folder.
    std::vector<Folder> folders;
    for (int i = 0; i < 50; ++i)
        folders.push_back(costed(static_cast<std::uint64_t>(i % 7)));
    for (int i = 0; i < 10; ++i)
        folders.push_back(costed(1024));
    TimeLeft estimate;
    const std::int64_t now = runFirst(estimate, folders, 50);
    ASSERT_TRUE(estimate.left(now));
    const std::int64_t truth = truthLeft(folders, 50);
    EXPECT_NEAR(static_cast<double>(*estimate.left(now)), static_cast<double>(truth), truth * 0.02);
}

TEST(TimeLeft, FoldersOfOneSizeSplitTheirTimeBetweenFolderAndBytes)
{
    // Nothing tells the fixed part from the part per byte: half of the
    // 1,000 ms each is taken for each, so the two folders left of twice the
    // size take 1,500 ms each.
    std::vector<Folder> folders(4, Folder{ 1000, 1000 });
    folders.push_back({ 2000, 0 });
    folders.push_back({ 2000, 0 });
    TimeLeft estimate;
    const std::int64_t now = runFirst(estimate, folders, 4);
    ASSERT_TRUE(estimate.left(now));
    EXPECT_EQ(*estimate.left(now), 3000);
}

TEST(TimeLeft, SaysNothingUntilEnoughIsDoneAndNothingOnceAllIsDone)
{
    const std::vector<Folder> folders(10, Folder{ 100, 1000 });
    TimeLeft estimate;
    EXPECT_FALSE(estimate.left(0));
    std::int64_t now = runFirst(estimate, folders, 0);
    EXPECT_FALSE(estimate.left(now));
    now = runFirst(estimate, folders, TimeLeft::kEnoughFolders - 1);
    EXPECT_FALSE(estimate.left(now));
    now = runFirst(estimate, folders, TimeLeft::kEnoughFolders);
    EXPECT_TRUE(estimate.left(now));
    now = runFirst(estimate, folders, folders.size());
    EXPECT_FALSE(estimate.left(now));

    // One slow folder is enough once it took long.
    const std::vector<Folder> slow(3, Folder{ 100, TimeLeft::kEnoughMs });
    now = runFirst(estimate, slow, 1);
    ASSERT_TRUE(estimate.left(now));
    EXPECT_EQ(*estimate.left(now), 2 * TimeLeft::kEnoughMs);
}

TEST(TimeLeft, CountsDownBetweenReportsAndGivesUpWhenAFolderOutlastsIt)
{
    const std::vector<Folder> folders(5, Folder{ 0, 1000 });
    TimeLeft estimate;
    const std::int64_t now = runFirst(estimate, folders, 3);
    EXPECT_EQ(estimate.left(now), 2000);
    EXPECT_EQ(estimate.left(now + 500), 1500);
    EXPECT_FALSE(estimate.left(now + 2000));
}

TEST(TimeLeft, FoldersTakenOverWithoutWorkSpeedUpTheRest)
{
    // Every other folder is taken over from the previous run in no time:
    // the rest, in the same mix, takes half the time per folder.
    std::vector<Folder> folders;
    for (int i = 0; i < 40; ++i)
        folders.push_back({ 1 << 20, i % 2 ? 0 : 1000 });
    TimeLeft estimate;
    const std::int64_t now = runFirst(estimate, folders, 20);
    ASSERT_TRUE(estimate.left(now));
    EXPECT_EQ(*estimate.left(now), truthLeft(folders, 20));
}

TEST(TimeLeft, AReportThatGoesBackBeginsAgain)
{
    const std::vector<Folder> folders(10, Folder{ 0, 1000 });
    TimeLeft estimate;
    std::int64_t now = runFirst(estimate, folders, 5);
    ASSERT_TRUE(estimate.left(now));
    RunProgress again;
    again.foldersTotal = 3;
    estimate.update(again, now);
    EXPECT_FALSE(estimate.left(now));
}

} // namespace
