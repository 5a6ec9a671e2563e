// The folders a run left out, each with the newest run that holds it whole:
// runs written as a backup writes them, with their journals and archives.
#include "restore/FailedFolders.h"

#include "store/RunJournal.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace testsupport {
namespace {

class FailedFolders : public ::testing::Test {
protected:
    // A run folder whose journal starts at `second` (a later second is a
    // newer run) and holds `held` with their archives, and fails `failed`.
    std::string run(int second, const std::vector<std::string>& held, const std::vector<std::string>& failed)
    {
        const std::string folder = makeRunFolder(target.path(), dateText(2026, 11, 1, 10, 0, second));
        RunJournalWriter journal(folder);
        EXPECT_TRUE(journal.begin(1'790'000'000'000'000'000 + second * 1'000'000'000LL, "-t7z", "m"));
        for (const std::string& path : held) {
            writeText(folder + archiveOf(path), "7z");
            EXPECT_TRUE(journal.held(archiveOf(path), path));
        }
        for (const std::string& path : failed)
            EXPECT_TRUE(journal.failed(path, "", "7z not completed..."));
        EXPECT_TRUE(journal.end(static_cast<int>(failed.size())));
        return folder;
    }

    static std::string archiveOf(const std::string& path) { return "_P-2F" + path.substr(1, 1) + ".7z"; }

    TempDir target;
};

TEST_F(FailedFolders, EachIsNamedWithTheNewestRunThatHoldsItWhole)
{
    run(1, { "/x/", "/y/" }, {}); // holds both whole: the oldest
    const std::string archiveGone = run(2, { "/x/" }, {});
    std::remove((archiveGone + archiveOf("/x/")).c_str());
    const std::string partlyHeld = run(3, { "/x/" }, { "/x/" }); // an archive without some of its files
    const std::string restored = run(4, { "/z/" }, { "/x/", "/y/", "/w/" });
    run(5, { "/y/" }, {}); // newer than the run restored

    const auto folders = FailedFoldersOf(restored, ListRuns(target.path()));
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(NotInThisBackupLine(folders[0]),
        "Not in this backup: /x/ (held whole by the backup of " + dateText(2026, 11, 1, 10, 0, 1) + ")");
    EXPECT_EQ(NotInThisBackupLine(folders[1]),
        "Not in this backup: /y/ (held whole by the backup of " + dateText(2026, 11, 1, 10, 0, 5) + ")");
    EXPECT_EQ(NotInThisBackupLine(folders[2]), "Not in this backup: /w/ (held by no backup)");

    // The run that holds a folder without some of its files says so of itself.
    const auto partly = FailedFoldersOf(partlyHeld, ListRuns(target.path()));
    ASSERT_EQ(partly.size(), 1u);
    EXPECT_EQ(NotInThisBackupLine(partly[0]),
        "Not whole in this backup: /x/ (held whole by the backup of " + dateText(2026, 11, 1, 10, 0, 1)
            + ")");
}

} // namespace
} // namespace testsupport
