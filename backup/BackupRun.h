#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MainFields;

// One backup run, without any window: makes the dated run folder under the
// backup target, finds every folder below the source folders and compresses
// each into one archive with its count file in the run folder. Progress goes
// to the log sink, failures to "Error!" message boxes.
class BackupRun {
public:
    using LogSink = std::function<void(const std::string& line)>;

    BackupRun(const MainFields& main, LogSink addLog);

    // The whole run, from making the run folder to removing the batch file.
    // Returns normally in every case: an error that ends the run early is
    // shown in a message box, and the closing steps still happen.
    void run();

    // Fills FolderList with every folder under the sources, in list order,
    // one "Find in: " log line per source. Throws RunError when a folder that
    // exists cannot be listed.
    void FindFolders();

    // Appends `path` (with one trailing separator) and every folder below it
    // to `found`, pre-order, subfolders in name order. Symbolic links are
    // never followed, hidden folders never entered.
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

private:
    void compressPhase();
    void letEventsRunDuringWalk();
    bool isBelowRefusedFolder(const std::string& folder) const;
    void log(const std::string& line) const { m_addLog(line); }

    const MainFields& m_main;
    LogSink m_addLog;
    std::vector<std::string> m_refusedFolders; // folders that cannot be stored, told once each
    std::chrono::steady_clock::time_point m_lastWalkEvents{};
};

// What counting a folder's files found besides the count.
struct CountProblems {
    std::string listingError;            // the folder exists but cannot be listed: why
    std::vector<std::string> unreadable; // regular files the archiver cannot read
};

// The number of ordinary files directly in a folder, as stored beside its
// archive: no folders, no hidden entries; errors on the way give a smaller
// count. What went wrong on the way goes into `problems` when it is given.
std::int32_t CountFolderFiles(const std::string& folder, CountProblems* problems = nullptr);
