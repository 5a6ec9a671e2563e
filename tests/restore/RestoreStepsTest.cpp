// Finding dates and archives in a backup store, and where an archive's files
// go under the restore target, on real folders.
#include "restore/RestoreSteps.h"
#include "store/FileCount.h"
#include "store/StoreLayout.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/JobRunner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testsupport::dateText;
using testsupport::makeDirs;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

class RestoreSteps : public ::testing::Test {
protected:
    testsupport::ScopedLocale locale{ "C.UTF-8" };
    TempDir dir;
};

TEST_F(RestoreSteps, DatesAreTheDecodedRunFoldersAndFilesNewestFirst)
{
    ASSERT_TRUE(locale.ok());
    const std::string first = dateText(2026, 12, 5, 21, 6, 11);
    const std::string second = dateText(2026, 12, 6, 8, 0, 0);
    const std::string third = dateText(2026, 12, 7, 0, 0, 0); // midnight: the date alone
    ASSERT_EQ(third.find(' '), std::string::npos);
    for (const std::string& date : { second, third, first })
        makeDirs(dir / EncodePath(date));
    makeDirs(dir / "Documents");
    makeDirs(dir / ("." + EncodePath(dateText(2026, 12, 8, 1, 2, 3)))); // hidden: not a run
    const std::string asFile = dateText(2026, 12, 9, 10, 11, 12);
    writeText(dir / EncodePath(asFile), "not a folder, still listed");
    writeText(dir / "notes.txt", "x");

    const std::vector<std::string> expected{ asFile, third, second, first }; // newest first
    EXPECT_EQ(FindDateTexts(dir.path()), expected);
    EXPECT_EQ(FindDateTexts(dir.path() + "/"), expected);
}

TEST_F(RestoreSteps, TwoNamesOfTheSameDateAreBothListed)
{
    const std::string date = dateText(2026, 12, 5, 21, 6, 11);
    std::string lowerHex = EncodePath(date);
    for (std::size_t at = lowerHex.find("_P-3A"); at != std::string::npos; at = lowerHex.find("_P-3A", at))
        lowerHex.replace(at, 5, "_P-3a");
    ASSERT_NE(lowerHex, EncodePath(date));
    makeDirs(dir / EncodePath(date));
    makeDirs(dir / lowerHex);
    EXPECT_EQ(FindDateTexts(dir.path()), (std::vector<std::string>{ date, date }));
}

TEST_F(RestoreSteps, AnUnlistableBackupTargetEndsTheRun)
{
    EXPECT_THROW(FindDateTexts(dir / "gone"), RunError);
    EXPECT_TRUE(FindDateTexts(dir.path()).empty());
}

TEST_F(RestoreSteps, ArchivesAreThePlainFilesEndingInLowerCase7z)
{
    const std::string run = AddBackslash(dir / "run");
    makeDirs(run + "folder.7z");
    makeDirs(run + "sub");
    for (const char* name : { "_P-2Fb_P-2F.7z", "_P-2Fa_P-2F.7z", "_P-2Fc_P-2F.7z", "_P-2Fa_P-2F.7z.dat",
             "_P-2Fb_P-2F.7z.dat", "upper.7Z", "backup.7z.old", ".hidden.7z", "sub/inner.7z" })
        writeText(run + name, "x");
    ASSERT_TRUE(platform::createSymlink(run + "_P-2Fa_P-2F.7z", run + "linked.7z"));
    ASSERT_EQ(std::system(("mkfifo '" + run + "pipe.7z'").c_str()), 0);

    EXPECT_EQ(FindArchiveNames(run),
        (std::vector<std::string>{ "_P-2Fa_P-2F.7z", "_P-2Fb_P-2F.7z", "_P-2Fc_P-2F.7z", "linked.7z" }));
    EXPECT_TRUE(FindArchiveNames(dir / "no-such-run/").empty());
}

TEST_F(RestoreSteps, TheRunFolderIsFoundAgainFromTheDateText)
{
    const std::string date = dateText(2026, 12, 5, 21, 6, 11);
    EXPECT_EQ(AddBackslash(RunFolderPath("/b", date)), "/b/" + EncodePath(date) + "/");
    EXPECT_EQ(AddBackslash(RunFolderPath("/b/", date)), "/b/" + EncodePath(date) + "/");
}

