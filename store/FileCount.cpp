#include "store/FileCount.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/Archiver.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"

#include <algorithm>
#include <sstream>

std::int32_t CountFolderFiles(
    const std::string& folder, CountProblems* problems, const std::vector<std::string>& leftOut)
{
    const std::string canonical = ShortPath(folder);
    if (canonical.empty())
        return 0;
    const std::string listed = AddBackslash(canonical);
    // The listing leaves out real folders and keeps everything else the
    // archiver stores: files, and links of every kind.
    auto files = platform::listFiles(listed);
    if (!files) {
        if (problems && platform::folderExists(listed))
            problems->listingError = files.error();
        return 0;
    }
    std::int32_t count = 0;
    for (const platform::ListedFile& file : *files) {
        if (std::binary_search(leftOut.begin(), leftOut.end(), file.name))
            continue;
        ++count;
        if (problems && file.unreadable)
            problems->unreadable.push_back(file.name);
    }
    return count;
}

std::optional<std::int32_t> CountArchivedFiles(
    const std::string& appFolder, const std::string& archivePath, int slot)
{
    const std::string output = SlotFilePath(appFolder, kOutputFile, slot);
    const BatchJob job{ appFolder, ListCommandLine(appFolder, archivePath, output), true };
    if (RunBatchJob(appFolder, job, slot) == JobOutcome::NotStarted)
        return std::nullopt;
    auto listing = platform::readFile(output);
    if (!listing)
        return std::nullopt;
    // Entries are stored without folder names, so each path is a bare name.
    std::istringstream lines(*listing);
    std::int32_t count = 0;
    bool listed = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Path = ")) {
            listed = true;
            if (!line.starts_with("Path = ."))
                ++count;
        }
    }
    // An archive without entries lists nothing, as does a failed listing:
    // only the archiver's own word tells them apart.
    if (!listed && listing->find("ERROR") != std::string::npos)
        return std::nullopt;
    return count;
}
