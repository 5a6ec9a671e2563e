// Folders however deep: a folder whose encoded path is too long for a file
// name is stored under a shortened name with its path in a hidden file
// beside the archive, taken over by a repeat backup with that file, and
// restored byte for byte; a shortened archive without a sound path file is
// named and counted as failed. Whole runs with the real archiver.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "platform/ChangeTimes.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "store/ArchiveNames.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Lines = std::vector<std::string>;

class DeepFolders : public BackupRestoreFixture {
protected:
    // One whole backup of `from` without a window, a second after the last.
    QuietBackup backUpQuietly(const Lines& from)
    {
        // What the test made must be older than the newest change a run
        // trusts, for the second run to take its archives over.
        if (runs.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        clock.setLocal(2026, 12, 6, 9, 0, ++m_second);
        fields.from = from;
        QuietBackup done = backUpWithoutWindow(fields, app.path());
        runs.push_back(done.runFolder);
        return done;
    }

    static std::string dateOf(const std::string& run)
    {
        return DecodePath(fs::path(run).parent_path().filename().string());
    }

    // The sources and 30 levels of 60-byte names below it, each with a file;
    // returns every folder with its separator, the top first.
    Lines makeThirtyLevels()
    {
        Lines folders{ sources + "/" };
        for (int i = 0; i < 30; ++i) {
            std::string name = "level " + std::to_string(i) + " ";
            name += std::string(60 - name.size(), 'x');
            folders.push_back(folders.back() + name + "/");
        }
        makeDirs(folders.back());
        for (const std::string& folder : folders)
            writeText(folder + "f.txt", folder);
        return folders;
    }

    // The archive, path file and count file of the folder's in `run`, where
    // they are the same files as in `other`.
    static bool sharedWith(const std::string& run, const std::string& other, const std::string& name)
    {
        for (const std::string& file :
            { name, CountFileName(name), IsShortenedName(name) ? PathFileName(name) : name }) {
            if (!fs::exists(run + file) || !fs::equivalent(run + file, other + file))
                return false;
        }
        return true;
    }

    std::string sources = dir / "src";
    Lines runs; // run folders, oldest first, with their separators

private:
    int m_second = 0;
};

TEST_F(DeepFolders, ThirtyLevelsOfLongNamesAreStoredTakenOverAndRestored)
{
    const Lines folders = makeThirtyLevels();
    const auto expected = filesOfTree(sources);

    const QuietBackup first = backUpQuietly({ sources });
    EXPECT_EQ(first.summary.failed, 0);
    EXPECT_EQ(first.summary.done, 31);
    const std::optional<RunJournal> journal = ReadRunJournal(runs[0]);
    ASSERT_TRUE(journal);
    int shortened = 0;
    for (const std::string& folder : folders) {
        const std::string name = StoredArchiveName(folder, 255);
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::is_regular_file(runs[0] + name));
        EXPECT_EQ(readText(runs[0] + CountFileName(name)), "1");
        if (IsShortenedName(name)) {
            ++shortened;
            EXPECT_EQ(readText(runs[0] + PathFileName(name)), folder);
        }
        EXPECT_EQ(archiveEntries(runs[0] + name), Lines{ "f.txt" });
        EXPECT_NE(std::find_if(journal->held.begin(), journal->held.end(),
                      [&](const JournalFolder& held) { return held.archive == name && held.path == folder; }),
            journal->held.end());
    }
    EXPECT_GE(shortened, 25);
    // The log names folders by their real paths only.
    for (const std::string& line : first.log)
        EXPECT_EQ(line.find(kShortenedMarker), std::string::npos) << line;

    const QuietBackup second = backUpQuietly({ sources });
    EXPECT_EQ(second.summary.reused, 31);
    EXPECT_EQ(second.summary.failed, 0);
    for (const std::string& folder : folders)
        EXPECT_TRUE(sharedWith(runs[1], runs[0], StoredArchiveName(folder, 255))) << folder;

    // The newer run stands on its own.
    fs::remove_all(runs[0]);
    const Lines log = restore(dateOf(runs[1]));
    EXPECT_TRUE(shownAfterQuestion().empty());
    EXPECT_EQ(log.back(), "Summary: 31 folders restored, 0 failed, 0 changed, 0 skipped");
    EXPECT_NE(std::find(log.begin(), log.end(),
                  "Start:   Decompress " + folders.back().substr(0, folders.back().size() - 1)),
        log.end());
    expectRestoredExactly(fields.unBackupTo, expected);
}