struct PlaceCase {
    std::string archive;
    std::string display;
    std::string folder; // below the target "/r"
};

TEST_F(RestoreSteps, AnArchiveGoesToItsFolderBelowTheRestoreTarget)
{
    const std::vector<PlaceCase> cases{
        { EncodePath("/home/ann/Docs/") + ".7z", "/home/ann/Docs", "/r/home/ann/Docs/" },
        { EncodePath("/") + ".7z", "", "/r/" },
        { EncodePath("/mnt/c:/Old Files/") + ".7z", "/mnt/c:/Old Files", "/r/mnt/c:/Old Files/" },
        { EncodePath("/a//b/") + ".7z", "/a//b", "/r/a/b/" },
        { EncodePath("/x/Grüße $HOME/") + ".7z", "/x/Grüße $HOME", "/r/x/Grüße $HOME/" },
        { "rel_P-2Fdir_P-2F.7z", "rel/dir", "/r/rel/dir/" },
    };
    for (const PlaceCase& c : cases) {
        for (const std::string target : { "/r", "/r/" }) {
            ExtractionPlace place = PlanExtraction(target, c.archive);
            EXPECT_EQ(place.refusal, "") << c.archive;
            EXPECT_EQ(place.displayPath, c.display) << c.archive;
            EXPECT_EQ(place.restoreFolder, c.folder) << c.archive;
        }
    }
}

TEST_F(RestoreSteps, AnArchiveWhoseFolderWouldLeaveTheRestoreTargetIsRefused)
{
    const std::vector<std::string> refused{
        EncodePath("/../../etc/") + ".7z",
        EncodePath("/a/../../b/") + ".7z",
        EncodePath("/a/./b/") + ".7z",
        EncodePath("/a/../") + ".7z",
        EncodePath("..") + "_P-2F.7z",
        "_P-2Fa_P-00b_P-2F.7z", // NUL
        "_P-2Fa_P-0Ab_P-2F.7z", // LF
        "_P-2Fa_P-0Db_P-2F.7z", // CR
        "plain.7z", // no folder in it
        "_P-2Fa b_P-2F.7z", // not a name a backup writes
        "_P-2Fa_P-2F\ntouch pwned #.7z",
        "_P-2Fa_P-2F$(touch pwned).7z",
        "",
    };
    for (const std::string& name : refused) {
        ExtractionPlace place = PlanExtraction("/r", name);
        EXPECT_NE(place.refusal, "") << name;
    }
}

TEST_F(RestoreSteps, ALinkOrFileAmongTheLevelsBelowTheTargetIsFound)
{
    const std::string target = dir / "target";
    makeDirs(target + "/a/b");
    makeDirs(dir / "outside");
    ASSERT_TRUE(platform::createSymlink(dir / "outside", target + "/a/link"));
    writeText(target + "/a/file", "x");

    EXPECT_EQ(LinkedLevelBelow(target, target + "/a/b/"), std::nullopt);
    EXPECT_EQ(LinkedLevelBelow(target, target + "/a/new/deeper/"), std::nullopt);
    EXPECT_EQ(LinkedLevelBelow(target, target + "/"), std::nullopt);
    EXPECT_EQ(LinkedLevelBelow(target, target + "/a/link/"), target + "/a/link");
    EXPECT_EQ(LinkedLevelBelow(target, target + "/a/link/x/y/"), target + "/a/link");
    EXPECT_EQ(LinkedLevelBelow(target, target + "/a/file/x/"), target + "/a/file");
    EXPECT_NE(LinkedLevelBelow(target, dir / "outside/"), std::nullopt);
}

TEST_F(RestoreSteps, OnlyOrdinaryVisibleFilesAreCounted)
{
    makeDirs(dir / "sub");
    writeText(dir / "a", "1");
    writeText(dir / "b c", "2");
    writeText(dir / ".hidden", "3");
    ASSERT_TRUE(platform::createSymlink(dir / "sub", dir / "link-to-folder"));
    ASSERT_TRUE(platform::createSymlink(dir / "missing", dir / "dangling"));
    EXPECT_EQ(CountFolderFiles(dir.path()), 4);
    EXPECT_EQ(CountFolderFiles(dir / "sub"), 0);
    EXPECT_EQ(CountFolderFiles(dir / "gone"), 0);
}

} // namespace
