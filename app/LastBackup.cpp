#include "app/LastBackup.h"

#include "app/CheckSettings.h"
#include "check/CheckStatus.h"
#include "platform/FileSystem.h"
#include "store/RunList.h"
#include "store/StoreIdentity.h"

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
