#include "backup/windows/frmBackup.h"

#include "pathutil/PathEncoding.h"
#include "platform/FileSystem.h"
#include "store/StoreLayout.h"
#include "tests/support/FakeFields.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using testsupport::allNames;
using testsupport::archiveEntries;
using testsupport::archivesBelow;
using testsupport::FakeFields;
using testsupport::makeDirs;
using testsupport::onlyRunFolder;
using testsupport::readText;
using testsupport::runFolderNames;
using testsupport::ScopedAppFolder;
using testsupport::ScriptedMessageBoxes;
using testsupport::ShownBox;
using testsupport::storedNames;
using testsupport::TempDir;
using testsupport::TestClock;
using testsupport::withoutRunReport;
using testsupport::writeText;

namespace fs = std::filesystem;

namespace {

// 21:06:11 on 5 December 2026 under the tests' C.UTF-8 regional settings.
const char kRunFolderName[] = "12_P-2F05_P-2F26_P-2021_P-3A06_P-3A11";

// What the window showed when its run was over.
struct Ending {
    bool finished = false;
    bool doneVisible = false;
    bool logEnabled = false;
    bool timerActive = true;
};

// Shows the window modally, as the main window does, and presses "Done" as
// soon as the run is over; a guard ends the display should the run hang.
Ending runModally(frmBackup& window)
{
    Ending ending;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (!window.runFinished() || ending.finished)
            return;
        ending.finished = true;
        ending.doneVisible = window.cmdDone()->isVisible();
        ending.logEnabled = window.lstBackup()->isEnabled();
        ending.timerActive = window.Timer1()->isActive();
        QTest::mouseClick(window.cmdDone(), Qt::LeftButton);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &window, [&window] {
        ADD_FAILURE() << "the backup window was still open after the time limit";
        window.hide();
    });
    poll.start();
    guard.start(240000);
    window.exec();
    EXPECT_FALSE(window.isVisible());
    return ending;
}

// The log a run writes for these sources and folders, newest line first.
std::vector<std::string> expectedLog(
    const std::vector<std::string>& sources, const std::vector<std::string>& folders)
{
    std::vector<std::string> log = { "Starting Backup...", "Start:   Finding Folders..." };
    for (const std::string& source : sources)
        log.push_back("Find in: " + source);
    log.push_back("End:     Finding Folders...");
    log.push_back("Start:   Copy Folders and compress...");
    for (const std::string& folder : folders) {
        log.push_back("Start:   Copy " + folder);
        log.push_back("End:     Copy " + folder);
    }
    log.push_back("End:     Copy Folders and compress...");
    std::reverse(log.begin(), log.end());
    return log;
}

// The names a folder's archive should hold: every entry that is not a folder,
// hidden ones included.
std::vector<std::string> ownFiles(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (!entry.is_directory())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The count a folder's count file should hold: entries that are not real
// folders, hidden ones left out.
std::string ownCount(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_symlink() || !entry.is_directory())
            count += entry.path().filename().string()[0] != '.';
    return std::to_string(count);
}

// Every archive and count file in the run folder, for these folders and no more.
void expectStored(const std::string& runFolder, const std::vector<std::string>& folders)
{
    EXPECT_EQ(runFolderNames(runFolder), storedNames(folders));

    for (const std::string& folder : folders) {
        const std::string archive = runFolder + "/" + ArchiveName(folder);
        std::vector<std::string> entries = archiveEntries(archive);
        // Whether the archiver stores a link to a folder is its own business.
        std::erase_if(entries, [&](const std::string& name) { return fs::is_symlink(folder + name); });
        std::vector<std::string> files = ownFiles(folder);
        std::erase_if(files, [&](const std::string& name) { return fs::is_symlink(folder + name); });
        EXPECT_EQ(entries, files) << folder;
        EXPECT_EQ(readText(archive + ".dat"), ownCount(folder)) << folder;
    }
}

class BackupWindowTest : public ::testing::Test {
protected:
    ScopedAppFolder m_app;
    ScriptedMessageBoxes m_boxes{ platform::MsgAnswer::Ok };
    TestClock m_clock;
    TempDir m_sources;
    TempDir m_target;
    FakeFields m_fields;

    BackupWindowTest() { m_fields.to = m_target.path(); }
    std::string runFolder() const { return m_target / kRunFolderName; }
};

} // namespace

