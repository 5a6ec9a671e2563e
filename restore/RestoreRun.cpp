#include "restore/RestoreRun.h"

#include "pathutil/PathRoutines.h"
#include "restore/ArchiveExtraction.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreSteps.h"
#include "store/MainFields.h"
#include "store/StoreLayout.h"

#include <utility>

RestoreRun::RestoreRun(RunHost& host, RestoreChoices& choices, const MainFields& main, std::string appFolder)
    : Run(host, std::move(appFolder))
    , m_choices(choices)
    , m_main(main)
{
}

void RestoreRun::steps()
{
    log("Starting UnBackup...");
    log("Start:   Find Dates...");
    FindDates();
    log("End:     Find Dates...");
    log("Start:   Select Date...");
    SelectedDate.clear();
    if (!DateList.empty()) {
        SelectedDate = m_choices.chooseDate(DateList);
        log("End:     Select Date...");
    }
    if (!SelectedDate.empty())
        copyFoldersAndUncompress();
    else
        log("Skipped...");
}

std::string RestoreRun::busyLogLine() const
{
    return "Skipped...";
}

std::string RestoreRun::stoppedLogLine(const std::exception&) const
{
    return "Skipped...";
}

std::string RestoreRun::stoppedBoxText(const std::exception& error) const
{
    return std::string("UnBackup stopped...\r\n") + error.what();
}

void RestoreRun::copyFoldersAndUncompress()
{
    log("Start:   Find compressed folders...");
    FindArchives();
    log("End:     Find compressed folders...");
    if (!ArchiveList.empty())
        log("Found:   " + std::to_string(ArchiveList.size()) + " compressed folders...");
    log("Start:   Copy Folders and uncompress...");
    for (std::size_t i = 0; i < ArchiveList.size(); ++i) {
        stopIfRequested();
        ExtractArchive(ArchiveList[i]);
        host().progress(i + 1, ArchiveList.size());
    }
    stopIfRequested();
    log("End:     Copy Folders and uncompress...");
}

void RestoreRun::FindDates()
{
    DateList.clear();
    DateList = FindDateTexts(m_main.backupTarget());
}

void RestoreRun::FindArchives()
{
    ArchiveList.clear();
    ArchiveList = FindArchiveNames(AddBackslash(RunFolderPath(m_main.backupTarget(), SelectedDate)));
}

void RestoreRun::ExtractArchive(const std::string& archiveName)
{
    const ExtractionInputs inputs{ appFolder(), m_main.backupTarget(), m_main.restoreTarget(), SelectedDate };
    ExtractArchiveInto(archiveName, inputs, host(), m_choices);
}
