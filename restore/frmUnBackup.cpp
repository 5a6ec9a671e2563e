#include "restore/frmUnBackup.h"

#include "pathutil/Module1.h"
#include "platform/MessageBox.h"
#include "platform/RunLock.h"
#include "restore/ArchiveExtraction.h"
#include "restore/RestoreSteps.h"
#include "restore/frmUnBackupSelectDate.h"
#include "store/JobRunner.h"

#include <QTimer>

#include <exception>
#include <memory>

frmUnBackup::frmUnBackup(const MainFields& main, QWidget* parent)
    : ProgressWindow(frmUnBackupDefinition(), parent), m_main(main)
{
}

void frmUnBackup::Timer1_Timer()
{
    Timer1()->stop();
    // Another copy of the program using the same application folder would
    // overwrite this run's job files: the run holds the folder to its end,
    // and one that cannot have it restores nothing and leaves the job files alone.
    const platform::RunLock lock(RunLockFile(AppFolder));
    if (lock.busy()) {
        AddLog("Skipped...");
        platform::showMessage(AnotherRunText(AppFolder), "Error!", platform::kMsgCritical);
        finishRun();
        return;
    }
    try {
        AddLog("Starting UnBackup...");
        AddLog("Start:   Find Dates...");
        FindDates();
        AddLog("End:     Find Dates...");
        AddLog("Start:   Select Date...");
        SelectedDate.clear();
        if (!DateList.empty()) {
            SelectedDate = chooseDate();
            AddLog("End:     Select Date...");
        }
        if (!SelectedDate.empty())
            copyFoldersAndUncompress();
        else
            AddLog("Skipped...");
    } catch (const std::exception& error) {
        // Whatever stopped the run, the window must end up closable.
        AddLog("Skipped...");
        platform::showMessage(std::string("Error!\r\n\r\nUnBackup stopped...\r\n") + error.what(), "Error!",
                              platform::kMsgCritical);
    }
    DeleteBatchFile(AppFolder);
    finishRun();
}

std::string frmUnBackup::chooseDate()
{
    auto dialog = std::make_unique<frmUnBackupSelectDate>(this);
    for (const std::string& date : DateList)
        dialog->addDate(date);
    dialog->exec();
    return dialog->Tag;
}

void frmUnBackup::copyFoldersAndUncompress()
{
    AddLog("Start:   Find compressed folders...");
    FindArchives();
    AddLog("End:     Find compressed folders...");
    if (!ArchiveList.empty())
        AddLog("Found:   " + std::to_string(ArchiveList.size()) + " compressed folders...");
    AddLog("Start:   Copy Folders and uncompress...");
    for (const std::string& archiveName : ArchiveList)
        ExtractArchive(archiveName);
    AddLog("End:     Copy Folders and uncompress...");
}

void frmUnBackup::FindDates()
{
    DateList.clear();
    DateList = FindDateTexts(m_main.backupTarget());
}

void frmUnBackup::FindArchives()
{
    ArchiveList.clear();
    ArchiveList = FindArchiveNames(RunFolderOf(m_main.backupTarget(), SelectedDate));
}

void frmUnBackup::ExtractArchive(const std::string& archiveName)
{
    const ExtractionInputs inputs{AppFolder, m_main.backupTarget(), m_main.restoreTarget(), SelectedDate};
    ExtractArchiveInto(archiveName, inputs, [this](const std::string& line) { AddLog(line); });
}
