// One archive's extraction: count differences, the archiver's output, count
// files that cannot be read, jobs that do not start, and archive names or
// contents crafted to write outside the restore target.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "restore/windows/TextViewer.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using platform::MsgAnswer;

namespace testsupport {
namespace {

// The box names the folder by its path after the defined text, which names
// only the encoded archive.
std::string zzipBox(const std::string& archive, const std::string& folder, int expected, int extracted)
{
    return "Error!\r\n\r\nZZip not completed well...\r\nCommandLine:\r\n\r\nzzip e \"" + archive
        + "\"\r\n\r\nFor Directory: " + archive + "\r\nExpected number of files: " + std::to_string(expected)
        + "\r\nExtracted number of files: " + std::to_string(extracted) + "\r\nFolder: " + folder + "/";
}

// Every file below `root` outside `except`, with its bytes, to see that a
// restore wrote nothing anywhere else.
std::map<std::string, std::string> filesOutside(const std::string& root, const std::string& except)
{
    std::map<std::string, std::string> files;
    for (const auto& [path, bytes] : allFilesBelow(root)) {
        if (!(root + "/" + path).starts_with(except))
            files[path] = bytes;
    }
    return files;
}

class ExtractArchive : public RestoreFixture {
protected:
    ExtractArchive()
    {
        makeDirs(runFolder);
        source = dir / "src/Docs";
        makeDirs(source);
        writeText(source + "/one.txt", "1");
        writeText(source + "/two.txt", "22");
        archive = EncodePath(source + "/") + ".7z";
        restoreFolder = fields.unBackupTo + source + "/";
    }

    std::string source;
    std::string archive;
    std::string restoreFolder;
};

TEST_F(ExtractArchive, ACountTheArchiveDoesNotHoldReportsBothCountsAndAFileAlreadyThereIsLeft)
{
    storeFolder(runFolder, source);
    writeText(runFolder + archive + ".dat", "3");
    makeDirs(restoreFolder);
    writeText(restoreFolder + "extra.txt", "the user's own");
    const std::string other = dir / "src/Other";
    makeDirs(other);
    writeText(other + "/o", "o");
    storeFolder(runFolder, other);

    const std::vector<std::string> log = withoutRunReport(restore(date, { MsgAnswer::Ok, MsgAnswer::No }));
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, zzipBox(archive, source, 3, 2));
    EXPECT_EQ(shown[0].title, "Error!");
    EXPECT_EQ(shown[0].style, 16);
    EXPECT_EQ(shown[1].text, "Do you want to read the file with output from 7z?");
    EXPECT_EQ(shown[1].title, "Read file?");
    EXPECT_EQ(shown[1].style, 36);
    // "No" goes on: the folder's End line and the next archive follow.
    EXPECT_NE(std::find(log.begin(), log.end(), "End:     Decompress " + source), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "End:     Decompress " + other), log.end());
    EXPECT_EQ(readText(restoreFolder + "extra.txt"), "the user's own");
    EXPECT_EQ(readText(restoreFolder + "two.txt"), "22");
    EXPECT_FALSE(fs::exists(restoreFolder + archive));
    EXPECT_FALSE(fs::exists(restoreFolder + archive + ".dat"));
}

TEST_F(ExtractArchive, YesOpensTheArchiversOutputInTheTextViewer)
{
    storeFolder(runFolder, source);
    writeText(runFolder + archive + ".dat", "5");
    std::vector<std::string> opened;
    TextViewerHandler previous
        = setTextViewerHandler([&opened](const std::string& path) { opened.push_back(path); });
    restore(date, { MsgAnswer::Ok, MsgAnswer::Yes });
    setTextViewerHandler(previous);
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, zzipBox(archive, source, 5, 2));
    const std::string output = AddBackslash(app.path()) + "output.txt";
    EXPECT_EQ(opened, std::vector<std::string>{ output });
    EXPECT_NE(readText(output).find("Everything is Ok"), std::string::npos);
}

