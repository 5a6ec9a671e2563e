#include "store/Run.h"

#include "pathutil/PathRoutines.h"
#include "platform/ChangeTimes.h"
#include "platform/RunLock.h"
#include "platform/SymlinkTarget.h"
#include "store/JobRunner.h"
#include "store/StoreIdentity.h"

#include <utility>

Run::Run(RunHost& host, std::string appFolder)
    : m_host(host, m_keptLog)
    , m_appFolder(std::move(appFolder))
{
}

void Run::run()
{
    // Made before anything can stop the run, so that a backup that could
    // not even start leaves its log too.
    if (const std::string target = keptLogTarget(); !target.empty())
        m_keptLog.emplace(StoreStateFolder(), target, platform::wallClockNanoseconds());
    // Another copy of the program using the same application folder would
    // overwrite this run's job files: the run holds the folder to its end,
    // and one that cannot have it does nothing and leaves the job files alone.
    const platform::RunLock lock(RunLockFile(m_appFolder));
    if (lock.busy()) {
        const std::string box = AnotherRunText(m_appFolder);
        log(busyLogLine());
        // The box's text stays in the log once the box is closed; a run whose
        // own line says it already does not say it twice.
        if (!busyLogLine().starts_with("Error:"))
            log(ErrorLogLine(box.substr(ErrorBoxText({}).size())));
        m_host.showMessage(box, "Error!", platform::kMsgCritical);
        log(SummaryLine(m_summary, doneWord()));
        return;
    }
    // Without the archiver every folder would fail alike: one box says so,
    // and nothing is made, not even a run folder.
    if (const std::string missing = MissingArchiverText(m_appFolder); !missing.empty()) {
        ShowErrorBox(m_host, missing);
        log(SummaryLine(m_summary, doneWord()));
        return;
    }
    try {
        steps();
    } catch (const RunStopped&) {
        // Asked for by the user: no failure to report, and the closing steps follow.
        tally().stopped = true;
        stoppedByUser();
    } catch (const std::exception& error) {
        // Whatever ended the run, the window must still become closable:
        // say what failed, then go on with the closing steps.
        log(stoppedLogLine(error));
        showError(stoppedBoxText(error));
    }
    log(SummaryLine(m_summary, doneWord()));
    DeleteBatchFile(m_appFolder);
}

std::string SummaryLine(const RunSummary& summary, const std::string& doneWord)
{
    std::string line = "Summary: " + std::to_string(summary.done) + " folders " + doneWord + ", "
        + std::to_string(summary.failed) + " failed, " + std::to_string(summary.changed) + " changed, "
        + std::to_string(summary.skipped) + " skipped";
    // Folders taken over unchanged are stored too; how many of the stored
    // ones were compressed afresh is said beside them.
    if (summary.reused > 0)
        line += ", " + std::to_string(summary.done - summary.reused) + " compressed, "
            + std::to_string(summary.reused) + " reused";
    if (!summary.warnings.empty())
        line += ", " + std::to_string(summary.warnings.size()) + " warnings";
    if (summary.stopped)
        line += ", stopped by the user";
    return line;
}

std::string MissingArchiverText(const std::string& appFolder)
{
    const std::string archiver = AddBackslash(appFolder) + "7z";
    if (platform::isRunnableProgram(archiver))
        return {};
    return "7z missing..."
           "\r\n"
           "The archiver "
        + archiver
        + " is missing or cannot be run, so no folder can be backed up or restored."
          "\r\n"
          "Install it with: sudo apt install 7zip";
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

void Run::KeepingHost::log(const std::string& line)
{
    // Kept first: whatever the host does with the line, the file has it.
    if (m_kept)
        m_kept->line(line);
    m_host.log(line);
}

void Run::warn(const std::string& text)
{
    m_summary.warnings.push_back(text);
    log("Warning: " + text);
}
