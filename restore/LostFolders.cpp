#include "restore/LostFolders.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "restore/RestoreSteps.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <map>

std::string FolderPathOf(const std::string& archive, const std::optional<RunJournal>& journal)
{
    if (journal) {
        for (const JournalFolder& held : journal->held) {
            if (held.archive == archive)
                return held.path;
        }
    }
    return AddBackslash(DisplayPath(DecodePath(archive)));
}

std::vector<LostFolder> LostFolders(const std::string& runFolder, const std::optional<RunJournal>& journal,
    const std::vector<std::string>& restorable)
{
    const std::string folder = AddBackslash(runFolder);
    auto isRestorable = [&restorable](const std::string& archive) {
        return std::find(restorable.begin(), restorable.end(), archive) != restorable.end();
    };
    // Keyed by archive, so that a folder is named once whatever shows it lost.
    std::map<std::string, LostFolder> lost;
    auto note = [&](const std::string& archive, const std::string& why) {
        if (!isRestorable(archive) && !lost.contains(archive))
            lost[archive] = { archive, FolderPathOf(archive, journal), why };
    };
    // A dangling link, a FIFO or a folder in the archive's place: the run
    // made the archive, and it is not there to be read.
    auto whyNotThere = [&folder](const std::string& archive) -> std::string {
        if (platform::fileExists(folder + archive) || platform::folderExists(folder + archive))
            return "its archive " + folder + archive + " is not a plain file";
        return "its archive " + folder + archive + " is gone";
    };
    if (journal) {
        for (const JournalFolder& held : journal->held)
            note(held.archive, whyNotThere(held.archive));
    }
    if (auto names = platform::listFolder(runFolder, true)) {
        const std::string countSuffix = std::string(kArchiveExtension) + kCountExtension;
        for (const std::string& name : *names) {
            if (IsArchiveName(name))
                note(name, whyNotThere(name));
            if (name.ends_with(countSuffix)) {
                const std::string archive = name.substr(0, name.size() - std::string(kCountExtension).size());
                if (!platform::fileExists(folder + archive))
                    note(archive, "its count file " + folder + name + " has no archive beside it");
            }
        }
    }
    std::vector<LostFolder> found;
    found.reserve(lost.size());
    for (auto& [archive, folderLost] : lost)
        found.push_back(std::move(folderLost));
    return found;
}

bool RunFolderEmpty(const std::string& runFolder)
{
    auto names = platform::listFolder(runFolder, true);
    return names && names->empty();
}

std::vector<std::string> MissingArchives(const std::string& runFolder,
    const std::vector<std::string>& present, const std::vector<LostFolder>& known)
{
    const RunState state = ReadRunState(runFolder);
    std::vector<std::string> missing;
    for (const std::string& planned : state.plannedArchives) {
        const bool isKnown = std::any_of(known.begin(), known.end(),
            [&planned](const LostFolder& lost) { return lost.archive == planned; });
        if (!isKnown && std::find(present.begin(), present.end(), planned) == present.end())
            missing.push_back(planned);
    }
    return missing;
}
