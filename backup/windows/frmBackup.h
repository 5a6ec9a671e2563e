#pragma once

#include "backup/BackupRun.h"
#include "ui/ProgressWindow.h"

#include <string>

class MainFields;

// The backup progress window: runs one backup and shows its log, newest
// line on top, and closes with "Done" once the run is over. The run itself
// (RunFolder, FolderList, FindFolders, CollectFolders, CompressFolder) is the
// BackupRun the window holds.
class frmBackup : public ProgressWindow {
    Q_OBJECT
public:
    frmBackup(const MainFields& main, const std::string& appFolder, QWidget* parent = nullptr);

    BackupRun& backupRun() { return m_run; }

protected:
    // The whole run, in the timer's first tick, so the window shows before
    // the work begins.
    void Timer1_Timer() override;

private:
    BackupRun m_run;
};
