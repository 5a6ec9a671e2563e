#include "store/Archiver.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "store/JobRunner.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

using testsupport::archiveEntries;
using testsupport::makeDirs;
using testsupport::readText;
using testsupport::ScopedAppFolder;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

using Names = std::vector<std::string>;

// Compresses the files directly in `folder` through a batch job, as a backup
// does, into a store folder of its own, and returns the archive's path.
std::string compress(const std::string& appFolder, const std::string& folder)
{
    static const TempDir store;
    const std::string archive = store / (EncodePath(AddBackslash(folder)) + ".7z");
    EXPECT_EQ(
        RunBatchJob(appFolder, { folder, CompressCommandLine(appFolder, archive) }), JobOutcome::Finished);
    return archive;
}

// Extracts an archive lying in `folder` through a batch job, as a restore does.
void extract(const std::string& appFolder, const std::string& folder, const std::string& archiveName)
{
    EXPECT_EQ(RunBatchJob(appFolder, { folder, ExtractCommandLine(appFolder, archiveName), true }),
        JobOutcome::Finished);
}

Names listed(const std::string& folder)
{
    auto names = platform::listFolder(folder, true);
    return names ? *names : Names{};
}

// An application folder whose name needs quoting, with the archiver link.
std::string awkwardAppFolder(const TempDir& root)
{
    const std::string app = root / "my app \"q\" $HOME `x` it's";
    makeDirs(app);
    testsupport::linkArchiver(app);
    return app;
}

} // namespace

TEST(CommandLines, AreWrittenCharacterForCharacter)
{
    EXPECT_EQ(CompressCommandLine("/opt/quorvel", "/b/run/_P-2Fhome_P-2FData_P-2F.7z"),
        "/opt/quorvel/7z a -t7z -snl -i!* -x!*/ \"/b/run/_P-2Fhome_P-2FData_P-2F.7z\" > "
        "\"/opt/quorvel/output.txt\" 2>&1; echo \"Exit status of 7z: $?\" >> "
        "\"/opt/quorvel/output.txt\"");
    EXPECT_EQ(CompressCommandLine("/opt/my app/", "/my store/X.7z"),
        "'/opt/my app/7z' a -t7z -snl -i!* -x!*/ \"/my store/X.7z\" > \"/opt/my app/output.txt\" 2>&1; "
        "echo \"Exit status of 7z: $?\" >> \"/opt/my app/output.txt\"");

    TempDir app;
    const std::string a2 = AddBackslash(ShortPath(app.path()));
    EXPECT_EQ(ExtractCommandLine(app.path(), "_P-2Fhome_P-2FData_P-2F.7z"),
        "\"" + a2 + "7z\" e -y -snld20 -bb1 \"_P-2Fhome_P-2FData_P-2F.7z\" > \"" + a2
            + "output.txt\" 2>&1; echo \"Exit status of 7z: $?\" >> \"" + a2 + "output.txt\"");
    // Without a canonical form the folder is used as it was given.
    EXPECT_EQ(ExtractCommandLine("/no/such/app", "N.7z"),
        "\"/no/such/app/7z\" e -y -snld20 -bb1 \"N.7z\" > \"/no/such/app/output.txt\" 2>&1; echo "
        "\"Exit "
        "status of 7z: $?\" >> \"/no/such/app/output.txt\"");
}

TEST(CommandLines, EscapeWhatTheShellExpandsInDoubleQuotes)
{
    EXPECT_EQ(ExtractCommandLine("/no/a\"b$c`d\\e", "x$(y)`z`\"\\.7z"),
        "\"/no/a\\\"b\\$c\\`d\\\\e/7z\" e -y -snld20 -bb1 \"x\\$(y)\\`z\\`\\\"\\\\.7z\" > "
        "\"/no/a\\\"b\\$c\\`d\\\\e/output.txt\" 2>&1; echo \"Exit status of 7z: $?\" >> "
        "\"/no/a\\\"b\\$c\\`d\\\\e/output.txt\"");
    EXPECT_EQ(CompressCommandLine("/opt/q$", "/s$t/a.7z"),
        "'/opt/q$/7z' a -t7z -snl -i!* -x!*/ \"/s\\$t/a.7z\" > \"/opt/q\\$/output.txt\" 2>&1; echo "
        "\"Exit status of 7z: $?\" >> \"/opt/q\\$/output.txt\"");
    // A name that 7z would take for a switch is given as a path.
    EXPECT_EQ(ExtractCommandLine("/no/app", "-sdel.7z"),
        "\"/no/app/7z\" e -y -snld20 -bb1 \"./-sdel.7z\" > \"/no/app/output.txt\" 2>&1; echo \"Exit "
        "status "
        "of 7z: $?\" >> \"/no/app/output.txt\"");
}

