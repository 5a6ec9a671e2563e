#pragma once

#include "app/MainFields.h"
#include "app/ProgressWindow.h"

#include <string>
#include <vector>

// The restore window: its first timer tick runs one whole restore. It finds
// the backup dates, lets the user choose one, finds that run's archives and
// extracts them one by one under the restore target, logging each phase.
class frmUnBackup : public ProgressWindow {
    Q_OBJECT
public:
    explicit frmUnBackup(const MainFields& main, QWidget* parent = nullptr);

    // The restore run.
    void Timer1_Timer() override;

    void FindDates();
    void FindArchives();
    void ExtractArchive(const std::string& archiveName);

    std::vector<std::string> ArchiveList;
    std::string SelectedDate;
    std::vector<std::string> DateList;

private:
    // Shows the date dialog over this window; the confirmed date or empty.
    std::string chooseDate();
    void copyFoldersAndUncompress();

    const MainFields& m_main;
};
