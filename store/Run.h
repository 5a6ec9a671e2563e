#pragma once

#include "store/RunHost.h"
#include "store/RunLogs.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

// What a run did, folder by folder, for the line that closes its log.
struct RunSummary {
    int done = 0; // folders stored by a backup, or restored and checked by a restore
    int failed = 0; // folders that got an "Error!" box
    int changed = 0; // folders that changed while they were backed up
    int skipped = 0; // folders left out on purpose (hidden, unreadable, inside the store)
    int reused = 0; // folders whose unchanged archive was taken over from the previous run
    std::vector<std::string> warnings; // each warning's text, as logged
    bool stopped = false; // the user stopped the run before its end
};

// The line that closes every run's log, e.g. "Summary: 25 folders stored,
// 0 failed, 1 changed, 2 skipped"; `doneWord` says what happened to the
// folders done ("stored", "restored"). Counts a run has not used (reused),
// warnings and a stop by the user follow only when there are any.
std::string SummaryLine(const RunSummary& summary, const std::string& doneWord);

// The text of the "Error!" box of a run that cannot start because the
// archiver is missing from the application folder or cannot be run; empty
// when the archiver is there and runnable.
std::string MissingArchiverText(const std::string& appFolder);

// Thrown at the point where a run that the user asked to stop ends its steps.
class RunStopped : public std::exception {
public:
    const char* what() const noexcept override { return "The run was stopped."; }
};

// What every backup and restore run shares: it holds the application folder
// from its first step to its last, so that no other run overwrites its job
// files; whatever stops its steps is told, and the closing steps still
// happen, so the window showing the run always becomes closable.
class Run {
public:
    Run(RunHost& host, std::string appFolder);
    virtual ~Run() = default;
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // The whole run. Returns normally in every case: a run that cannot have
    // the application folder does nothing, not even its closing steps, and
    // an error that ends the steps early is shown in an "Error!" box.
    void run();

    // The folder that holds the job files and the archiver link.
    const std::string& appFolder() const { return m_appFolder; }

    // What the run did so far.
    const RunSummary& summary() const { return m_summary; }

    // Asks the run to stop: the job running now is ended and its remains
    // cleared as those of a killed job, no further folder is begun, and the
    // closing steps still happen. From then on the run shows no box: what it
    // would show goes to the log, and questions get their safe answer.
    void requestStop();
    bool stopRequested() const { return m_stopRequested; }

protected:
    // The run's own steps; an error that ends them is thrown.
    virtual void steps() = 0;
    // The log line of a run that cannot start because another one holds the folder.
    virtual std::string busyLogLine() const = 0;
    // The log line and the box text of a run whose steps were ended by `error`.
    virtual std::string stoppedLogLine(const std::exception& error) const = 0;
    virtual std::string stoppedBoxText(const std::exception& error) const = 0;
    // What the summary line calls a folder the run finished with.
    virtual std::string doneWord() const { return "stored"; }
    // Called once when the user's stop ended the steps, before the summary.
    virtual void stoppedByUser() { }
    // The backup target of a run whose log is kept in the state folder
    // (see RunLogs), or empty for a run that keeps none.
    virtual std::string keptLogTarget() const { return {}; }
    // The name of the kept log of this run, or empty when it keeps none.
    std::string keptLogName() const
    {
        return m_keptLog && m_keptLog->kept() ? m_keptLog->name() : std::string();
    }

    RunHost& host() const { return m_gate; }
    // Ends the steps here (RunStopped) when the user asked the run to stop.
    void stopIfRequested() const;
    void log(const std::string& line) const { m_host.log(line); }
    // Shows an "Error!" box (and its Error: line in the log).
    void showError(const std::string& text) const { ShowErrorBox(m_gate, text); }
    // A problem that costs the user no data the run was asked for, or that
    // the user should know of but need not answer: a "Warning: " line in the
    // log and a place in the summary, never a box.
    void warn(const std::string& text);
    RunSummary& tally() { return m_summary; }

private:
    // The host as the steps see it: after a stop request, boxes become log lines.
    class StopAwareHost : public RunHost {
    public:
        StopAwareHost(RunHost& host, const bool& stopped)
            : m_host(host)
            , m_stopped(stopped)
        {
        }
        void log(const std::string& line) override { m_host.log(line); }
        void progress(const RunProgress& progress) override { m_host.progress(progress); }
        platform::MsgAnswer showMessage(
            const std::string& text, const std::string& title, int style) override;

    private:
        RunHost& m_host;
        const bool& m_stopped;
    };

    // The host the run was given, with every log line also added to the
    // kept log while there is one.
    class KeepingHost : public RunHost {
    public:
        KeepingHost(RunHost& host, std::optional<RunLogWriter>& kept)
            : m_host(host)
            , m_kept(kept)
        {
        }
        void log(const std::string& line) override;
        void progress(const RunProgress& progress) override { m_host.progress(progress); }
        platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) override
        {
            return m_host.showMessage(text, title, style);
        }

    private:
        RunHost& m_host;
        std::optional<RunLogWriter>& m_kept;
    };

    std::optional<RunLogWriter> m_keptLog;
    mutable KeepingHost m_host;
    std::string m_appFolder;
    RunSummary m_summary;
    bool m_stopRequested = false;
    mutable StopAwareHost m_gate{ m_host, m_stopRequested };
};
