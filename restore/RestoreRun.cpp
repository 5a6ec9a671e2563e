#include "restore/RestoreRun.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileOps.h"
#include "platform/Launcher.h"
#include "restore/ArchiveExtraction.h"
#include "restore/FailedFolders.h"
#include "restore/LostFolders.h"
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
    m_journal = ReadRunJournal(RunFolderPath(m_main.backupTarget(), SelectedDate));
    if (!ArchiveList.empty())
        log("Found:   " + std::to_string(ArchiveList.size()) + " compressed folders...");
    std::optional<RestorePart> part = m_choices.choosePart(FoldersOfRun(ArchiveList, m_journal));
    if (!part) {
        log("Skipped...");
        return;
    }
    m_part = std::move(*part);
    m_runArchives = ArchiveList;
    ArchiveList = m_part.archivesIn(m_runArchives);
    for (const std::string& asked : m_part.whole() ? std::vector<std::string>() : m_part.asked())
        log("Only:    " + asked);
    log("Start:   Copy Folders and uncompress...");
    noteArchiveSizes();
    extractAll();
    log("End:     Copy Folders and uncompress...");
    reportWhatIsNotThere();
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

namespace {

// Up to ten folders, one a line, then how many more there are: one box
// names every folder of one cause without growing past the screen.
std::string listedFolders(const std::vector<std::string>& paths)
{
    constexpr std::size_t kListed = 10;
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < kListed; ++i)
        text += "\r\n" + paths[i];
    if (paths.size() > kListed)
        text += "\r\nand " + std::to_string(paths.size() - kListed) + " more";
    return text;
}

} // namespace

void RestoreRun::reportWhatIsNotThere()
{
    const std::string runFolder = RunFolderPath(m_main.backupTarget(), SelectedDate);
    if (RunFolderEmpty(runFolder))
        warn("The run folder " + AddBackslash(runFolder) + " is empty: there is nothing to restore.");
    // What the run lacks is said only of the folders that were asked for.
    std::vector<LostFolder> lost = LostFolders(runFolder, m_journal, m_runArchives);
    std::erase_if(lost, [this](const LostFolder& folder) { return !m_part.concerns(folder.path); });
    reportLostFolders(lost);
    if (!ReadRunState(runFolder).complete) {
        std::vector<std::string> missing = MissingArchives(runFolder, m_runArchives, lost);
        const bool known = !missing.empty();
        std::erase_if(missing, [this](const std::string& archive) {
            return !m_part.concerns(FolderPathOf(archive, m_journal));
        });
        if (!known || !missing.empty())
            reportIncompleteRun(missing);
    }
    reportFailedFolders(runFolder);
}

void RestoreRun::reportFolders(
    const std::vector<std::string>& lines, const std::vector<std::string>& paths, const std::string& boxText)
{
    // A line for each folder in the log, and one box for all of them: they
    // share one cause.
    for (const std::string& line : lines)
        log(ErrorLogLine(line));
    tally().failed += static_cast<int>(paths.size());
    host().showMessage(ErrorBoxText(boxText + listedFolders(paths)), "Error!", platform::kMsgCritical);
}

void RestoreRun::reportLostFolders(const std::vector<LostFolder>& lost)
{
    if (lost.empty())
        return;
    std::vector<std::string> lines;
    std::vector<std::string> paths;
    for (const LostFolder& folder : lost) {
        lines.push_back("Folder not restored: " + folder.path + ": " + folder.why + ".");
        paths.push_back(folder.path);
    }
    reportFolders(lines, paths,
        "Folders not restored...\r\nThe backup of " + SelectedDate + " holds " + std::to_string(lost.size())
            + " folders whose archives cannot be read:");
}

void RestoreRun::reportFailedFolders(const std::string& runFolder)
{
    if (!m_journal || m_journal->failed.empty())
        return;
    std::vector<std::string> lines;
    std::vector<std::string> paths;
    for (const FailedFolder& folder : FailedFoldersOf(runFolder, ListRuns(m_main.backupTarget()))) {
        if (!m_part.concerns(folder.path))
            continue;
        lines.push_back(NotInThisBackupLine(folder));
        paths.push_back(folder.path);
    }
    if (paths.empty())
        return;
    reportFolders(lines, paths,
        "Backup run failed...\r\nThe backup of " + SelectedDate + " left out " + std::to_string(paths.size())
            + " folders:");
}

void RestoreRun::reportIncompleteRun(const std::vector<std::string>& missing)
{
    // One box for the whole run: every missing folder has the same cause.
    std::vector<std::string> paths;
    paths.reserve(missing.size());
    for (const std::string& archive : missing)
        paths.push_back(FolderShownFor(archive));
    std::string text = "Backup run incomplete...\r\nThe backup of " + SelectedDate
        + " did not reach its end; it lacks " + std::to_string(missing.size())
        + " folders:" + listedFolders(paths);
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
    m_runArchives = ArchiveList;
    m_part = RestorePart();
}

void RestoreRun::ExtractArchive(const std::string& archiveName)
{
    const ExtractionInputs inputs{ appFolder(), m_main.backupTarget(), m_main.restoreTarget(), SelectedDate,
        m_part.filesOf(archiveName) };
    std::vector<std::string> warnings;
    // The archiver of a run of one job says nothing of its progress: the
    // bytes it has read of the archive tell it.
    const ExtractionResult result
        = ExtractArchiveInto(archiveName, inputs, host(), m_choices, &warnings, [&] {
              if (const auto read = platform::batchJobBytesRead()) {
                  m_progress.underWayBytes(archiveName, *read);
                  host().progress(m_progress.counts());
              }
          });
    tallyExtraction(archiveName, result, warnings, !inputs.onlyFiles.empty());
}

void RestoreRun::warnOfSpecials(const std::string& archiveName)
{
    // The archiver keeps only the name and kind of a FIFO, a socket or a
    // device, and makes an empty file of it; the backup named them in its
    // journal, so no look into the archive is needed to say so.
    if (!m_journal)
        return;
    std::string names;
    for (const JournalSpecials& specials : m_journal->specials) {
        if (specials.archive != archiveName)
            continue;
        for (const std::string& name : specials.names)
            names += (names.empty() ? "" : ", ") + name;
    }
    if (!names.empty())
        warn("Entries brought back as empty files, not as they were (FIFO, socket or device), in "
            + PlanExtraction(m_main.restoreTarget(), archiveName).restoreFolder + ": " + names);
}