TEST_F(BackupWindowTest, BacksUpEveryFolderWithItsOwnFilesAndLogsEachStep)
{
    const std::string s1 = m_sources / "Quelle eins";
    makeDirs(s1 + "/Ünïcödé dir/level3 $x");
    makeDirs(s1 + "/empty");
    makeDirs(s1 + "/only subs/s1");
    makeDirs(s1 + "/only subs/s2");
    makeDirs(s1 + "/.hidden dir/below");
    writeText(s1 + "/a b.txt", "ab");
    writeText(s1 + "/it's \"q\".txt", "q");
    writeText(s1 + "/$HOME.txt", "home");
    writeText(s1 + "/.hidden.txt", "hidden file of a visible folder");
    writeText(s1 + "/Ünïcödé dir/ß.txt", "s");
    writeText(s1 + "/Ünïcödé dir/level3 $x/deep.txt", "deep");
    writeText(s1 + "/only subs/s1/f1", "1");
    writeText(s1 + "/only subs/s2/f2", "2");
    writeText(s1 + "/.hidden dir/secret.txt", "never stored");
    writeText(s1 + "/.hidden dir/below/x", "never stored");
    ASSERT_TRUE(platform::createSymlink("..", s1 + "/only subs/loop"));
    const std::string s2 = m_sources / "second";
    makeDirs(s2 + "/it's");
    writeText(s2 + "/file with spaces.txt", "s");
    writeText(s2 + "/it's/q.txt", "q");
    const std::string s3 = m_sources / "third$dir";
    makeDirs(s3);
    writeText(s3 + "/one.txt", "1");

    // The first source with its separator, the second without.
    m_fields.from = { s1 + "/", s2, s3 + "/" };
    const std::vector<std::string> folders = {
        s1 + "/",
        s1 + "/empty/",
        s1 + "/only subs/",
        s1 + "/only subs/s1/",
        s1 + "/only subs/s2/",
        s1 + "/Ünïcödé dir/",
        s1 + "/Ünïcödé dir/level3 $x/",
        s2 + "/",
        s2 + "/it's/",
        s3 + "/",
    };

    frmBackup window(m_fields, m_app.path());
    const Ending ending = runModally(window);

    EXPECT_TRUE(ending.finished && ending.doneVisible && ending.logEnabled);
    EXPECT_FALSE(ending.timerActive);
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(window.backupRun().RunFolder, runFolder());
    EXPECT_EQ(window.backupRun().FolderList, folders);
    // The hidden folder is named where it was left out.
    std::vector<std::string> lines = withoutRunReport(window.logLines());
    EXPECT_EQ(std::erase(lines, "Hidden folder not backed up: " + s1 + "/.hidden dir/"), 1u);
    EXPECT_EQ(lines, expectedLog(m_fields.from, folders));
    ASSERT_EQ(onlyRunFolder(m_target.path()), runFolder());
    expectStored(runFolder(), folders);
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
    // The batch file goes at the end of the run; the markers stay.
    EXPECT_FALSE(platform::fileExists(m_app.path() + "/temp.bat"));
    EXPECT_TRUE(platform::fileExists(m_app.path() + "/wait.tmp"));
}

