// Restoring part of a run from the command line: `--restore DATE --only
// PATH`, for folders with the folders below them and for single files whose
// names the archiver would otherwise read as wildcards.
#include "tests/app/ConsoleProgram.h"

#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

// Names that a shell, the archiver's wildcards or its list files read as
// something else than a name.
const std::vector<std::string> kOddNames{ "a*b", "a?b", "[x]", "a[b]c", " lead", "trail ", "\"q\"", "it's",
    "a b", "plain" };
// Names that those wildcards match, and that must stay where they are.
const std::vector<std::string> kMatchedByWildcards{ "aXb", "a.b", "x", "abc", "aqb" };

class RestoreOnly : public ConsoleProgram {
protected:
    RestoreOnly()
    {
        makeDirs(source + "/a/sub/deeper");
        makeDirs(source + "/b");
        makeDirs(source + "/odd");
        writeText(source + "/top.txt", "top");
        writeText(source + "/a/x.txt", "x in a");
        writeText(source + "/a/.hidden", "hidden in a");
        writeText(source + "/a/sub/y.txt", "y below a");
        writeText(source + "/a/sub/deeper/z.bin", std::string("z\0\1\2", 4));
        writeText(source + "/b/w.txt", "w in b");
        for (const std::string& name : kOddNames)
            writeText(source + "/odd/" + name, "odd " + name);
        for (const std::string& name : kMatchedByWildcards)
            writeText(source + "/odd/" + name, "matched " + name);
        saveSettings(target, restored);
        const ProgramRun backup = runProgram({ "--backup" });
        EXPECT_EQ(backup.status, 0) << backup.out << backup.err;
        const ProgramRun list = runProgram({ "--list" });
        date = list.out.substr(0, list.out.find('\t'));
    }

    ProgramRun restoreOnly(const std::vector<std::string>& paths)
    {
        QStringList arguments{ "--restore", QString::fromStdString(date) };
        for (const std::string& path : paths)
            arguments << "--only" << QString::fromStdString(path);
        return runProgram(arguments);
    }

    // What the source holds below these folders, at any depth, as a
    // restore places it: by full source path.
    std::map<std::string, std::string> treesOf(const std::vector<std::string>& folders) const
    {
        std::map<std::string, std::string> files;
        for (const std::string& folder : folders)
            for (const auto& [name, bytes] : allFilesBelow(folder))
                files[folder + "/" + name] = bytes;
        return files;
    }

    std::string date;
};

TEST_F(RestoreOnly, AFolderComesBackWithTheFoldersBelowItAndNothingElse)
{
    const ProgramRun run = restoreOnly({ source + "/a" });
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    expectRestoredExactly(restored, treesOf({ source + "/a" }));
    EXPECT_TRUE(holdsLine(run.out, "Only:    " + source + "/a/")) << run.out;
    EXPECT_TRUE(holdsLine(run.out, "Found:   6 compressed folders...")) << run.out;

    // Written with a separator at the end or doubled, and given twice over
    // with another folder: the same folders, once each.
    removeTree(restored);
    makeDirs(restored);
    const ProgramRun two = restoreOnly({ source + "//a/sub/", source + "/b", source + "/a/sub" });
    EXPECT_EQ(two.status, 0) << two.out << two.err;
    expectRestoredExactly(restored, treesOf({ source + "/a/sub", source + "/b" }));
}

TEST_F(RestoreOnly, SingleFilesComeBackByTheirExactNamesNotAsWildcards)
{
    // A file of the user's in the folder stays, and is no warning: the
    // restore asked for one file of it.
    makeDirs(restored + source + "/odd");
    writeText(restored + source + "/odd/mine.txt", "the user's own");
    std::vector<std::string> paths;
    std::map<std::string, std::string> expected{ { source + "/odd/mine.txt", "the user's own" } };
    for (const std::string& name : kOddNames) {
        paths.push_back(source + "/odd/" + name);
        expected[source + "/odd/" + name] = "odd " + name;
    }
    paths.push_back(source + "/top.txt");
    expected[source + "/top.txt"] = "top";
    const ProgramRun run = restoreOnly(paths);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    expectRestoredExactly(restored, expected);
    EXPECT_FALSE(holds(run.out, "left as they were")) << run.out;
    // The list of names went with its job.
    EXPECT_FALSE(fs::exists(programFolder() + "/names.lst"));
}

