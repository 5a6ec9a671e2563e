#include "app/LastBackup.h"

#include "app/CheckSettings.h"
#include "check/CheckStatus.h"
#include "platform/FileSystem.h"
#include "restore/RestoreSteps.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <exception>

std::string LastBackupText(const std::string& backupTarget)
{
    if (backupTarget.empty() || !platform::folderExists(backupTarget))
        return "Last complete backup: none yet";
    try {
        // Newest first: the first run that reached its end is the one.
        for (const std::string& date : FindDateTexts(backupTarget)) {
            if (ReadRunState(RunFolderPath(backupTarget, date)).complete) {
                const std::string checked = CheckStatusText(backupTarget, savedCheckDays());
                return "Last complete backup: " + date + (checked.empty() ? "" : "; " + checked);
            }
        }
    } catch (const std::exception&) {
        return "Last complete backup: the backup target cannot be read";
    }
    return "Last complete backup: none yet";
}