TEST_F(DeepFolders, AnEverydayPhotoTreeHoldsBothFormsOfNamesAndComesBackWhole)
{
    const std::string home = dir / "home/annemarie-schneider-mueller-luedenscheid";
    std::string folder = home + "/";
    Lines folders{ folder };
    for (const char* level : { "Bilder", "2024", "Urlaub Italien", "Bearbeitet (f\xc3\xbcr Druck)",
             "Auswahl f\xc3\xbcr das Fotobuch" }) {
        folder += std::string(level) + "/";
        folders.push_back(folder);
    }
    makeDirs(folder);
    for (const std::string& each : folders) {
        writeText(each + "IMG 0001 (Kopie).jpg", "photo of " + each);
        writeText(each
                + "Gr\xc3\xbc\xc3\x9f"
                  "e an \xc3\x96mi.txt",
            each);
    }
    const auto expected = filesOfTree(home);
    std::set<bool> forms;
    for (const std::string& each : folders)
        forms.insert(IsShortenedName(StoredArchiveName(each, 255)));
    ASSERT_EQ(forms.size(), 2u) << "the tree must give names of both forms";

    const QuietBackup first = backUpQuietly({ home });
    EXPECT_EQ(first.summary.failed, 0);
    EXPECT_EQ(first.summary.done, 6);
    // The names that fit are as they always were, and only the shortened
    // ones have a path file.
    Lines expectedNames;
    for (const std::string& each : folders) {
        const std::string name = StoredArchiveName(each, 255);
        expectedNames.push_back(name);
        expectedNames.push_back(CountFileName(name));
        if (IsShortenedName(name))
            expectedNames.push_back(PathFileName(name));
        else
            EXPECT_EQ(name, ArchiveName(each));
    }
    expectedNames.push_back(kRunJournal);
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(allNames(runs[0]), expectedNames);

    backUpQuietly({ home });
    for (const std::string& each : folders)
        EXPECT_TRUE(sharedWith(runs[1], runs[0], StoredArchiveName(each, 255))) << each;

    restore(dateOf(runs[1]));
    EXPECT_TRUE(shownAfterQuestion().empty());
    expectRestoredExactly(fields.unBackupTo, expected);
}

TEST_F(DeepFolders, AShortenedArchiveWithoutASoundPathFileIsNamedAndCountedFailed)
{
    const Lines folders = makeThirtyLevels();
    backUpQuietly({ sources });
    const std::string& run = runs[0];
    const std::string missing = StoredArchiveName(folders[27], 255);
    const std::string damaged = StoredArchiveName(folders[28], 255);
    ASSERT_TRUE(IsShortenedName(missing) && IsShortenedName(damaged));
    fs::remove(run + PathFileName(missing));
    writeText(run + PathFileName(damaged), "/somewhere/else/");

    // A path file made to fit its name that leads out of the restore target,
    // as a crafted archive name would.
    std::string outside = folders[29];
    for (int i = 0; i < 40; ++i)
        outside += "../";
    outside += "outside/";
    const std::string crafted = StoredArchiveName(outside, 255);
    const std::string last = StoredArchiveName(folders[29], 255);
    fs::rename(run + last, run + crafted);
    fs::rename(run + CountFileName(last), run + CountFileName(crafted));
    fs::remove(run + PathFileName(last));
    writeText(run + PathFileName(crafted), outside);

    const Lines log = restore(dateOf(run));
    // The crafted archive is refused, and the folder whose archive it took
    // the place of is named as lost by the run's journal.
    EXPECT_EQ(log.back(), "Summary: 28 folders restored, 4 failed, 0 changed, 0 skipped");
    const std::string refused = "Error!\r\n\r\nArchive not restored...\r\n";
    std::set<std::string> texts;
    for (const ShownBox& box : shownAfterQuestion()) {
        EXPECT_EQ(box.title, "Error!");
        texts.insert(box.text);
    }
    EXPECT_EQ(texts,
        (std::set<std::string>{
            refused + "The path file " + run + PathFileName(missing)
                + " of the shortened archive is missing: its folder is not known.\r\n\r\nFor Directory: "
                + missing + "\r\nFolder: " + DecodePath(ShortenedHead(missing)) + "...",
            refused + "The path file " + run + PathFileName(damaged)
                + " is damaged: it does not hold the folder the archive is named for.\r\n\r\nFor Directory: "
                + damaged + "\r\nFolder: " + DecodePath(ShortenedHead(damaged)) + "...",
            refused
                + "The folder path of the archive holds a \"..\" level and would lie outside the restore "
                  "target.\r\n\r\nFor Directory: "
                + crafted + "\r\nFolder: " + outside,
            "Error!\r\n\r\nFolders not restored...\r\nThe backup of " + dateOf(run)
                + " holds 1 folders whose archives cannot be read:\r\n" + folders[29],
        }));
    for (std::size_t i = 27; i < 30; ++i)
        EXPECT_FALSE(fs::exists(fields.unBackupTo + folders[i] + "f.txt")) << i;
    EXPECT_EQ(readText(fields.unBackupTo + folders[26] + "f.txt"), folders[26]);
    EXPECT_FALSE(fs::exists(dir / "outside"));
    EXPECT_FALSE(fs::exists(fields.unBackupTo + "/outside"));
}

