#include "backup/BackupRun.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "store/Archiver.h"
#include "store/FileCount.h"
#include "store/JobRunner.h"
#include "store/MainFields.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

namespace {

// Names the files of a folder that the archiver could not read, a few of
// them when there are many.
std::string unreadableFilesText(const std::string& folder, const std::vector<std::string>& names)
{
    constexpr std::size_t kShown = 10;
    std::string text = "Files not backed up: they cannot be read...For Directory: " + folder;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
        text += "\r\n" + names[i];
    if (names.size() > kShown)
        text += "\r\n... and " + std::to_string(names.size() - kShown) + " more";
    return text;
}

// Why a folder cannot get an archive of its own, or empty when it can.
std::string whyNotStorable(const std::string& folder)
{
    // A path holding the escape counts as already encoded and would name its
    // archive with its separators in it.
    if (folder.find(kEncodedEscape) != std::string::npos)
        return "Folder not backed up: its path holds \"_P-\", which archive names use as their escape";
    if (folder.find_first_of("\r\n") != std::string::npos)
        return "Folder not backed up: its path holds a line break, which a restore cannot recreate";
    if (CountFileName(ArchiveName(folder)).size() > kLongestFileName)
        return "Folder not backed up: its path is too long to name an archive";
    return {};
}

// The folders directly in a folder; a folder that is not there has none.
// Links to folders are not folders here, so links are never followed and a
// link loop cannot trap the walk.
std::vector<std::string> subfoldersOf(const std::string& folder)
{
    auto names = platform::listSubfolders(folder);
    if (!names) {
        // A folder that is not there has nothing below it; compressing it
        // reports the failure. One that is there but cannot be read ends the run.
        if (!platform::folderExists(folder))
            return {};
        throw RunError("A folder could not be listed while finding folders.\r\n" + names.error());
    }
    std::vector<std::string> subfolders;
    subfolders.reserve(names->size());
    for (const std::string& name : *names)
        subfolders.push_back(folder + name);
    return subfolders;
}

} // namespace

BackupRun::BackupRun(RunHost& host, const MainFields& main, std::string appFolder)
    : Run(host, std::move(appFolder))
    , m_main(main)
{
}

void BackupRun::steps()
{
    RunFolder = RunFolderPath(m_main.backupTarget(), DateTextNow());
    if (auto made = platform::createFolder(RunFolder); !made)
        throw RunError("The run folder could not be made.\r\n" + made.error());

    log("Starting Backup...");
    log("Start:   Finding Folders...");
    platform::processEvents();
    FindFolders();
    platform::processEvents();
    log("End:     Finding Folders...");

    log("Start:   Copy Folders and compress...");
    compressPhase();
    log("End:     Copy Folders and compress...");
}

std::string BackupRun::busyLogLine() const
{
    return "Error:   Another backup or restore is running.";
}

