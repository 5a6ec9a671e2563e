// What a backup leaves out by the user's choice: cache folders, the
// exclusion patterns in every form, hidden folders unless asked for; whole
// runs with the real archiver, restored and compared with the tree less
// what the rules leave out, and repeat backups after the patterns change.
#include "tests/backup/RepeatBackupFixture.h"

#include "store/ArchiveNames.h"
#include "store/FileCount.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

// Writes a file, making the folders it lies in.
void put(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    writeText(path, bytes);
}

constexpr char kTag[] = "Signature: 8a477f597d28d172789f06886806bc55\n# a cache folder\n";

class Exclusions : public RepeatBackup {
protected:
    Exclusions()
    {
        // Cache folders, a true one and one whose tag lacks the signature.
        put(sources + "/cache/CACHEDIR.TAG", kTag);
        put(sources + "/cache/sub/blob", "cached");
        put(sources + "/one/notcache/CACHEDIR.TAG", "Signature: 0000\n");
        put(sources + "/one/notcache/kept", "not a cache");
        // A name anywhere; a folder of that name anywhere.
        put(sources + "/disk.iso", "iso");
        put(sources + "/two/sub.iso", "iso");
        put(sources + "/node_modules/x.js", "js");
        put(sources + "/one/deep/node_modules/y.js", "js");
        put(sources + "/one/node_modules", "a file, not a folder");
        // Below each source; any number of folders; one place.
        put(sources + "/docs/a.tmp", "tmp");
        put(sources + "/docs/a.txt", "txt");
        put(sources + "/two/docs/a.tmp", "not at the top");
        put(sources + "/three/x/y/build/out", "built");
        put(sources + "/four/build", "a file named build");
        put(sources + "/five/Videos/film", "film");
        // Classes and escapes.
        put(sources + "/six/a.log", "a");
        put(sources + "/six/b.log", "b");
        put(sources + "/six/c.log", "c");
        put(sources + "/six/#lit", "hash");
        // Hostile names, each left out by a pattern naming it alone.
        for (const char* name : { "$(touch pwned)", "`touch pwned`", "it's", "say \"hi\"", "!bang", "*",
                 "st*r", "@list", " lead", "trail " })
            put(sources + "/three/" + name, name);
        put(sources + "/three/stXr", "kept: no wildcards in the list");
        // Names the archiver's list cannot hold: stored, with a warning.
        put(sources + "/four/new\nline.iso", "newline");
        put(sources + "/four/bad\xff.iso", "not UTF-8");
        put(sources + "/four/.env", "hidden, stored until a pattern names it");
        letChangeTimesSettle();
        fields.exclusions = { "# a comment", "*.iso", "node_modules/", "docs/*.tmp", "**/build/",
            sources + "/five/Videos/", "[ab].log", "\\#lit", "$(touch pwned)", "`touch pwned`", "it's",
            "say \"hi\"", "\\!bang", "\\*", "st\\*r", "@list", "\\ lead", "trail\\ ", "!c.log" };
    }

    // The tree's files less those every rule above leaves out.
    std::map<std::string, std::string> expectedFiles() const
    {
        std::map<std::string, std::string> files = filesOfTree(sources);
        std::erase_if(files, [this](const auto& file) {
            const std::string& path = file.first;
            const std::string name = path.substr(path.find_last_of('/') + 1);
            const std::string below = path.substr(sources.size() + 1);
            const bool hostile = below.starts_with("three/") && name != "stXr" && name != "a.txt"
                && name != "b.txt" && below.find('/', 6) == std::string::npos;
            return below.starts_with("cache/") || below == "disk.iso" || below == "two/sub.iso"
                || below.starts_with("node_modules/") || below.starts_with("one/deep/node_modules/")
                || below == "docs/a.tmp" || below.starts_with("three/x/y/build/")
                || below.starts_with("five/Videos/") || below == "six/a.log" || below == "six/b.log"
                || below == "six/#lit" || hostile;
        });
        return files;
    }
};

