#include "check/windows/frmCheck.h"

#include "store/MainFields.h"
#include "ui/WindowDefinitions.h"

#include <QLabel>
#include <QTimer>

#include <utility>

frmCheck::frmCheck(
    const MainFields& main, const std::string& appFolder, CheckOptions options, QWidget* parent)
    : ProgressWindow(definition(), parent)
    , m_run(*this, main.backupTarget(), appFolder, options)
{
    setShownRun(m_run);
    lblBackuping()->setText("Checking...");
}

const WindowDefinition& frmCheck::definition()
{
    static const WindowDefinition definition = [] {
        WindowDefinition made = frmBackupDefinition();
        made.name = "frmCheck";
        made.caption = "Check backups";
        return made;
    }();
    return definition;
}

void frmCheck::Timer1_Timer()
{
    // Events run while the archiver tests; the timer must not start a second run.
    Timer1()->stop();
    m_run.run();
    finishRun();
}
