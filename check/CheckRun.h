#pragma once

#include "check/StoreArchives.h"
#include "store/Run.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The check run: tests the archives of a backup target with the archiver's
// own test command, each distinct file once, the ones checked longest ago
// first, until its time is used or every one is checked. Each test's
// outcome is added to the target's record of checks as soon as it is known,
// so a check that is stopped or killed goes on next time where it was.
struct CheckOptions {
    std::int64_t budgetSeconds = 10 * 60; // the time the tests may take
    bool all = false; // test every archive, however long it takes
    int checkDays = 30; // every archive read within this many days
};

class CheckRun : public Run {
public:
    CheckRun(RunHost& host, std::string backupTarget, std::string appFolder, CheckOptions options);

    // What the check found, once it is over.
    std::size_t testedNow() const { return m_tested; } // archives tested by this run
    std::size_t damagedNow() const { return m_damagedNow; } // of them, found damaged
    std::size_t damagedKnown() const { return m_damaged.size(); } // damaged in the store, as last checked
    // The folders of those damaged archives, as the user names them.
    const std::vector<std::string>& damagedFolders() const { return m_damaged; }
    bool timeUsed() const { return m_timeUsed; } // the budget ended the run before every archive was tested
    // The closing line, e.g. "312 archives checked, 0 damaged; every archive
    // checked within the last 23 days".
    const std::string& closingLine() const { return m_closingLine; }

    const std::string& backupTarget() const { return m_backupTarget; }

protected:
    void steps() override;
    std::string busyLogLine() const override;
    std::string stoppedLogLine(const std::exception& error) const override;
    std::string stoppedBoxText(const std::exception& error) const override;
    std::string doneWord() const override { return "checked"; }

private:
    enum class Outcome { Good, Damaged, Unchecked };
    Outcome test(const std::string& archivePath, std::int64_t msLeft);
    // Tests one archive file unless the time is up (false: the check ends here).
    bool checkOne(StoreArchive& archive, std::chrono::steady_clock::time_point deadline);
    void compact(const CheckRecord& record, const std::vector<StoreArchive>& archives);
    void closing(const std::vector<StoreArchive>& archives);

    std::string m_backupTarget;
    CheckOptions m_options;
    std::size_t m_tested = 0;
    std::size_t m_damagedNow = 0;
    std::vector<std::string> m_damaged;
    bool m_timeUsed = false;
    bool m_recordWarned = false;
    std::string m_closingLine;
};