TEST_F(Exclusions, TheBackupStoresTheTreeLessWhatTheRulesLeaveOut)
{
    const Lines log = backUpQuietly();

    EXPECT_TRUE(
        hasLine(log, "Folder not backed up, it is a cache folder (CACHEDIR.TAG): " + sources + "/cache/"));
    EXPECT_TRUE(hasLine(log, "Folder not backed up, pattern node_modules/: " + sources + "/node_modules/"));
    EXPECT_TRUE(hasLine(log, "Folder not backed up, pattern **/build/: " + sources + "/three/x/y/build/"));
    EXPECT_TRUE(hasLine(
        log, "Folder not backed up, pattern " + sources + "/five/Videos/: " + sources + "/five/Videos/"));
    EXPECT_TRUE(hasLine(log,
        "Warning: Exclusion pattern not used, taking back what another pattern leaves out (!) is not "
        "supported: !c.log"));
    EXPECT_TRUE(hasLine(log,
        "Warning: Files stored although a pattern names them (a name that is not UTF-8 or holds a line "
        "break cannot be left out) in "
            + sources + "/four/: bad\xff.iso, new\nline.iso"));
    // Left out by choice, not failed: the four folders count as skipped.
    EXPECT_EQ(summary.failed, 0);
    EXPECT_EQ(summary.skipped, 5);
    EXPECT_FALSE(fs::exists(archiveIn(0, sources + "/cache/")));
    EXPECT_FALSE(fs::exists(archiveIn(0, sources + "/cache/sub/")));
    EXPECT_TRUE(fs::exists(archiveIn(0, sources + "/one/notcache/")));
    EXPECT_FALSE(fs::exists(archiveIn(0, sources + "/node_modules/")));
    EXPECT_FALSE(fs::exists(archiveIn(0, sources + "/five/Videos/")));

    // The archive holds exactly the names left in, wildcard look-alikes too,
    // and the count file counts them.
    const std::vector<std::string> three = archiveEntries(archiveIn(0, sources + "/three/"));
    EXPECT_EQ(three, (std::vector<std::string>{ "a.txt", "b.txt", "stXr" }));
    EXPECT_EQ(ReadCountFile(CountFileName(archiveIn(0, sources + "/three/"))).count, 3);
    EXPECT_EQ(archiveEntries(archiveIn(0, sources + "/six/")),
        (std::vector<std::string>{ "a.txt", "b.txt", "c.log" }));
    // Nothing was run from a name, and the list is gone with its job.
    EXPECT_FALSE(fs::exists(fs::path(sources) / "three" / "pwned"));
    EXPECT_FALSE(fs::exists(app.path() + "/pwned"));
    EXPECT_FALSE(fs::exists(app.path() + "/leaveout.txt"));

    // The names left out are in the run's record.
    const RunJournal journal = *ReadRunJournal(runs[0]);
    const auto six = std::find_if(journal.leftOut.begin(), journal.leftOut.end(),
        [this](const JournalLeftOut& left) { return left.path == sources + "/six/"; });
    ASSERT_NE(six, journal.leftOut.end());
    EXPECT_EQ(six->names, (std::vector<std::string>{ "#lit", "a.log", "b.log" }));

    expectNewestRestores(expectedFiles());
}

TEST_F(Exclusions, ARepeatBackupCompressesExactlyTheFoldersWhoseNamesLeftOutChange)
{
    backUpQuietly();
    // "*.iso" goes: the top folder and "two" hold one; "four" holds two that
    // could not be left out anyway, so its archive stays. "c.log" comes in.
    // A hidden file, which no count counts, is now left out of "four".
    std::erase(fields.exclusions, "*.iso");
    fields.exclusions.push_back("c.log");
    fields.exclusions.push_back(".env");
    backUpQuietly();

    EXPECT_EQ(compressedAgain(), (std::vector<std::string>{ folders[1], folders[3], folders[5] }));
    // (The archiver's listing shows a line feed in a name as '_'.)
    EXPECT_EQ(archiveEntries(archiveIn(1, folders[3])),
        (std::vector<std::string>{ "a.txt", "b.txt", "bad\xff.iso", "build", "new_line.iso" }));
    EXPECT_FALSE(taken(sources + "/"));
    EXPECT_TRUE(taken(sources + "/docs/"));
    EXPECT_TRUE(taken(sources + "/one/notcache/"));
    EXPECT_EQ(
        archiveEntries(archiveIn(1, sources + "/six/")), (std::vector<std::string>{ "a.txt", "b.txt" }));
    EXPECT_EQ(archiveEntries(archiveIn(1, sources + "/two/")),
        (std::vector<std::string>{ "a.txt", "b.txt", "sub.iso" }));

    // Unchanged patterns take every folder over.
    backUpQuietly();
    EXPECT_TRUE(compressedAgain(1, 2).empty());
    EXPECT_TRUE(taken(sources + "/", 1, 2));

    std::map<std::string, std::string> expected = expectedFiles();
    expected[sources + "/disk.iso"] = "iso";
    expected[sources + "/two/sub.iso"] = "iso";
    expected.erase(sources + "/six/c.log");
    expected.erase(sources + "/four/.env");
    expectNewestRestores(expected);
}

