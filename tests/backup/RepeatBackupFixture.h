#pragma once

// What the tests of repeat backups share: a tree of source folders, whole
// backups without a window at the test's clock, and which folders a run took
// over from an earlier one.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "store/RunJournal.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

using Lines = std::vector<std::string>;

inline bool hasLine(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A run takes over a folder only when every change time in it lay clearly
// before the previous run looked at it: what a test makes before a run must
// be older than that.
inline void letChangeTimesSettle()
{
    std::this_thread::sleep_for(std::chrono::nanoseconds(kSameTickMargin) + std::chrono::milliseconds(100));
}

// Rewrites each line of a run's journal (line feed included) through `edit`.
inline void editJournal(
    const std::string& runFolder, const std::function<std::string(const std::string&)>& edit)
{
    const std::string path = AddBackslash(runFolder) + kRunJournal;
    const std::string text = readText(path);
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        out += edit(text.substr(at, end - at + 1));
        at = end + 1;
    }
    writeText(path, out);
}

// Gives a run's journal another start and archiver switches, as a clock set
// wrong or another version of the program would have left them.
inline void rewriteJournal(const std::string& runFolder, std::int64_t started, const std::string& archiver)
{
    editJournal(runFolder, [&](const std::string& line) {
        if (line.starts_with("started\t"))
            return JournalLine("started", { std::to_string(started) });
        if (line.starts_with("archiver\t"))
            return JournalLine("archiver", { archiver });
        return line;
    });
}

class RepeatBackup : public BackupRestoreFixture {
protected:
    RepeatBackup()
    {
        for (const char* name : { "one", "two", "three", "four", "five", "six" })
            folders.push_back(folderWithFiles(name));
        letChangeTimesSettle();
    }

    std::string folderWithFiles(const std::string& name)
    {
        return testsupport::folderWithFiles(sources, name);
    }

    // One whole backup without a window at the next second of the test's
    // clock; returns its log and remembers its run folder.
    Lines backUpQuietly(const std::function<void(BackupRun&, const std::string&)>& onLine = {})
    {
        clock.setLocal(2026, 12, 6, 9, 0, ++m_second);
        fields.from = { sources };
        QuietBackup done = backUpWithoutWindow(fields, app.path(), onLine);
        summary = done.summary;
        runs.push_back(done.runFolder);
        return done.log;
    }

    std::string archiveIn(std::size_t run, const std::string& folder) const
    {
        return runs.at(run) + ArchiveName(folder);
    }

    // True when the second run's archive and count file of `folder` are the
    // very files of the first run's.
    bool taken(const std::string& folder, std::size_t from = 0, std::size_t to = 1) const
    {
        const std::string before = archiveIn(from, folder), after = archiveIn(to, folder);
        return std::filesystem::exists(after) && std::filesystem::equivalent(before, after)
            && std::filesystem::equivalent(CountFileName(before), CountFileName(after));
    }

    // Restores the newest run and checks it brings back `expected` byte for byte.
    void expectNewestRestores(const std::map<std::string, std::string>& expected)
    {
        restore(DecodePath(std::filesystem::path(runs.back()).parent_path().filename().string()));
        EXPECT_TRUE(shownAfterQuestion().empty());
        expectRestoredExactly(fields.unBackupTo, expected);
    }

    std::vector<std::string> compressedAgain(std::size_t from = 0, std::size_t to = 1) const
    {
        std::vector<std::string> again;
        for (const std::string& folder : folders) {
            if (!taken(folder, from, to))
                again.push_back(folder);
        }
        return again;
    }

    std::string sources = dir / "src";
    std::vector<std::string> folders; // the sources' folders below the top one
    std::vector<std::string> runs; // run folders, oldest first, trailing separator included
    RunSummary summary;

private:
    int m_second = 0;
};

} // namespace testsupport
