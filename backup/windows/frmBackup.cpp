#include "backup/windows/frmBackup.h"

#include "ui/WindowDefinitions.h"

#include <QTimer>

frmBackup::frmBackup(const MainFields& main, const std::string& appFolder, QWidget* parent)
    : ProgressWindow(frmBackupDefinition(), parent)
    , m_run(*this, main, appFolder)
{
    setShownRun(m_run);
}

void frmBackup::Timer1_Timer()
{
    // The run lets window events run, during which the 1 ms timer would fire
    // again; it must never start a second run in this window.
    Timer1()->stop();
    m_run.run();
    finishRun();
}