TEST_F(BackupWindowTest, TargetOnAnotherFileSystem)
{
    if (!platform::folderExists("/dev/shm"))
        GTEST_SKIP() << "no /dev/shm here";
    TempDir target("/dev/shm");
    m_fields.to = target.path();
    const std::string src = m_sources / "src";
    makeDirs(src + "/sub");
    writeText(src + "/a.txt", std::string(200000, 'a'));
    writeText(src + "/sub/b.txt", "b");
    m_fields.from = { src };

    frmBackup window(m_fields, m_app.path());
    const Ending ending = runModally(window);

    EXPECT_TRUE(ending.doneVisible);
    EXPECT_TRUE(m_boxes.shown().empty());
    expectStored(target / kRunFolderName, { src + "/", src + "/sub/" });
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(BackupWindowTest, FailedFoldersAreReportedAndTheRunGoesOn)
{
    writeText(m_sources / "not a folder", "x");
    const std::string gone = m_sources / "gone";
    const std::string kept = m_sources / "kept";
    makeDirs(kept);
    writeText(kept + "/k.txt", "k");
    // A missing source and a file given as a source: no job can run in them.
    m_fields.from = { gone, m_sources / "not a folder", kept };

    frmBackup window(m_fields, m_app.path());
    const Ending ending = runModally(window);

    EXPECT_TRUE(ending.finished && ending.doneVisible && ending.logEnabled);
    const std::vector<std::string> folders = { gone + "/", m_sources / "not a folder/", kept + "/" };
    EXPECT_EQ(window.backupRun().FolderList, folders);
    EXPECT_EQ(withoutRunReport(window.logLines()), expectedLog(m_fields.from, folders));

    ASSERT_EQ(m_boxes.shown().size(), 2u);
    EXPECT_EQ(m_boxes.shown()[0].text,
        "Error!\r\n\r\n7z not executed...For Directory: " + EncodePath(gone + "/")
            + "/\r\nFolder: " + std::string(gone + "/"));
    EXPECT_EQ(m_boxes.shown()[1].text,
        "Error!\r\n\r\n7z not executed...For Directory: " + EncodePath(m_sources / "not a folder/")
            + "/\r\nFolder: " + std::string(m_sources / "not a folder/"));
    for (const auto& box : m_boxes.shown()) {
        EXPECT_EQ(box.title, "Error!");
        EXPECT_EQ(box.style, 16);
    }
    expectStored(runFolder(), { kept + "/" });
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(BackupWindowTest, SourceInsideAnotherIsNamedAtTheStartAndStoredOnce)
{
    const std::string outer = m_sources / "outer";
    makeDirs(outer + "/inner/deeper");
    writeText(outer + "/o.txt", "o");
    writeText(outer + "/inner/i.txt", "i");
    m_fields.from = { outer, outer + "/inner" };

    frmBackup window(m_fields, m_app.path());
    const Ending ending = runModally(window);

    EXPECT_TRUE(ending.finished && ending.doneVisible && ending.logEnabled);
    EXPECT_TRUE(m_boxes.shown().empty());
    const std::vector<std::string> log = window.logLines();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                  "Warning: Source folders overlap, what lies in both is backed up once: " + outer + " and "
                      + outer + "/inner"),
        1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Start:   Copy " + outer + "/inner/"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "End:     Copy Folders and compress..."), 1);
    expectStored(runFolder(), { outer + "/", outer + "/inner/", outer + "/inner/deeper/" });
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST(BackupWindow, MissingArchiverGivesOneBoxAndNoRunFolder)
{
    ScopedAppFolder app(false);
    ScriptedMessageBoxes boxes(platform::MsgAnswer::Ok);
    TempDir sources;
    TempDir target;
    makeDirs(sources / "a/b");
    writeText(sources / "a/f.txt", "x");
    FakeFields fields;
    fields.to = target.path();
    fields.from = { sources / "a" };

    frmBackup window(fields, app.path());
    const Ending ending = runModally(window);

    EXPECT_TRUE(ending.doneVisible && ending.logEnabled);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.starts_with("Error!\r\n\r\n7z missing...")) << boxes.shown()[0].text;
    EXPECT_NE(boxes.shown()[0].text.find("sudo apt install 7zip"), std::string::npos);
    EXPECT_TRUE(onlyRunFolder(target.path()).empty());
    EXPECT_TRUE(allNames(target.path()).empty());
}

TEST_F(BackupWindowTest, MissingTargetEndsTheRunButTheWindowCloses)
{
    m_fields.to = m_target / "unplugged";
    makeDirs(m_sources / "src");
    m_fields.from = { m_sources / "src" };

    frmBackup window(m_fields, m_app.path());
    const Ending ending = runModally(window);

    EXPECT_TRUE(ending.finished && ending.doneVisible && ending.logEnabled);
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    const std::string& text = m_boxes.shown()[0].text;
    EXPECT_TRUE(text.starts_with("Error!\r\n\r\nThe run folder could not be made.")) << text;
    EXPECT_NE(text.find(m_target / "unplugged/" + kRunFolderName), std::string::npos) << text;
    EXPECT_EQ(m_boxes.shown()[0].title, "Error!");
    EXPECT_EQ(m_boxes.shown()[0].style, 16);
    // Nothing was searched or compressed; the log says why it stopped.
    ASSERT_EQ(withoutRunReport(window.logLines()).size(), 1u);
    EXPECT_TRUE(
        withoutRunReport(window.logLines())[0].starts_with("Error:   The run folder could not be made."));
    EXPECT_EQ(withoutRunReport(window.logLines())[0].find_first_of("\r\n"), std::string::npos);
    EXPECT_FALSE(platform::fileExists(m_app.path() + "/temp.bat"));
}

TEST_F(BackupWindowTest, SecondRunInTheSameSecondEndsAndLeavesTheFirstAlone)
{
    makeDirs(m_sources / "src");
    writeText(m_sources / "src/f.txt", "x");
    m_fields.from = { m_sources / "src" };
    {
        frmBackup first(m_fields, m_app.path());
        runModally(first);
    }
    const std::vector<std::string> stored = runFolderNames(runFolder());
    ASSERT_EQ(stored.size(), 2u);

    frmBackup second(m_fields, m_app.path());
    const Ending ending = runModally(second);

    EXPECT_TRUE(ending.doneVisible && ending.logEnabled);
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_NE(m_boxes.shown()[0].text.find(runFolder()), std::string::npos) << m_boxes.shown()[0].text;
    EXPECT_EQ(runFolderNames(runFolder()), stored);
}

TEST_F(BackupWindowTest, UnreadableFolderIsAWarningAndTheRunGoesOn)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string src = m_sources / "src";
    makeDirs(src + "/locked/inner");
    makeDirs(m_sources / "later");
    fs::permissions(src + "/locked", fs::perms::none);
    m_fields.from = { src, m_sources / "later" };

    frmBackup window(m_fields, m_app.path());
    const Ending ending = runModally(window);
    fs::permissions(src + "/locked", fs::perms::owner_all);

    EXPECT_TRUE(ending.finished && ending.doneVisible && ending.logEnabled);
    EXPECT_TRUE(m_boxes.shown().empty());
    const std::vector<std::string> log = window.logLines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                  [&](const std::string& line) {
                      return line.starts_with("Warning: Folder not backed up, it cannot be read")
                          && line.find(src + "/locked") != std::string::npos;
                  }),
        1);
    expectStored(runFolder(), { src + "/", m_sources / "later/" });
    EXPECT_FALSE(platform::fileExists(m_app.path() + "/temp.bat"));
}
