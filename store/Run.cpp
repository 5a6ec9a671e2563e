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
    } catch (const RunStopped&) {
        // Asked for by the user: no failure to report, and the closing steps follow.
        tally().stopped = true;
    } catch (const std::exception& error) {
        // Whatever ended the run, the window must still become closable:
        // say what failed, then go on with the closing steps.
        log(stoppedLogLine(error));
        showError(stoppedBoxText(error));
    }
    DeleteBatchFile(m_appFolder);
}

void Run::requestStop()
{
    m_stopRequested = true;
    StopRunningJob();
}

void Run::stopIfRequested() const
{
    if (m_stopRequested)
        throw RunStopped();
}

platform::MsgAnswer Run::StopAwareHost::showMessage(
    const std::string& text, const std::string& title, int style)
{
    if (!m_stopped)
        return m_host.showMessage(text, title, style);
    // The job that the stop ended leaves failures behind; the user who
    // asked for the stop is not held up by them.
    m_host.log(MessageLogLine(text, title));
    return platform::SafeAnswer(style);
}

void Run::warn(const std::string& text)
{
    m_summary.warnings.push_back(text);
    log("Warning: " + text);
}
