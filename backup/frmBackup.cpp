#include "backup/frmBackup.h"

#include "app/WindowDefinitions.h"

#include <QTimer>

frmBackup::frmBackup(const MainFields& main, QWidget* parent)
    : ProgressWindow(frmBackupDefinition(), parent),
      BackupRun(main, [this](const std::string& line) { AddLog(line); })
{
}

void frmBackup::Timer1_Timer()
{
    // The run lets window events run, during which the 1 ms timer would fire
    // again; it must never start a second run in this window.
    Timer1()->stop();
    run();
    finishRun();
}
