// Run by install-and-run.sh as an ordinary user, against an installed,
// read-only program folder: the job files must go to the user's own folder,
// and a whole backup and restore must work from there.
#include "tests/restore/RestoreTestSupport.h"

#include "app/StartUp.h"
#include "backup/frmBackup.h"
#include "pathutil/Module1.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <sys/stat.h>

namespace restoretest {
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
        AppFolder = chooseAppFolder(programFolder);
    }

    std::string programFolder;
    testsupport::TestClock clock;
};

TEST_F(InstalledProgram, JobFilesGoToThePrivateUserFolder)
{
    ASSERT_FALSE(platform::folderWritable(programFolder));
    ASSERT_FALSE(AppFolder.empty());
    EXPECT_EQ(AppFolder.find(ShortPath(programFolder)), std::string::npos) << AppFolder;
    EXPECT_NE(AppFolder.find("/.local/state/Quorvel Backup"), std::string::npos) << AppFolder;
    struct stat st {};
    ASSERT_EQ(::stat(AppFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
    // The archiver is reached through the link beside the installed program.
    EXPECT_EQ(ShortPath(AppFolder + "/7z"), ShortPath(programFolder + "/7z"));
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
        frmBackup backup(fields);
        ASSERT_TRUE(runToEnd(backup, 240000));
        QTest::mouseClick(backup.cmdDone(), Qt::LeftButton);
    }
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_FALSE(platform::fileExists(AppFolder + "/temp.bat"));
    EXPECT_TRUE(platform::fileExists(AppFolder + "/wait.tmp"));

    const std::vector<std::string> log = restore(platform::formatDateText(clock.localNow()));
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    expectRestoredExactly(fields.unBackupTo, expected);
}

} // namespace
} // namespace restoretest