TEST_F(ExtractArchive, ACountFileThatCannotBeReadIsReportedNotTakenAsZero)
{
    const std::vector<std::pair<std::string, const char*>> countFiles{ { "Empty", "" },
        { "Missing", nullptr }, { "Words", "many" } }; // in listing order
    std::vector<std::string> archives;
    for (const auto& [name, content] : countFiles) {
        const std::string folder = dir / ("src/" + name);
        makeDirs(folder);
        writeText(folder + "/f", name);
        storeFolder(runFolder, folder);
        archives.push_back(EncodePath(folder + "/") + ".7z");
        if (content)
            writeText(runFolder + archives.back() + ".dat", content);
        else
            fs::remove(runFolder + archives.back() + ".dat");
    }
    const std::vector<std::string> log = withoutRunReport(restore(date));
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(shown[i].title, "Error!");
        EXPECT_EQ(shown[i].style, 16);
        EXPECT_TRUE(shown[i].text.starts_with("Error!\r\n\r\nNumber of files not checked..."))
            << shown[i].text;
        EXPECT_NE(shown[i].text.find("For Directory: " + archives[i]), std::string::npos);
        EXPECT_TRUE(
            shown[i].text.ends_with("\r\nFolder: " + dir.path() + "/src/" + countFiles[i].first + "/"))
            << shown[i].text;
        const std::string folder = fields.unBackupTo + dir.path() + "/src/" + countFiles[i].first;
        EXPECT_EQ(readText(folder + "/f"), countFiles[i].first);
        EXPECT_NE(std::find(log.begin(), log.end(),
                      "End:     Decompress " + dir.path() + "/src/" + countFiles[i].first),
            log.end());
    }
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
}

TEST_F(ExtractArchive, AJobThatDoesNotStartLeavesNoEndLineAndNothingInTheFolder)
{
    storeFolder(runFolder, source);
    // Folders in place of the marker files: the job can make neither.
    makeDirs(AddBackslash(app.path()) + "wait.tmp");
    makeDirs(AddBackslash(app.path()) + "wait2.tmp");
    std::vector<std::string> log = withoutRunReport(restore(date));
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
        "Error!\r\n\r\nBat-File not executed...\r\nCommandLine:\r\n\r\nzzip e \"" + archive
            + "\"\r\n\r\nFor Directory: " + archive + "\r\nFolder: " + source + "/");
    EXPECT_EQ(shown[0].title, "Error!");
    EXPECT_EQ(shown[0].style, 16);
    EXPECT_EQ(log[log.size() - 2], "Start:   Decompress " + source);
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    // The archive is read where it is stored: nothing of the store lands in
    // the restore folder.
    EXPECT_FALSE(fs::exists(restoreFolder + archive));
    EXPECT_FALSE(fs::exists(restoreFolder + archive + ".dat"));

    // A later restore, whose job runs, restores the folder.
    fs::remove(AddBackslash(app.path()) + "wait.tmp");
    fs::remove(AddBackslash(app.path()) + "wait2.tmp");
    restore(date);
    EXPECT_EQ(shownAfterQuestion().size(), 1u);
    EXPECT_FALSE(fs::exists(restoreFolder + archive));
    EXPECT_FALSE(fs::exists(restoreFolder + archive + ".dat"));
    EXPECT_EQ(readText(restoreFolder + "one.txt"), "1");
}

TEST_F(ExtractArchive, AUsersFileNamedLikeTheArchiveComesBack)
{
    // A file of the user's that bears the very name of its folder's archive
    // and count file: the restore reads the archive where it is stored, so
    // nothing it makes or removes in the folder can take their place.
    writeText(source + "/" + archive, "the user's own");
    writeText(source + "/" + archive + ".dat", "also the user's");
    storeFolder(runFolder, source);
    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(readText(restoreFolder + archive), "the user's own");
    EXPECT_EQ(readText(restoreFolder + archive + ".dat"), "also the user's");
    EXPECT_EQ(readText(restoreFolder + "one.txt"), "1");
}

