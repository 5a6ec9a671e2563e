#pragma once

#include "backup/FolderSight.h"
#include "backup/WalkRules.h"
#include "store/ArchiveNames.h"
#include "store/ArchiverReport.h"
#include "store/FileCount.h"
#include "store/JobSlots.h"
#include "store/MainFields.h"
#include "store/Run.h"
#include "store/RunJournal.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

class PreviousArchives;
namespace platform {
struct FolderEntries;
}

// One backup run, without any window: makes the dated run folder under the
// backup target, finds every folder below the source folders and compresses
// each into one archive with its count file in the run folder. Progress goes
// to the host's log, failures to "Error!" boxes.
class BackupRun : public Run {
public:
    BackupRun(RunHost& host, const MainFields& main, std::string appFolder);

    // Why this backup must not start at all, as the text of its "Error!"
    // box, or empty when it may: a source folder that is the backup target
    // or lies inside one of its runs would be stored into itself.
    std::string whyCannotStart() const;

    // Fills FolderList with every folder under the sources, in list order,
    // one "Find in: " log line per source, each folder once however the
    // sources overlap. A folder that cannot be read is left out with a
    // warning, and so are the backup target, the restore target and the
    // application folder where they lie strictly below a source, and the
    // folder a restore of a source would land in.
    void FindFolders();

    // Appends `path` (with one trailing separator) and every folder below it
    // to `found`, pre-order, subfolders in name order, leaving out folders
    // this run already found. Symbolic links are never followed, hidden
    // folders entered only when the user asks for them, cache folders and
    // folders the exclusion patterns name never (each one left out is logged).
    void CollectFolders(const std::string& path, std::vector<std::string>& found);

    // Compresses the files directly in `folder` into the run folder: the
    // archive, then its count file. A failure that concerns only this folder
    // is shown in a message box and the call returns; one that must end the
    // run throws RunError. The files named in `leftOut` (in byte order) stay
    // out of the archive and its count.
    void CompressFolder(const std::string& folder, const std::vector<std::string>& leftOut = {});

    // What the walk leaves out by the user's choice, and what it left out.
    const WalkRules& walkRules() const { return m_rules; }

    // The run folder of this run, without trailing separator.
    std::string RunFolder;
    // The folders to compress, in order, each ending in one separator.
    std::vector<std::string> FolderList;

protected:
    void steps() override;
    std::string busyLogLine() const override;
    std::string stoppedLogLine(const std::exception& error) const override;
    std::string stoppedBoxText(const std::exception& error) const override;
    void stoppedByUser() override;
    std::string keptLogTarget() const override { return m_main.backupTarget(); }

private:
    // The name of the folder's archive in this run's folder.
    std::string archiveNameOf(const std::string& folder) const
    {
        return StoredArchiveName(folder, m_longestName);
    }
    // Counts `folder` done in the progress the host shows, with the bytes
    // of its files, whether the archiver ran for it or not.
    void folderDone(const std::string& folder) { host().progress(m_progress.done(folder)); }
    std::string makeRunFolder() const;
    void CollectFolders(const std::string& path, const std::string& root, std::vector<std::string>& found);
    void compressPhase(PreviousArchives& previous);
    void notWalkedBelow(const std::vector<std::string>& sources);
    static bool rootsOverlap(const std::vector<std::string>& roots);
    bool takeOverUnchanged(const std::string& folder, PreviousArchives& previous, const FolderSight& sight);
    void markPlannedArchives();
    void warnOverlappingSources(const std::vector<std::string>& sources);
    std::string whyNotWalked(const std::string& folder, const std::string& root) const;
    void noteLeftOut(const std::string& folder, const platform::FolderEntries& entries);
    std::vector<std::string> walkedSubfolders(platform::FolderEntries& entries) const;
    void leaveOutNames(std::size_t index, const std::string& folder, FolderSight& sight);
    std::string writeLeaveOutList(
        const std::string& folder, const std::vector<std::string>& leftOut, const std::string& listFile);
    bool refuseUnstorable(const std::string& folder);
    // A folder the user chose that this run leaves out: counted as failed,
    // kept in the run's journal, and shown in an "Error!" box unless `box` is empty.
    void folderFailed(const std::string& folder, const std::string& box, bool hasArchive = false);
    void leftOutUnreadable(const std::string& folder, const std::string& why);
    void journal(const platform::Status& written);
    // A folder whose archiver job is under way, with what was seen of it
    // before the job started.
    struct FolderJob {
        std::string folder;
        FolderSight sight;
        std::string encoded;
        std::string archiveName;
        std::string runFolder; // short form
        std::string stored; // the archive's full path
        std::optional<std::int64_t> changedBefore;
        CountProblems problems;
        std::int32_t count = 0;
        std::vector<std::string> leftOut; // names the patterns leave out, in byte order
        std::string leaveOutList; // the job's list of them, while it runs
    };
    std::optional<FolderJob> beginFolder(std::size_t index, PreviousArchives& previous);
    std::optional<FolderJob> prepareCompression(const std::string& folder, std::vector<std::string> leftOut);
    bool finishFolder(FolderJob& job, const JobSlots::Ended& ended, const std::string& report);
    void closeFolder(const std::string& folder, const FolderSight& sight, bool stored);
    std::string compressionLine(const JobSlots& jobSlots, int slot, FolderJob& job);
    void showProgressUnderWay(const JobSlots& jobSlots, const std::vector<std::optional<FolderJob>>& running);
    void dropPartialArchives(const std::vector<std::optional<FolderJob>>& running);
    std::int32_t countArchived(
        const std::string& folder, const std::string& stored, std::int32_t counted, int slot);
    bool archiveMade(
        const FolderJob& job, JobOutcome outcome, const std::string& report, CompressionVerdict& verdict);
    void storeCount(const std::string& runFolder, const std::string& archiveName, std::int32_t count);
    void letEventsRunDuringWalk();
    bool isBelowRefusedFolder(const std::string& folder) const;

    const MainFields& m_main;
    std::vector<std::string> m_refusedFolders; // folders that cannot be stored, told once each
    std::unordered_set<std::string> m_collected; // folders found so far, so none is found twice
    bool m_collectedKept = true; // false while the sources' walks cannot meet
    // Canonical folder, why it is not walked, and the folder it must lie
    // strictly below to be left out (empty: wherever it lies).
    struct NotWalked {
        std::string folder;
        std::string why;
        bool belowRootOnly = true;
    };
    std::vector<NotWalked> m_notWalked;
    WalkRules m_rules; // cache folders, patterns, hidden folders
    std::optional<RunJournalWriter> m_journal; // the run's hidden record, once its folder is made
    bool m_journalTrouble = false; // a line could not be written: said once
    std::chrono::steady_clock::time_point m_lastWalkEvents{};
    ProgressCounter m_progress; // bytes per folder from the walk, folders and bytes done
    std::vector<std::string> m_madeFiles; // archives and count files this run made or linked
    std::size_t m_longestName = kLongestFileName; // the longest file name the run folder takes
};