TEST_F(Exclusions, WithSeveralJobsEachJobLeavesOutItsOwnFoldersNames)
{
    // Three archivers at once, each handed the list of its own slot: no
    // folder may leave out the names of another folder's list.
    fields.jobCount = 3;
    backUpQuietly();

    EXPECT_EQ(summary.failed, 0);
    EXPECT_EQ(archiveEntries(archiveIn(0, sources + "/three/")),
        (std::vector<std::string>{ "a.txt", "b.txt", "stXr" }));
    EXPECT_EQ(archiveEntries(archiveIn(0, sources + "/six/")),
        (std::vector<std::string>{ "a.txt", "b.txt", "c.log" }));
    for (const auto& entry : fs::directory_iterator(app.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("leaveout")) << entry.path();
    expectNewestRestores(expectedFiles());
}

TEST_F(Exclusions, APatternWithASlashHoldsFromTheTopOfEachSourceItsFolderWasFoundIn)
{
    // "docs/*.tmp" is anchored: in each source it names the docs folder at
    // that source's top, and no docs folder deeper down.
    const std::string second = dir / "second";
    put(second + "/docs/a.tmp", "at the second source's top");
    put(second + "/docs/a.txt", "kept");
    put(second + "/inner/docs/b.tmp", "not at a top");
    letChangeTimesSettle();
    fields.from = { sources, second };
    clock.setLocal(2026, 12, 6, 9, 0, 1);
    const QuietBackup done = backUpWithoutWindow(fields, app.path());

    EXPECT_EQ(done.summary.failed, 0);
    EXPECT_EQ(archiveEntries(done.runFolder + ArchiveName(sources + "/docs/")),
        (std::vector<std::string>{ "a.txt" }));
    EXPECT_EQ(archiveEntries(done.runFolder + ArchiveName(second + "/docs/")),
        (std::vector<std::string>{ "a.txt" }));
    EXPECT_EQ(archiveEntries(done.runFolder + ArchiveName(second + "/inner/docs/")),
        (std::vector<std::string>{ "b.tmp" }));
    EXPECT_EQ(archiveEntries(done.runFolder + ArchiveName(sources + "/two/docs/")),
        (std::vector<std::string>{ "a.tmp" }));
}

TEST_F(Exclusions, OnlyAFolderWithNamesLeftOutGetsAListReadableByTheUserAlone)
{
    // The archiver notes, for each job, the mode of the list it was handed.
    writeArchiverScript(app.path(),
        "for a in \"$@\"; do case \"$a\" in -xw-@*) stat -c %a \"${a#-xw-@}\" >> \"$(dirname "
        "\"${a#-xw-@}\")/modes\";; "
        "esac; done\nexec \"$REAL\" \"$@\"");
    backUpQuietly();

    const RunJournal journal = *ReadRunJournal(runs[0]);
    // The top folder, docs, two, three and six; "four" holds only names that cannot be left out.
    ASSERT_EQ(journal.leftOut.size(), 5u);
    EXPECT_EQ(readText(app.path() + "/modes"), "600\n600\n600\n600\n600\n");
    EXPECT_FALSE(fs::exists(app.path() + "/leaveout.txt"));
    EXPECT_EQ(summary.failed, 0);
}

TEST_F(Exclusions, HiddenFoldersGoInWhenAskedForAndTheRulesStillHold)
{
    fields.exclusions = { "*.iso" };
    put(sources + "/.config/app.conf", "conf");
    put(sources + "/.config/big.iso", "iso");
    put(sources + "/.cache/CACHEDIR.TAG", kTag);
    put(sources + "/.cache/blob", "blob");
    letChangeTimesSettle();

    Lines log = backUpQuietly();
    EXPECT_TRUE(hasLine(log, "Hidden folder not backed up: " + sources + "/.config/"));
    EXPECT_FALSE(fs::exists(archiveIn(0, sources + "/.config/")));

    fields.hiddenToo = true;
    log = backUpQuietly();
    EXPECT_FALSE(hasLine(log, "Hidden folder not backed up: " + sources + "/.config/"));
    EXPECT_TRUE(
        hasLine(log, "Folder not backed up, it is a cache folder (CACHEDIR.TAG): " + sources + "/.cache/"));
    EXPECT_EQ(archiveEntries(archiveIn(1, sources + "/.config/")), (std::vector<std::string>{ "app.conf" }));
    EXPECT_FALSE(fs::exists(archiveIn(1, sources + "/.cache/")));
    EXPECT_EQ(summary.failed, 0);
}

} // namespace
} // namespace testsupport
