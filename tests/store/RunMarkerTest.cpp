// Whether a run folder tells a finished backup from one that stopped early.
#include "store/RunMarker.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using testsupport::TempDir;
using testsupport::writeText;

namespace {

TEST(RunMarker, AFolderWithoutTheMarkerIsComplete)
{
    TempDir run;
    const RunState state = ReadRunState(run.path());
    EXPECT_TRUE(state.complete);
    EXPECT_TRUE(state.plannedArchives.empty());
}

TEST(RunMarker, AMarkedRunIsIncompleteUntilMarkedComplete)
{
    TempDir run;
    ASSERT_TRUE(MarkRunIncomplete(run.path(), {}));
    EXPECT_FALSE(ReadRunState(run.path()).complete);
    EXPECT_TRUE(ReadRunState(run.path()).plannedArchives.empty());

    const std::vector<std::string> names{ "_P-2Fa_P-2F.7z", "_P-2Fa_P-2Fb_P-2F.7z" };
    ASSERT_TRUE(MarkRunIncomplete(run.path(), names));
    const RunState state = ReadRunState(run.path());
    EXPECT_FALSE(state.complete);
    EXPECT_EQ(state.plannedArchives, names);

    ASSERT_TRUE(MarkRunComplete(run.path()));
    EXPECT_TRUE(ReadRunState(run.path()).complete);
    // Nothing but the marker was ever there: the folder is as the run left it.
    EXPECT_TRUE(testsupport::allNames(run.path()).empty());
}

TEST(RunMarker, TheMarkerIsHiddenFromTheRestoreAndTheArchiver)
{
    TempDir run;
    ASSERT_TRUE(MarkRunIncomplete(run.path(), { "x.7z" }));
    EXPECT_EQ(std::string(kIncompleteMarker).front(), '.');
    EXPECT_EQ(testsupport::allNames(run.path()), std::vector<std::string>{ kIncompleteMarker });
}

TEST(RunMarker, AMarkerThatIsNoPlainFileStillMarksTheRunIncomplete)
{
    TempDir run;
    ASSERT_EQ(::mkfifo((run / kIncompleteMarker).c_str(), 0600), 0);
    // A FIFO would block a reader for good; it is only looked at, never read.
    const RunState state = ReadRunState(run.path());
    EXPECT_FALSE(state.complete);
    EXPECT_TRUE(state.plannedArchives.empty());
}

TEST(RunMarker, EmptyLinesAndAMissingLastLineEndAreRead)
{
    TempDir run;
    writeText(run / kIncompleteMarker, "a.7z\n\nb.7z");
    EXPECT_EQ(ReadRunState(run.path()).plannedArchives, (std::vector<std::string>{ "a.7z", "b.7z" }));
}

} // namespace
