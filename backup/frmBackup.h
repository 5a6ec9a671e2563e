#pragma once

#include "app/ProgressWindow.h"
#include "backup/BackupRun.h"

class MainFields;

// The backup progress window: shows the run's log, newest line on top, and
// closes with "Done" once the run is over. The run itself (RunFolder,
// FolderList, FindFolders, CollectFolders, CompressFolder) is the BackupRun
// this window is; the window only starts it and shows it.
class frmBackup : public ProgressWindow, public BackupRun {
    Q_OBJECT
public:
    explicit frmBackup(const MainFields& main, QWidget* parent = nullptr);

protected:
    // The whole run, in the timer's first tick, so the window shows before
    // the work begins.
    void Timer1_Timer() override;
};