TEST_F(DeepFolders, ABoxAboutAShortenedArchiveNamesItsFolderInFull)
{
    const Lines folders = makeThirtyLevels();
    backUpQuietly({ sources });
    const std::string& run = runs[0];
    const std::string deepest = StoredArchiveName(folders[30], 255);
    ASSERT_TRUE(IsShortenedName(deepest));
    writeText(run + CountFileName(deepest), "7");

    restore(dateOf(run), { platform::MsgAnswer::Ok, platform::MsgAnswer::No });
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 2u);
    // The defined text names the shortened archive; the line after it names
    // the folder the user knows.
    EXPECT_TRUE(shown[0].text.starts_with("Error!\r\n\r\nZZip not completed well...")) << shown[0].text;
    EXPECT_NE(shown[0].text.find("For Directory: " + deepest + "\r\n"), std::string::npos) << shown[0].text;
    EXPECT_TRUE(shown[0].text.ends_with("\r\nFolder: " + folders[30])) << shown[0].text;
    EXPECT_EQ(shown[1].title, "Read file?");
}

TEST_F(DeepFolders, AnIncompleteRunNamesTheDeepFolderItLacksByItsPath)
{
    const Lines folders = makeThirtyLevels();
    backUpQuietly({ sources });
    const std::string& run = runs[0];
    Lines planned;
    for (const std::string& folder : folders)
        planned.push_back(StoredArchiveName(folder, 255));
    const std::string lost = planned.back();
    for (const std::string& file : { lost, CountFileName(lost), PathFileName(lost) })
        fs::remove(run + file);
    ASSERT_TRUE(MarkRunIncomplete(run, planned));

    restore(dateOf(run) + frmUnBackupSelectDate::outcomeFlag("incomplete"));
    // The journal names the folder by its real path; no box shows the
    // shortened name.
    const auto shown = shownAfterQuestion();
    ASSERT_FALSE(shown.empty());
    const bool named = std::any_of(shown.begin(), shown.end(),
        [&](const ShownBox& box) { return box.text.find("\r\n" + folders.back()) != std::string::npos; });
    EXPECT_TRUE(named) << shown.back().text;
    for (const ShownBox& box : shown)
        EXPECT_EQ(box.text.find(kShortenedMarker), std::string::npos) << box.text;
}

TEST_F(DeepFolders, AFolderPastTheLongestPathIsRefusedOnceAndTheLevelsAboveAreStored)
{
    const std::string chain = sources + "/chain";
    makeDirs(chain);
    const std::string part(250, 'c');
    // bash, since dash's cd gives up once the path passes 4,096 bytes.
    writeText(dir / "make-chain.sh",
        "cd '" + chain + "' && for i in $(seq 20); do mkdir " + part + " && cd " + part
            + " || exit 1; done && echo bottom > f\n");
    ASSERT_EQ(std::system(("bash '" + dir / "make-chain.sh" + "'").c_str()), 0);
    std::string tooDeep = chain + "/";
    Lines stored;
    while (tooDeep.size() < 4096) {
        stored.push_back(tooDeep);
        tooDeep += part + "/";
    }

    const QuietBackup done = backUpQuietly({ chain });
    EXPECT_EQ(done.summary.failed, 1);
    EXPECT_EQ(done.summary.done, static_cast<int>(stored.size()));
    for (const std::string& folder : stored)
        EXPECT_TRUE(fs::is_regular_file(runs[0] + StoredArchiveName(folder, 255))) << folder.size();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
        "Error!\r\n\r\nFolder not backed up: its path is longer than the system can open, nor is any "
        "folder below it...For Directory: "
            + tooDeep);
}

} // namespace
} // namespace testsupport
