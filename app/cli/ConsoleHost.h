#pragma once

#include "app/MainSettings.h"
#include "store/MainFields.h"
#include "store/RunHost.h"

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

class Run;

// The saved settings, as the main window would show them.
class SettingsFields : public MainFields {
public:
    explicit SettingsFields(MainSettings settings)
        : m_settings(std::move(settings))
    {
    }
    std::string backupTarget() const override { return m_settings.backupTarget; }
    std::vector<std::string> sourceFolders() const override { return m_settings.sources; }
    std::string restoreTarget() const override { return m_settings.restoreTarget; }
    bool fullBackup() const override { return m_settings.fullBackup; }
    std::vector<std::string> exclusionPatterns() const override { return m_settings.exclusions; }
    bool backUpHiddenFolders() const override { return m_settings.hiddenFolders; }
    int jobs() const override { return m_settings.jobs; }

private:
    MainSettings m_settings;
};

// The host of a run with nobody watching: log lines to standard output,
// boxes as log lines answered safely, and a count of the "Error!" boxes.
class ConsoleHost : public RunHost {
public:
    ConsoleHost(std::ostream& out, std::string busyText);
    void log(const std::string& line) override;
    platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) override;
    // The run found another run busy and did not start.
    bool busy() const { return m_busy; }
    const std::string& busyText() const { return m_busyText; }
    int errors() const { return m_errors; }

private:
    std::ostream& m_out;
    std::string m_busyText;
    bool m_busy = false;
    int m_errors = 0;
};

// Runs one backup or restore, a signal stopping it as the window's stop
// does, and returns the exit status its summary gives: could not start when
// another run was busy, failed when any folder failed, a box told of an
// error or the run was stopped, else done.
int runToEnd(Run& run, const ConsoleHost& host);