TEST_F(ExtractArchive, AFolderPathLeavingTheRestoreTargetIsRefusedAndTheRunGoesOn)
{
    fields.unBackupTo = dir / "deep/er/restored";
    makeDirs(fields.unBackupTo);
    storeFolder(runFolder, source);
    const std::string evil = EncodePath("/../../escaped/") + ".7z";
    fs::copy_file(runFolder + archive, runFolder + evil);
    fs::copy_file(runFolder + archive + ".dat", runFolder + evil + ".dat");
    const auto before = filesOutside(dir.path(), fields.unBackupTo);

    const std::vector<std::string> log = withoutRunReport(restore(date));
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Error!");
    EXPECT_EQ(shown[0].style, 16);
    EXPECT_TRUE(shown[0].text.starts_with("Error!\r\n\r\n"));
    EXPECT_NE(shown[0].text.find("For Directory: " + evil), std::string::npos);
    EXPECT_EQ(filesOutside(dir.path(), fields.unBackupTo), before);
    EXPECT_FALSE(fs::exists(dir / "deep/escaped"));
    // The sound archive after it is still restored.
    EXPECT_EQ(readText(fields.unBackupTo + source + "/one.txt"), "1");
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
}

TEST_F(ExtractArchive, EntriesWithFolderNamesOrLinksStayInTheRestoreFolder)
{
    const std::string outside = dir / "outside";
    makeDirs(outside);
    writeText(outside + "/victim", "untouched");
    // Stored links, then entries of the same names and entries that climb up.
    const std::string crafted = dir / "crafted";
    makeDirs(crafted);
    ASSERT_TRUE(platform::createSymlink(outside + "/victim", crafted + "/flink"));
    ASSERT_TRUE(platform::createSymlink(outside, crafted + "/dlink"));
    ASSERT_TRUE(runArchiver(crafted, { "a", "-t7z", "-snl", "x.7z", "flink", "dlink" }));
    for (const std::string& name : std::vector<std::string>{
             "../../climb1", "sub/../../climb2", outside + "/absolute", "other/flink", "dlink/through" }) {
        const std::string command = "printf OVERWRITTEN | "
            + platform::shellQuoteIfNeeded(testsupport::archiverPath()) + " a -si"
            + platform::shellQuoteIfNeeded(name) + " " + platform::shellQuoteIfNeeded(crafted + "/x.7z")
            + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << name;
    }
    fs::rename(crafted + "/x.7z", runFolder + archive);
    writeText(runFolder + archive + ".dat", "2");
    const auto before = filesOutside(dir.path(), restoreFolder);

    restore(date, { MsgAnswer::Ok, MsgAnswer::No });
    EXPECT_EQ(readText(outside + "/victim"), "untouched");
    EXPECT_EQ(filesOutside(dir.path(), restoreFolder), before);
    EXPECT_TRUE(fs::exists(restoreFolder + "climb1"));
    EXPECT_TRUE(fs::exists(restoreFolder + "through"));
}

TEST_F(ExtractArchive, AFolderBelowARestoredLinkIsRefused)
{
    // A crafted store: the folder's archive holds a link to a folder
    // elsewhere, and a second archive claims a folder through that link.
    const std::string outside = dir / "outside";
    makeDirs(outside);
    ASSERT_TRUE(platform::createSymlink(outside, source + "/link"));
    ASSERT_TRUE(runArchiver(source, { "a", "-t7z", "-snl", archive, "-i!*", "-x!*/" }));
    fs::rename(source + "/" + archive, runFolder + archive);
    writeText(runFolder + archive + ".dat", "3");
    const std::string fake = dir / "fake";
    makeDirs(fake);
    writeText(fake + "/planted", "should never land outside");
    const std::string through = EncodePath(source + "/link/") + ".7z";
    ASSERT_TRUE(runArchiver(fake, { "a", "-t7z", through, "-i!*" }));
    fs::rename(fake + "/" + through, runFolder + through);
    writeText(runFolder + through + ".dat", "1");

    restore(date);
    ASSERT_TRUE(fs::is_symlink(restoreFolder + "link"));
    EXPECT_TRUE(fs::is_empty(outside));
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.starts_with("Error!\r\n\r\n"));
    EXPECT_NE(shown[0].text.find("For Directory: " + through), std::string::npos);
}

} // namespace
} // namespace testsupport
