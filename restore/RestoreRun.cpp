#include "restore/RestoreRun.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileOps.h"
#include "restore/ArchiveExtraction.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreSteps.h"
#include "store/MainFields.h"
#include "store/RunMarker.h"
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
    if (DateList.empty())
        showError("No backup found..."
                  "\r\n"
                  "No run folder of a backup was found in "
            + m_main.backupTarget());
    if (!DateList.empty()) {
        std::vector<bool> incomplete;
        for (const std::string& date : DateList)
            incomplete.push_back(!ReadRunState(RunFolderPath(m_main.backupTarget(), date)).complete);
        SelectedDate = m_choices.chooseDate(DateList, incomplete);
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
    noteArchiveSizes();
    for (const std::string& archive : ArchiveList) {
        stopIfRequested();
        ExtractArchive(archive);
        host().progress(m_progress.done(archive));
    }
    stopIfRequested();
    log("End:     Copy Folders and uncompress...");
    reportRunFolderTrouble();
}

void RestoreRun::noteArchiveSizes()
{
    // What each archive holds is not known before it is opened; its size on
    // disk is, and it is what the archiver has to read.
    const std::string runFolder = RunFolderPath(m_main.backupTarget(), SelectedDate);
    m_progress.clear();
    for (const std::string& archive : ArchiveList) {
        if (auto size = platform::fileSize(runFolder + "/" + archive))
            m_progress.setBytes(archive, *size);
    }
    host().progress(m_progress.begin(ArchiveList));
}

void RestoreRun::reportRunFolderTrouble()
{
    const std::string runFolder = RunFolderPath(m_main.backupTarget(), SelectedDate);
    for (const std::string& trouble : RunFolderTrouble(runFolder))
        warn(trouble);
    if (!ReadRunState(runFolder).complete)
        reportIncompleteRun(MissingArchives(runFolder, ArchiveList));
}

void RestoreRun::reportIncompleteRun(const std::vector<std::string>& missing)
{
    // One box for the whole run: every missing folder has the same cause.
    constexpr std::size_t kListed = 10;
    std::string text = "Backup run incomplete...\r\nThe backup of " + SelectedDate
        + " did not reach its end; it lacks " + std::to_string(missing.size()) + " folders:";
    for (std::size_t i = 0; i < missing.size() && i < kListed; ++i)
        text += "\r\n" + FolderShownFor(missing[i]);
    if (missing.size() > kListed)
        text += "\r\nand " + std::to_string(missing.size() - kListed) + " more";
    if (missing.empty())
        text = "Backup run incomplete...\r\nThe backup of " + SelectedDate
            + " did not reach its end; which folders it lacks is not known.";
    tally().failed += static_cast<int>(missing.size());
    showError(text);
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
    if (ExtractArchiveInto(archiveName, inputs, host(), m_choices) == ExtractionResult::Restored)
        ++tally().done;
    else
        ++tally().failed;
}
