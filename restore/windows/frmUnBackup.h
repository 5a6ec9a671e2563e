#pragma once

#include "restore/RestoreChoices.h"
#include "restore/RestoreRun.h"
#include "ui/ProgressWindow.h"

#include <string>
#include <vector>

class MainFields;

// The restore window: its first timer tick runs one whole restore, the
// RestoreRun it holds, and shows the run's log. The run's date choice is
// the date dialog over this window, then the folder dialog; the archiver's report opens in the
// desktop's text viewer.
class frmUnBackup : public ProgressWindow, public RestoreChoices {
    Q_OBJECT
public:
    frmUnBackup(const MainFields& main, const std::string& appFolder, QWidget* parent = nullptr);

    RestoreRun& restoreRun() { return m_run; }

    // The restore run.
    void Timer1_Timer() override;

    // RestoreChoices
    std::string chooseDate(
        const std::vector<std::string>& dates, const std::vector<bool>& incomplete) override;
    std::optional<RestorePart> choosePart(const std::vector<RunFolder>& folders) override;
    void openTextFile(const std::string& path) override;

private:
    const MainFields& m_main;
    RestoreRun m_run;
};
