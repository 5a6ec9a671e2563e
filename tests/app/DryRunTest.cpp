// The backup's preview from the command line: it writes nothing, and what it
// lists is what the backup then stores.
#include "tests/app/ConsoleProgram.h"

#include "store/ArchiveNames.h"
#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class DryRun : public ConsoleProgram {
protected:
    void put(const std::string& path, const std::string& bytes)
    {
        fs::create_directories(fs::path(path).parent_path());
        writeText(path, bytes);
    }

    void saveWithRules(const std::vector<std::string>& patterns, bool hiddenToo)
    {
        platform::SettingsFile store(m_home / "config/Quorvel Backup/settings.ini");
        MainSettings settings{ { source }, target, restored };
        settings.exclusions = patterns;
        settings.hiddenFolders = hiddenToo;
        saveMainSettings(store, settings);
    }

    // The lines of the preview whose first field is `kind`, without it.
    static std::vector<std::string> linesOfKind(const std::string& out, const std::string& kind)
    {
        std::vector<std::string> lines;
        for (const std::string& line : linesOf(out)) {
            if (line.starts_with(kind + "\t"))
                lines.push_back(line.substr(kind.size() + 1));
        }
        return lines;
    }
};

TEST_F(DryRun, ListsWhatTheBackupThenStoresAndWritesNothing)
{
    put(source + "/top.txt", "top");
    put(source + "/disk.iso", "an image");
    put(source + "/.hidden-file", "hidden files go with their folder");
    put(source + "/docs/a.txt", "aaaa");
    put(source + "/docs/a.tmp", "temporary");
    put(source + "/docs/sub/b.tmp", "not at the top of docs");
    put(source + "/cache/CACHEDIR.TAG", "Signature: 8a477f597d28d172789f06886806bc55");
    put(source + "/cache/blob", "cached");
    put(source + "/fake/CACHEDIR.TAG", "Signature: not the one");
    put(source + "/web/node_modules/m.js", "js");
    put(source + "/.config/app.conf", "conf");
    put(source + "/.config/x.iso", "iso");
    saveWithRules({ "*.iso", "node_modules/", "docs/*.tmp", "!top.txt" }, true);

    const ProgramRun preview = runProgram({ "--backup", "--dry-run" });
    ASSERT_EQ(preview.status, 0) << preview.out << preview.err;
    EXPECT_TRUE(fs::is_empty(target)) << "a preview makes no run folder";
    EXPECT_FALSE(fs::exists(programFolder() + "/temp.bat"));

    const std::vector<std::string> stored = {
        source + "/\t1 files\t" + std::to_string(3 + 33) + " bytes", // hidden files are stored, not counted
        source + "/.config/\t1 files\t4 bytes",
        source + "/docs/\t1 files\t4 bytes",
        source + "/docs/sub/\t1 files\t22 bytes",
        source + "/fake/\t1 files\t22 bytes",
        source + "/web/\t0 files\t0 bytes",
    };
    EXPECT_EQ(linesOfKind(preview.out, "back up"), stored) << preview.out;
    const std::vector<std::string> leftOut = {
        source + "/.config/x.iso\tpattern *.iso",
        source + "/cache/\tit is a cache folder (CACHEDIR.TAG)",
        source + "/disk.iso\tpattern *.iso",
        source + "/docs/a.tmp\tpattern docs/*.tmp",
        source + "/web/node_modules/\tpattern node_modules/",
    };
    EXPECT_EQ(linesOfKind(preview.out, "leave out"), leftOut) << preview.out;
    EXPECT_EQ(linesOfKind(preview.out, "warning"),
        std::vector<std::string>{ "Exclusion pattern not used, taking back what another pattern leaves out "
                                  "(!) is not supported: !top.txt" });
    EXPECT_EQ(linesOfKind(preview.out, "total"),
        std::vector<std::string>{ "6 folders\t5 files\t88 bytes\tleft out: 2 folders, 3 files" });

    // The backup stores just those folders, each with the count listed.
    const ProgramRun backup = runProgram({ "--backup" });
    ASSERT_EQ(backup.status, 0) << backup.out << backup.err;
    const std::string run = onlyRunFolder(target);
    int archives = 0;
    for (const std::string& line : linesOfKind(preview.out, "back up")) {
        const std::string folder = line.substr(0, line.find('\t'));
        const int files = std::stoi(line.substr(line.find('\t') + 1));
        EXPECT_EQ(ReadCountFile(run + "/" + CountFileName(ArchiveName(folder))).count, files) << folder;
        ++archives;
    }
    EXPECT_EQ(archivesBelow(run).size(), static_cast<std::size_t>(archives));
    EXPECT_EQ(archiveEntries(run + "/" + ArchiveName(source + "/")),
        (std::vector<std::string>{ ".hidden-file", "top.txt" }));
}

TEST_F(DryRun, ThatCannotStartSaysWhyWithStatusTwo)
{
    // No settings at all.
    const ProgramRun preview = runProgram({ "--backup", "--dry-run" });
    EXPECT_EQ(preview.status, 2) << preview.out << preview.err;
    EXPECT_TRUE(linesOfKind(preview.out, "total").empty());
}

} // namespace
} // namespace testsupport
