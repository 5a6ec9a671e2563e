// Folder and file names that are hard on a shell, an archiver or a file
// system: each is backed up and restored byte for byte, or refused with a
// clear message while the run goes on. None runs a command, none hangs.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "platform/FileSystem.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

const std::string kRefused = "Error!\r\n\r\nFolder not backed up: ";

// Files and folders below `root` whose names begin with "canary".
std::vector<std::string> canariesBelow(const std::string& root)
{
    return pathsBelow(root, [](const std::string& name) { return name.starts_with("canary"); });
}

class BadNames : public BackupRestoreFixture {
protected:
    BadNames() { makeDirs(sources); }

    // Backs up the sources and restores the run; returns the boxes of both.
    std::vector<testsupport::ShownBox> backUpAndRestore(const std::vector<std::string>& from)
    {
        const std::vector<std::string> backupLog = withoutRunReport(backUp(from));
        EXPECT_EQ(backupLog.back(), "End:     Copy Folders and compress...");
        const std::vector<std::string> restoreLog = withoutRunReport(restore(date));
        EXPECT_EQ(restoreLog.back(), "End:     Copy Folders and uncompress...");
        return shownAfterQuestion();
    }

    std::string sources = dir / "src";
};

TEST_F(BadNames, AwkwardNamesComeBackExactlyAndRunNothing)
{
    // A path whose text is a command substitution: its levels are "$(touch ",
    // "tmp" and the canary's name.
    const std::string canary = "quorvel-canary-" + std::to_string(QCoreApplication::applicationPid());
    const std::string substitution = sources + "/$(touch /tmp/" + canary + ")";
    const std::vector<std::string> folders = {
        "  spaces at both ends  ",
        "quote's \"double\"",
        "$HOME and $(touch canary1)",
        "`touch canary2`",
        "semi;touch canary3",
        "amp&touch canary4&",
        "pipe|touch canary5",
        "bad\xff\xfe bytes \x80",
        "-starts like a switch",
        "*glob?[ab]",
        "back\\slash",
        "tab\there",
        "%PATH% and !bang!",
    };
    std::vector<std::string> sourceFolders;
    for (const std::string& name : folders) {
        const std::string folder = sources + "/" + name;
        makeDirs(folder + "/sub " + name);
        writeText(folder + "/" + name, "named like its folder");
        writeText(folder + "/file $(touch canary6).txt", "substitution");
        writeText(folder + "/new\nline.txt", "a line break in a file name");
        writeText(folder + "/" + std::string(255, 'n'), "the longest file name");
        writeText(folder + "/x_P-41_P-.txt", "the escape in a file name");
        writeText(folder + "/non-utf8 \xc3\x28.txt", "bytes");
        writeText(folder + "/sub " + name + "/inner", "below");
        sourceFolders.push_back(folder);
    }
    makeDirs(substitution);
    writeText(substitution + "/f", "x");
    sourceFolders.push_back(sources + "/$(touch ");
    const auto expected = filesOfTree(sources);

    const auto shown = backUpAndRestore(sourceFolders);
    for (const auto& box : shown)
        ADD_FAILURE() << box.text;
    expectRestoredExactly(fields.unBackupTo, expected);
    EXPECT_TRUE(canariesBelow(dir.path()).empty());
    EXPECT_TRUE(canariesBelow(app.path()).empty());
    EXPECT_FALSE(fs::exists("/tmp/" + canary));
    EXPECT_TRUE(testsupport::archivesBelow(sources).empty());
}

TEST_F(BadNames, NamesThatCannotBeStoredAreRefusedOnceEachAndTheRestIsStored)
{
    const std::string fine = sources + "/fine";
    makeDirs(fine);
    writeText(fine + "/f.txt", "stored");
    // A line break and the archive names' escape; a name too long to encode
    // whole is stored under a shortened name.
    const std::string lineBreak = sources + "/line\nbreak";
    const std::string escape = sources + "/already_P-41encoded";
    const std::string longName = sources + "/" + std::string(255, 'L');
    for (const std::string& folder : { lineBreak, escape, longName }) {
        makeDirs(folder + "/below/further");
        writeText(folder + "/f.txt", folder);
    }
    // 200 levels, every one stored however long its encoded path.
    std::string nested = sources + "/deep";
    std::vector<std::string> levels;
    for (int i = 0; i < 200; ++i) {
        levels.push_back(nested + "/");
        nested += "/d";
    }
    makeDirs(nested);
    for (const std::string& level : levels)
        writeText(level + "f", level);
    const auto start = std::chrono::steady_clock::now();
    const auto shown = backUpAndRestore({ fine, lineBreak, escape, longName, sources + "/deep" });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(50));

    // The backup's box for each, then the restore's one box for the run's
    // folders left out.
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[2].text.starts_with("Error!\r\n\r\nBackup run failed...\r\nThe backup of " + date))
        << shown[2].text;
    EXPECT_EQ(shown[0].text,
        kRefused
            + "its path holds a line break, which a restore cannot recreate, nor is any "
              "folder below it...For Directory: "
            + lineBreak + "/");
    EXPECT_EQ(shown[1].text,
        kRefused
            + "its path holds \"_P-\", which archive names use as their escape, nor is "
              "any folder below it...For Directory: "
            + escape + "/");
    for (const auto& box : shown) {
        EXPECT_EQ(box.title, "Error!");
        EXPECT_EQ(box.style, 16);
    }

    // Every other folder came back.
    EXPECT_EQ(readText(fields.unBackupTo + fine + "/f.txt"), "stored");
    EXPECT_EQ(readText(fields.unBackupTo + longName + "/f.txt"), longName);
    for (const std::string& level : levels)
        EXPECT_EQ(readText(fields.unBackupTo + level + "f"), level);
    for (const std::string& folder : { lineBreak, escape })
        EXPECT_FALSE(fs::exists(fields.unBackupTo + folder));
    EXPECT_TRUE(testsupport::archivesBelow(sources).empty());
}

} // namespace
} // namespace testsupport
