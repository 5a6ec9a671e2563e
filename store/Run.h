#pragma once

#include "store/RunHost.h"

#include <exception>
#include <string>

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

protected:
    // The run's own steps; an error that ends them is thrown.
    virtual void steps() = 0;
    // The log line of a run that cannot start because another one holds the folder.
    virtual std::string busyLogLine() const = 0;
    // The log line and the box text of a run whose steps were ended by `error`.
    virtual std::string stoppedLogLine(const std::exception& error) const = 0;
    virtual std::string stoppedBoxText(const std::exception& error) const = 0;

    RunHost& host() const { return m_host; }
    void log(const std::string& line) const { m_host.log(line); }
    void showError(const std::string& text) const { ShowErrorBox(m_host, text); }

private:
    RunHost& m_host;
    std::string m_appFolder;
};
