// A backup's run reaches the disk before it is marked complete: the file
// system of the store (and, where that flush cannot tell of a lost write,
// every archive and count file the run made or took over on its own), the
// run folder and the target are written to disk, and only then is the
// incomplete marker removed, the run folder written again after it. No
// run can show a power cut, so the order of the steps is followed through
// the platform's hook, over whole runs with the real archiver.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "platform/ChangeTimes.h"
#include "platform/Durability.h"
#include "platform/FileSystem.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

struct Step {
    std::string step;
    std::string path;
    bool marked; // the run folder still held its incomplete marker
};

class DurableRun : public BackupRestoreFixture {
protected:
    DurableRun()
    {
        sources = dir / "sources";
        for (const char* name : { "one", "two" })
            folderWithFiles(sources, name);
        fields.from = { sources };
        // What is made before a run must be older than the newest change a
        // run trusts to have seen, or the repeat run compresses it again.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        m_previous
            = platform::setDurabilityObserver([this](const std::string& step, const std::string& path) {
                  const std::string run = newestRun();
                  steps.push_back({ step, path, platform::fileExists(run + "/" + kIncompleteMarker) });
                  if (onStep)
                      onStep(step, path);
              });
    }
    ~DurableRun() override { platform::setDurabilityObserver(std::move(m_previous)); }

    std::string newestRun() const
    {
        const std::vector<std::string> all = runFolders();
        return all.empty() ? std::string() : all.back();
    }

    QuietBackup backUp(int second)
    {
        clock.setLocal(2026, 12, 6, 9, 0, second);
        steps.clear();
        return backUpWithoutWindow(fields, app.path());
    }

    // The names in the run folder the run wrote to disk one by one: its
    // archives and count files.
    static std::set<std::string> storedNames(const std::string& runFolder)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(runFolder)) {
            if (entry.path().filename().string().front() != '.')
                names.insert(entry.path().filename().string());
        }
        return names;
    }

    // Checks the whole order of the steps of the run in `runFolder`.
    void expectDurableBeforeComplete(const std::string& runFolder) const
    {
        ASSERT_GE(steps.size(), 4u);
        EXPECT_EQ(steps.front().step, "syncfs");
        EXPECT_TRUE(fs::equivalent(steps.front().path, runFolder));
        std::set<std::string> synced;
        std::size_t i = 1;
        for (; i < steps.size() && steps[i].step == "fsync file"; ++i) {
            EXPECT_TRUE(fs::equivalent(fs::path(steps[i].path).parent_path(), runFolder)) << steps[i].path;
            synced.insert(fs::path(steps[i].path).filename().string());
        }
        // The archives, their count files and the journal that names them,
        // one by one only where the flush of the file system would not tell
        // of a write that failed: each costs the disk a flush of its cache.
        std::set<std::string> expected;
        if (!platform::syncFileSystemReportsErrors()) {
            expected = storedNames(runFolder);
            expected.insert(kRunJournal);
        }
        EXPECT_EQ(synced, expected);
        ASSERT_EQ(steps.size(), i + 3);
        EXPECT_EQ(steps[i].step, "fsync folder");
        EXPECT_TRUE(fs::equivalent(steps[i].path, runFolder));
        EXPECT_EQ(steps[i + 1].step, "fsync folder");
        EXPECT_TRUE(fs::equivalent(steps[i + 1].path, fields.to));
        // Everything up to here happened while the run was still marked
        // incomplete; the last step comes after the marker is gone.
        for (std::size_t j = 0; j <= i + 1; ++j)
            EXPECT_TRUE(steps[j].marked) << steps[j].step << " " << steps[j].path;
        EXPECT_EQ(steps[i + 2].step, "fsync folder");
        EXPECT_TRUE(fs::equivalent(steps[i + 2].path, runFolder));
        EXPECT_FALSE(steps[i + 2].marked);
        EXPECT_TRUE(ReadRunState(runFolder).complete);
    }

    std::string sources;
    std::vector<Step> steps;
    std::function<void(const std::string&, const std::string&)> onStep;

private:
    platform::DurabilityObserver m_previous;
};

TEST_F(DurableRun, ArchivesMadeOrTakenOverReachTheDiskBeforeTheMarkerGoes)
{
    const QuietBackup first = backUp(1);
    // The sources folder and its two folders.
    EXPECT_EQ(first.summary.done, 3);
    expectDurableBeforeComplete(first.runFolder);
    EXPECT_EQ(storedNames(first.runFolder).size(), 6u);

    // A repeat run takes every folder over: its new names are written to disk too.
    const QuietBackup second = backUp(2);
    EXPECT_EQ(second.summary.reused, 3);
    expectDurableBeforeComplete(second.runFolder);
}

TEST_F(DurableRun, ARunWhoseFilesCannotBeWrittenToDiskStaysIncompleteWithAWarning)
{
    // A count file that is gone by the end of the run cannot be written to
    // disk: the run cannot say its archives are all there.
    onStep = [](const std::string& step, const std::string& path) {
        if (step != "syncfs")
            return;
        for (const auto& entry : fs::directory_iterator(path)) {
            if (entry.path().string().ends_with(".7z.dat")) {
                fs::remove(entry.path());
                return;
            }
        }
    };
    const QuietBackup run = backUp(1);
    EXPECT_FALSE(ReadRunState(run.runFolder).complete);
    const auto warning = std::find_if(run.log.begin(), run.log.end(), [](const std::string& line) {
        return line.starts_with(
            "Warning: The run stays marked incomplete, its archives may not all be on disk: ");
    });
    EXPECT_NE(warning, run.log.end());
    EXPECT_EQ(run.summary.warnings.size(), 1u);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(
        std::count_if(steps.begin(), steps.end(), [](const Step& s) { return s.step == "fsync folder"; }), 0);
}

} // namespace
} // namespace testsupport
