#include "restore/windows/frmUnBackup.h"

#include "restore/windows/TextViewer.h"
#include "restore/windows/frmUnBackupSelectDate.h"

#include <QTimer>

#include <memory>

frmUnBackup::frmUnBackup(const MainFields& main, const std::string& appFolder, QWidget* parent)
    : ProgressWindow(frmUnBackupDefinition(), parent)
    , m_run(*this, *this, main, appFolder)
{
    setShownRun(m_run);
}

void frmUnBackup::Timer1_Timer()
{
    Timer1()->stop();
    m_run.run();
    finishRun();
}

std::string frmUnBackup::chooseDate(
    const std::vector<std::string>& dates, const std::vector<bool>& incomplete)
{
    auto dialog = std::make_unique<frmUnBackupSelectDate>(this);
    for (std::size_t i = 0; i < dates.size(); ++i)
        dialog->addDate(dates[i], i < incomplete.size() && incomplete[i]);
    dialog->exec();
    return dialog->Tag;
}

void frmUnBackup::openTextFile(const std::string& path)
{
    ::openTextFile(path);
}
