#pragma once

#include "store/ArchiveNames.h"
#include "store/ArchiverReport.h"
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

class MainFields;
class PreviousArchives;
struct FolderSight;
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
    // folders never entered (each one left out is logged).
    void CollectFolders(const std::string& path, std::vector<std::string>& found);

    // Compresses the files directly in `folder` into the run folder: the
    // archive, then its count file. A failure that concerns only this folder
    // is shown in a message box and the call returns; one that must end the
    // run throws RunError.
    void CompressFolder(const std::string& folder);

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
    bool refuseUnstorable(const std::string& folder);
    // A folder the user chose that this run leaves out: counted as failed,
    // kept in the run's journal, and shown in an "Error!" box unless `box` is empty.
    void folderFailed(const std::string& folder, const std::string& box, bool hasArchive = false);
    void leftOutUnreadable(const std::string& folder, const std::string& why);
    void journal(const platform::Status& written);
    std::int32_t countArchived(const std::string& folder, const std::string& stored, std::int32_t counted);
    bool makeArchive(const std::string& folder, const std::string& encoded, const std::string& stored);
    void storeCount(const std::string& runFolder, const std::string& archiveName, std::int32_t count);
    void letEventsRunDuringWalk();
    bool isBelowRefusedFolder(const std::string& folder) const;

    const MainFields& m_main;
    CompressionVerdict m_archiverVerdict; // what the archiver said about the last archive it made
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
    std::optional<RunJournalWriter> m_journal; // the run's hidden record, once its folder is made
    bool m_journalTrouble = false; // a line could not be written: said once
    std::chrono::steady_clock::time_point m_lastWalkEvents{};
    ProgressCounter m_progress; // bytes per folder from the walk, folders and bytes done
    std::vector<std::string> m_madeFiles; // archives and count files this run made or linked
    std::size_t m_longestName = kLongestFileName; // the longest file name the run folder takes
};
