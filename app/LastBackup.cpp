#include "app/LastBackup.h"

#include "app/CheckSettings.h"
#include "check/CheckStatus.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/RunList.h"
#include "store/RunLogs.h"
#include "store/StoreIdentity.h"

#include <QDateTime>

#include <algorithm>
#include <exception>

std::string RunOutcomeText(const StoredRun& run)
{
    switch (run.verdict.outcome) {
    case RunOutcome::Complete:
        return "complete";
    case RunOutcome::Failed:
        return std::to_string(run.verdict.failed) + (run.verdict.failed == 1 ? " folder" : " folders")
            + " failed";
    case RunOutcome::Stopped:
        return "stopped";
    case RunOutcome::Incomplete:
        break;
    }
    return "did not reach its end";
}

std::string LastBackupText(const std::string& backupTarget)
{
    if (backupTarget.empty() || !platform::folderExists(backupTarget))
        return "Last backup: none yet";
    std::vector<StoredRun> runs;
    try {
        runs = ListRuns(backupTarget);
    } catch (const std::exception&) {
        return "Last backup: the backup target cannot be read";
    }
    if (runs.empty())
        return "Last backup: none yet";
    std::string text = "Last backup: " + runs.front().date + ", " + RunOutcomeText(runs.front());
    if (!ReachedItsEnd(runs.front().verdict)) {
        // The backup a restore of "the latest" would bring back.
        if (const auto ended = NewestEndedRun(runs))
            text += "; the last to reach its end: " + ended->date + ", " + RunOutcomeText(*ended);
        else
            text += "; none reached its end";
    }
    if (const std::string checked = CheckStatusText(backupTarget, savedCheckDays()); !checked.empty())
        text += "; " + checked;
    return text;
}

std::string TargetTroubleText(const std::string& backupTarget, const std::string& stateFolder)
{
    if (backupTarget.empty())
        return {};
    if (std::string missing = WhyStoreMissing(backupTarget, stateFolder); !missing.empty())
        return missing;
    if (!platform::folderExists(backupTarget))
        return "The backup target is not there: " + backupTarget;
    return {};
}

namespace {

// Why a backup that made no run folder did not start: the first sentence of
// the first error its log holds, e.g. "the backup disk is not there".
std::string whyNotStarted(const KeptRunLog& log)
{
    const auto text = platform::readFileStart(log.path, 64 * 1024);
    if (!text)
        return {};
    const std::size_t error = text->find("\nError:");
    if (error == std::string::npos)
        return {};
    std::size_t start = text->find_first_not_of(' ', error + 8);
    const std::size_t end = text->find_first_of(".:\n", start);
    if (start == std::string::npos || end == std::string::npos || end == start)
        return {};
    std::string why = text->substr(start, end - start);
    if (why[0] >= 'A' && why[0] <= 'Z' && !(why.size() > 1 && why[1] >= 'A' && why[1] <= 'Z'))
        why[0] = static_cast<char>(why[0] - 'A' + 'a');
    return why;
}

std::string timeOf(std::int64_t nanoseconds)
{
    return QDateTime::fromSecsSinceEpoch(nanoseconds / 1'000'000'000)
        .toString("yyyy-MM-dd HH:mm")
        .toStdString();
}

} // namespace

LastRun LastRunOf(const std::string& backupTarget, const std::string& stateFolder)
{
    LastRun last;
    std::vector<KeptRunLog> logs = KeptRunLogs(stateFolder);
    std::erase_if(logs, [&](const KeptRunLog& log) {
        return backupTarget.empty() || AddBackslash(log.target) != AddBackslash(backupTarget);
    });
    last.text = TargetTroubleText(backupTarget, stateFolder);
    if (!last.text.empty()) {
        // The runs cannot be read now; the last backup tried may say more.
        if (!logs.empty())
            last.logPath = logs.front().path;
        return last;
    }
    last.text = LastBackupText(backupTarget);
    std::optional<StoredRun> newest;
    try {
        if (platform::folderExists(backupTarget))
            if (auto runs = ListRuns(backupTarget); !runs.empty())
                newest = runs.front();
    } catch (const std::exception&) {
    }
    // A log begun after the newest run started belongs to no run folder:
    // that backup stopped before it made one.
    if (!logs.empty() && (!newest || logs.front().began > newest->started)) {
        const std::string why = whyNotStarted(logs.front());
        last.text += "; not started " + timeOf(logs.front().began) + (why.empty() ? "" : ": " + why);
        last.logPath = logs.front().path;
        return last;
    }
    if (!newest)
        return last;
    const auto journal = ReadRunJournal(newest->folder);
    if (!journal || journal->log.empty())
        return last;
    const auto kept = std::find_if(
        logs.begin(), logs.end(), [&](const KeptRunLog& log) { return log.name == journal->log; });
    if (kept != logs.end())
        last.logPath = kept->path;
    return last;
}
