// Run by install-and-run.sh as an ordinary user, against an installed,
// read-only program folder: the job files must go to the user's own folder,
// and a whole backup and restore must work from there.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "app/StartUp.h"
#include "backup/windows/frmBackup.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <sys/stat.h>

namespace testsupport {
namespace {

std::string installedProgramFolder()
{
    const char* folder = std::getenv("QUORVEL_INSTALLED_PROGRAM_DIR");
    return folder ? folder : "";
}

class InstalledProgram : public RestoreFixture {
protected:
    void SetUp() override
    {
        programFolder = installedProgramFolder();
        if (programFolder.empty())
            GTEST_SKIP() << "run through install-and-run.sh";
        appFolder = chooseAppFolder(programFolder);
    }

    std::string programFolder;
    std::string appFolder;
    testsupport::TestClock clock;
};

TEST_F(InstalledProgram, JobFilesGoToThePrivateUserFolder)
{
    ASSERT_FALSE(platform::folderWritable(programFolder));
    ASSERT_FALSE(appFolder.empty());
    EXPECT_EQ(appFolder.find(ShortPath(programFolder)), std::string::npos) << appFolder;
    EXPECT_NE(appFolder.find("/.local/state/Quorvel Backup"), std::string::npos) << appFolder;
    struct stat st { };
    ASSERT_EQ(::stat(appFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
    // The archiver is reached through the link beside the installed program.
    EXPECT_EQ(ShortPath(appFolder + "/7z"), ShortPath(programFolder + "/7z"));
}

TEST_F(InstalledProgram, BacksUpAndRestoresAsAnOrdinaryUser)
{
    const std::string sources = dir / "sources";
    const std::vector<std::string> folders = makeSampleTree(sources);
    const std::map<std::string, std::string> expected = filesOfTree(sources);

    fields.from.clear();
    for (const std::string& folder : folders)
        fields.from.push_back(AddBackslash(folder));
    {
        frmBackup backup(fields, appFolder);
        ASSERT_TRUE(runToEnd(backup, 240000));
        QTest::mouseClick(backup.cmdDone(), Qt::LeftButton);
    }
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_FALSE(platform::fileExists(appFolder + "/temp.bat"));
    EXPECT_TRUE(platform::fileExists(appFolder + "/wait.tmp"));

    const std::vector<std::string> log = restore(platform::formatDateText(clock.localNow()));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "End:     Copy Folders and uncompress...");
    EXPECT_TRUE(log.back().starts_with("Summary: ")) << log.back();
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    expectRestoredExactly(fields.unBackupTo, expected);
}

} // namespace
} // namespace testsupport