TEST(Archiver, EachArchiveHoldsOnlyItsFolderOwnFiles)
{
    ScopedAppFolder app;
    TempDir source;
    writeText(source / "a.txt", "alpha");
    writeText(source / "b.txt", "beta");
    writeText(source / ".hidden", "h");
    makeDirs(source / "sub/deeper");
    writeText(source / "sub/c.txt", "gamma");
    writeText(source / "sub/deeper/d.txt", "delta");

    const std::string archive = compress(app.path(), source.path());
    ASSERT_TRUE(platform::fileExists(archive));
    EXPECT_EQ(archiveEntries(archive), (Names{ ".hidden", "a.txt", "b.txt" }));
    const std::string sub = compress(app.path(), source / "sub");
    EXPECT_EQ(archiveEntries(sub), (Names{ "c.txt" }));

    // Restore it into another folder, without stored folder names.
    TempDir target;
    const std::string name = ArchiveName(AddBackslash(source.path()));
    ASSERT_TRUE(platform::copyFile(archive, target / name));
    extract(app.path(), target.path(), name);
    EXPECT_EQ(readText(target / "a.txt"), "alpha");
    EXPECT_EQ(readText(target / "b.txt"), "beta");
    EXPECT_EQ(readText(target / ".hidden"), "h");
    EXPECT_EQ(listed(target.path()), (Names{ name, "a.txt", "b.txt" }));
    EXPECT_FALSE(readText(app.path() + "/output.txt").empty());
}

TEST(Archiver, LinksAreStoredAndRestoredAsLinks)
{
    ScopedAppFolder app;
    TempDir source;
    writeText(source / "a.txt", "alpha");
    makeDirs(source / "sub");
    ASSERT_TRUE(platform::createSymlink("a.txt", source / "toFile"));
    ASSERT_TRUE(platform::createSymlink("sub", source / "toFolder"));
    ASSERT_TRUE(platform::createSymlink("..", source / "toParent"));
    ASSERT_TRUE(platform::createSymlink("missing", source / "dangling"));
    const std::string archive = compress(app.path(), source.path());
    // One entry per listed name, as the folder's count has it.
    EXPECT_EQ(archiveEntries(archive), (Names{ "a.txt", "dangling", "toFile", "toFolder", "toParent" }));

    TempDir target;
    const std::string name = ArchiveName(AddBackslash(source.path()));
    ASSERT_TRUE(platform::copyFile(archive, target / name));
    extract(app.path(), target.path(), name);
    EXPECT_EQ(platform::shortPath(target / "toFile"), platform::shortPath(target / "a.txt"));
    EXPECT_EQ(*platform::attributes(target / "toFolder"), 0u); // a link, not a folder
    EXPECT_TRUE(platform::fileExists(target / "dangling"));
    EXPECT_EQ(listed(target.path()), (Names{ name, "a.txt", "dangling", "toFile", "toFolder", "toParent" }));
}

TEST(Archiver, NamesLikeTheArchiverPatternsAreStoredToo)
{
    ScopedAppFolder app;
    TempDir source;
    for (const char* name : { "-i!x", "-x!y", "*", "plain.txt" })
        writeText(source / name, name);
    makeDirs(source / "-x!dir");
    const std::string archive = compress(app.path(), source.path());
    EXPECT_EQ(archiveEntries(archive), (Names{ "*", "-i!x", "-x!y", "plain.txt" }));
}

TEST(Archiver, RunsFromAnApplicationFolderThatNeedsQuoting)
{
    TempDir root;
    const std::string app = awkwardAppFolder(root);
    TempDir source;
    writeText(source / "a.txt", "alpha");
    const std::string archive = compress(app, source.path());
    ASSERT_TRUE(platform::fileExists(archive));
    EXPECT_EQ(archiveEntries(archive), (Names{ "a.txt" }));

    TempDir target;
    const std::string name = ArchiveName(AddBackslash(source.path()));
    ASSERT_TRUE(platform::copyFile(archive, target / name));
    extract(app, target.path(), name);
    EXPECT_EQ(readText(target / "a.txt"), "alpha");
    EXPECT_FALSE(readText(app + "/output.txt").empty());
}

TEST(Archiver, CraftedArchiveNamesRunNoCommand)
{
    ScopedAppFolder app;
    TempDir source;
    writeText(source / "a.txt", "alpha");
    const std::string archive = compress(app.path(), source.path());
    ASSERT_TRUE(platform::fileExists(archive));

    for (const std::string name : { "a\"$(touch pwned)\".7z", "b`touch pwned`.7z",
             "c\\\"; touch pwned; \\\".7z", "d'$(touch pwned)'.7z", "-y.7z" }) {
        SCOPED_TRACE(name);
        TempDir target;
        ASSERT_TRUE(platform::copyFile(archive, target / name));
        extract(app.path(), target.path(), name);
        // 7z was given the name as it is, and nothing else ran.
        EXPECT_EQ(readText(target / "a.txt"), "alpha");
        EXPECT_FALSE(platform::fileExists(target / "pwned"));
        EXPECT_FALSE(platform::fileExists(app.path() + "/pwned"));
    }
}
