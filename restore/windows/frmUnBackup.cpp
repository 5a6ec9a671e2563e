#include "restore/windows/frmUnBackup.h"

#include "restore/windows/TextViewer.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "restore/windows/frmUnBackupSelectFolders.h"
#include "store/MainFields.h"
#include "store/RunJournal.h"
#include "store/RunList.h"
#include "store/StoreLayout.h"

#include <QTimer>

#include <memory>

frmUnBackup::frmUnBackup(const MainFields& main, const std::string& appFolder, QWidget* parent)
    : ProgressWindow(frmUnBackupDefinition(), parent)
    , m_main(main)
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
    for (std::size_t i = 0; i < dates.size(); ++i) {
        // Each run's outcome as `--list` prints it; a run the run found
        // incomplete stays flagged whatever its folder says now.
        RunVerdict verdict = ReadRunVerdict(RunFolderPath(m_main.backupTarget(), dates[i]));
        if (i < incomplete.size() && incomplete[i] && ReachedItsEnd(verdict))
            verdict = { RunOutcome::Incomplete, 0 };
        dialog->addDate(dates[i], OutcomeWord(verdict));
    }
    dialog->exec();
    return dialog->Tag;
}

std::optional<RestorePart> frmUnBackup::choosePart(const std::vector<RunFolder>& folders)
{
    if (folders.empty())
        return RestorePart();
    std::vector<std::string> paths;
    paths.reserve(folders.size());
    for (const RunFolder& folder : folders)
        paths.push_back(folder.path);
    auto dialog = std::make_unique<frmUnBackupSelectFolders>(m_run.SelectedDate, paths, this);
    dialog->exec();
    if (!dialog->confirmed())
        return std::nullopt;
    return RestorePart::Ticked(folders, dialog->ticked());
}

void frmUnBackup::openTextFile(const std::string& path)
{
    ::openTextFile(path);
}