std::string BackupRun::stoppedLogLine(const std::exception& error) const
{
    std::string line = std::string("Error:   ") + error.what();
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

std::string BackupRun::stoppedBoxText(const std::exception& error) const
{
    return std::string(error.what()) + "\r\n\r\nThe backup has stopped.";
}

void BackupRun::compressPhase()
{
    m_refusedFolders.clear();
    for (std::size_t i = 0; i < FolderList.size(); ++i) {
        const std::string& folder = FolderList[i];
        log("Start:   Copy " + folder);
        platform::processEvents();
        stopIfRequested();
        CompressFolder(folder);
        stopIfRequested();
        platform::processEvents();
        log("End:     Copy " + folder);
        host().progress(i + 1, FolderList.size());
    }
}

void BackupRun::FindFolders()
{
    std::vector<std::string> found;
    for (const std::string& source : m_main.sourceFolders()) {
        platform::processEvents();
        log("Find in: " + source);
        CollectFolders(source, found);
        platform::processEvents();
    }
    FolderList = std::move(found);
}

void BackupRun::CollectFolders(const std::string& path, std::vector<std::string>& found)
{
    const std::string folder = AddBackslash(path);
    found.push_back(folder);
    // The listing is complete, and gone, before any subfolder is visited, so
    // no two listings are ever open at once however deep the tree.
    const std::vector<std::string> subfolders = subfoldersOf(folder);
    letEventsRunDuringWalk();
    for (const std::string& subfolder : subfolders)
        CollectFolders(subfolder, found);
    letEventsRunDuringWalk();
}

void BackupRun::CompressFolder(const std::string& folder)
{
    if (refuseUnstorable(folder))
        return;
    const std::string encoded = EncodePath(folder);
    const std::string archiveName = ArchiveName(folder);

    const std::string runFolder = ShortPath(RunFolder);
    if (runFolder.empty())
        throw RunError("The run folder is gone: " + RunFolder);

    // A folder that is gone by now (removed since it was found, or a source
    // that is no folder) can hold no job: said at once, not after the job's
    // start time-out.
    if (!platform::folderExists(folder)) {
        showError("7z not executed...For Directory: " + AddBackslash(encoded));
        return;
    }

    // An archive of this very name left here by an earlier run that did not
    // finish would be added to by the archiver: files deleted since would
    // come back with it, and it would be counted as a file of the folder.
    const std::string made = AddBackslash(folder) + archiveName;
    (void)platform::deleteFile(made);

    // Counted before the archiver runs, so the archive being made is never counted.
    CountProblems problems;
    const std::int32_t count = CountFolderFiles(folder, &problems);
    // The archiver would find nothing in a folder that cannot be listed and
    // make an empty archive, which would pass for a backup of an empty folder.
    if (!problems.listingError.empty()) {
        showError("Folder not backed up: it cannot be listed...For Directory: " + folder + "\r\n"
            + problems.listingError);
        return;
    }
    if (!makeArchive(folder, encoded, made))
        return;
    storeArchive(made, runFolder, archiveName, count);

    // The archiver skips a file it cannot read and still makes the archive;
    // the user learns of it now rather than at the restore.
    if (!problems.unreadable.empty())
        showError(unreadableFilesText(folder, problems.unreadable));
}

bool BackupRun::refuseUnstorable(const std::string& folder)
{
    const std::string why = whyNotStorable(folder);
    if (why.empty())
        return false;
    // Every folder below it has the same trouble (its path holds this
    // one's), so the user is told once, for the topmost folder.
    if (!isBelowRefusedFolder(folder)) {
        m_refusedFolders.push_back(folder);
        showError(why + ", nor is any folder below it...For Directory: " + folder);
    }
    return true;
}

bool BackupRun::makeArchive(const std::string& folder, const std::string& encoded, const std::string& made)
{
    const BatchJob job{ folder, CompressCommandLine(appFolder(), encoded) };
    if (RunBatchJob(appFolder(), job) == JobOutcome::NotStarted) {
        showError("7z not executed...For Directory: " + AddBackslash(encoded));
        return false;
    }
    if (!platform::fileExists(made)) {
        showError("7z not completed...For Directory: " + AddBackslash(encoded));
        return false;
    }
    // An archiver that was killed, or ran out of disk space, while writing
    // leaves a partial archive under the name asked for. It is no backup, and
    // it does not stay in the user's folder.
    if (!IsCompleteArchive(made)) {
        (void)platform::deleteFile(made);
        showError("7z not completed...For Directory: " + AddBackslash(encoded));
        return false;
    }
    return true;
}

void BackupRun::storeArchive(
    const std::string& made, const std::string& runFolder, const std::string& archiveName, std::int32_t count)
{
    // A folder that lies in two source folders is found twice; its archive
    // from the first time is already in the run folder, and the move, which
    // never replaces a file, ends the run here.
    const std::string stored = runFolder + "/" + archiveName;
    const bool alreadyStored = platform::fileExists(stored);
    if (auto moved = platform::moveFile(made, stored); !moved) {
        // The archive must not stay in the user's folder: the next run's
        // archiver would add to it and carry files deleted since then.
        (void)platform::deleteFile(made);
        throw RunError("The archive could not be moved into the run folder.\r\n" + moved.error()
            + (alreadyStored ? "\r\nThe folder lies in more than one source folder and is already in "
                               "this backup."
                             : ""));
    }
    // Written only now that the archive is in place.
    const std::string countFile = runFolder + "/" + CountFileName(archiveName);
    if (auto written = WriteCountFile(countFile, count); !written)
        throw RunError("The count file could not be written.\r\n" + written.error());
}

bool BackupRun::isBelowRefusedFolder(const std::string& folder) const
{
    return std::any_of(m_refusedFolders.begin(), m_refusedFolders.end(),
        [&folder](const std::string& refused) { return folder.starts_with(refused); });
}

void BackupRun::letEventsRunDuringWalk()
{
    // A walk visits folders far faster than a window repaints; running the
    // event loop for each of a hundred thousand folders would cost more than
    // the walk itself, so it runs at most every few milliseconds.
    constexpr std::chrono::milliseconds interval{ 15 };
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastWalkEvents < interval)
        return;
    platform::processEvents();
    m_lastWalkEvents = std::chrono::steady_clock::now();
}
