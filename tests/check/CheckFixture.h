#pragma once

// A store made by whole backups with the real archiver, and checks of it
// run without a window.
#include "check/CheckRun.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "platform/ChangeTimes.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

namespace testsupport {

class CheckStore : public BackupRestoreFixture {
protected:
    explicit CheckStore(int folderCount = 3)
    {
        fields.to = dir / "target";
        makeDirs(fields.to);
        for (int i = 0; i < folderCount; ++i)
            folders.push_back(folderWithFiles(sources, "folder" + std::to_string(i)));
        // What a test makes before a run must be older than the newest change a run trusts.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }

    // One whole backup at the next second of the test's clock; returns its log.
    std::vector<std::string> backUpQuietly()
    {
        clock.setLocal(2026, 12, 6, 9, 0, ++m_second);
        fields.from = { sources };
        QuietBackup done = backUpWithoutWindow(fields, app.path());
        runs.push_back(done.runFolder);
        dates.push_back(dateText(2026, 12, 6, 9, 0, m_second));
        return done.log;
    }

    struct Checked {
        std::vector<std::string> log;
        std::size_t tested = 0;
        std::size_t damaged = 0;
        std::string closing;
    };

    // One check; `onLine` sees the run and every log line as it is written.
    Checked check(CheckOptions options, const std::function<void(CheckRun&, const std::string&)>& onLine = {})
    {
        Checked checked;
        CheckRun* running = nullptr;
        LogHost host([&](const std::string& line) {
            checked.log.push_back(line);
            if (onLine && running)
                onLine(*running, line);
        });
        CheckRun run(host, fields.to, app.path(), options);
        running = &run;
        run.run();
        checked.tested = run.testedNow();
        checked.damaged = run.damagedKnown();
        checked.closing = run.closingLine();
        return checked;
    }

    static CheckOptions every()
    {
        CheckOptions options;
        options.all = true;
        return options;
    }

    std::string archiveIn(std::size_t run, const std::string& folder) const
    {
        return runs.at(run) + ArchiveName(folder);
    }

    // Turns one byte of the file's middle into another, its size kept.
    static void flipByte(const std::string& path)
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(0, std::ios::end);
        const std::streamoff middle = file.tellg() / 2;
        file.seekg(middle);
        const char byte = static_cast<char>(file.get() ^ 0x5A);
        file.seekp(middle);
        file.put(byte);
    }

    std::string sources = dir / "src";
    std::vector<std::string> folders; // with their separators
    std::vector<std::string> runs; // run folders, oldest first, with separators
    std::vector<std::string> dates; // their date texts

private:
    int m_second = 0;
};

inline std::vector<std::string> linesStarting(const std::vector<std::string>& log, const std::string& start)
{
    std::vector<std::string> found;
    for (const std::string& line : log)
        if (line.starts_with(start))
            found.push_back(line);
    return found;
}

} // namespace testsupport