TEST_F(RestoreOnly, AFileAndItsFolderTogetherBringTheWholeFolder)
{
    const ProgramRun run = restoreOnly({ source + "/b/w.txt", source + "/odd", source + "/odd/a*b" });
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::map<std::string, std::string> expected = treesOf({ source + "/odd" });
    expected[source + "/b/w.txt"] = "w in b";
    expectRestoredExactly(restored, expected);
}

TEST_F(RestoreOnly, APathNotInTheRunRestoresNothingAndCannotStart)
{
    const std::string elsewhere = m_data / "elsewhere";
    const ProgramRun run = restoreOnly({ source + "/a", elsewhere, elsewhere + "/f.txt" });
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_TRUE(holdsLine(run.err, "Not in the backup of " + date + ": " + elsewhere)) << run.err;
    EXPECT_TRUE(holdsLine(run.err, "Not in the backup of " + date + ": " + elsewhere + "/f.txt")) << run.err;
    EXPECT_TRUE(allFilesBelow(restored).empty());

    // Without --restore, --only is no command.
    const ProgramRun alone = runProgram({ "--only", QString::fromStdString(source) });
    EXPECT_EQ(alone.status, 2);
    EXPECT_TRUE(holds(alone.err, "--only goes only with --restore")) << alone.err;
}

TEST_F(RestoreOnly, AFileItsFolderDoesNotHoldFailsTheRestore)
{
    const ProgramRun run = restoreOnly({ source + "/a/none.txt", source + "/b/w.txt" });
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(holds(run.out, "holds no such file in " + source + "/a")) << run.out;
    EXPECT_TRUE(holds(run.out, "none.txt")) << run.out;
    // The other file asked comes back all the same, and nothing else does.
    expectRestoredExactly(restored, { { source + "/b/w.txt", "w in b" } });
}

TEST_F(RestoreOnly, TheCountCheckConcernsOnlyWhatWasAsked)
{
    // The count of src/b's folder no longer agrees with its archive.
    const std::string countFile = onlyRunFolder(target) + "/" + CountFileName(ArchiveName(source + "/b/"));
    ASSERT_TRUE(fs::exists(countFile)) << countFile;
    writeText(countFile, "7");

    const ProgramRun other = restoreOnly({ source + "/a" });
    EXPECT_EQ(other.status, 0) << other.out << other.err;
    expectRestoredExactly(restored, treesOf({ source + "/a" }));

    const ProgramRun asked = restoreOnly({ source + "/b" });
    EXPECT_EQ(asked.status, 1) << asked.out << asked.err;
    EXPECT_TRUE(holds(asked.out, "Expected number of files: 7")) << asked.out;

    // A single file of that folder is checked by its name, not the count.
    removeTree(restored);
    makeDirs(restored);
    const ProgramRun file = restoreOnly({ source + "/b/w.txt" });
    EXPECT_EQ(file.status, 0) << file.out << file.err;
    expectRestoredExactly(restored, { { source + "/b/w.txt", "w in b" } });
}

TEST_F(RestoreOnly, AFolderTheRunHasLostIsNamedOnlyWhenItWasAsked)
{
    // The run's record holds src/b, whose archive is gone since.
    fs::remove(onlyRunFolder(target) + "/" + ArchiveName(source + "/b/"));

    const ProgramRun other = restoreOnly({ source + "/a" });
    EXPECT_EQ(other.status, 0) << other.out << other.err;
    EXPECT_FALSE(holds(other.out, "Folders not restored...")) << other.out;
    expectRestoredExactly(restored, treesOf({ source + "/a" }));

    const ProgramRun asked = restoreOnly({ source + "/a/sub", source + "/b/w.txt" });
    EXPECT_EQ(asked.status, 1) << asked.out << asked.err;
    EXPECT_TRUE(holds(asked.out, "Folder not restored: " + source + "/b/")) << asked.out;
}

} // namespace
} // namespace testsupport
