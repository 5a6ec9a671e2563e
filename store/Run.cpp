#include "store/Run.h"

#include "platform/RunLock.h"
#include "store/JobRunner.h"

#include <utility>

Run::Run(RunHost& host, std::string appFolder)
    : m_host(host)
    , m_appFolder(std::move(appFolder))
{
}

void Run::run()
{
    // Another copy of the program using the same application folder would
    // overwrite this run's job files: the run holds the folder to its end,
    // and one that cannot have it does nothing and leaves the job files alone.
    const platform::RunLock lock(RunLockFile(m_appFolder));
    if (lock.busy()) {
        log(busyLogLine());
        m_host.showMessage(AnotherRunText(m_appFolder), "Error!", platform::kMsgCritical);
        return;
    }
    try {
        steps();
    } catch (const std::exception& error) {
        // Whatever ended the run, the window must still become closable:
        // say what failed, then go on with the closing steps.
        log(stoppedLogLine(error));
        showError(stoppedBoxText(error));
    }
    DeleteBatchFile(m_appFolder);
}

void Run::warn(const std::string& text)
{
    m_summary.warnings.push_back(text);
    log("Warning: " + text);
}
