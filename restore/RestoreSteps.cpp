#include "restore/RestoreSteps.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/ArchiveNames.h"
#include "store/JobRunner.h"
#include "store/RunList.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <utility>

namespace {

char separator()
{
    return platform::nativePathStyle().separator;
}

// Every run of separators made one, so that two spellings of the same folder
// compare equal.
std::string collapsed(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == separator() && !out.empty() && out.back() == separator())
            continue;
        out += c;
    }
    return out;
}

std::vector<std::string> levels(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == separator()) {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// Names a backup writes are encoded folder paths with ".7z": only letters,
// digits and the characters of the escape and the extension. Anything else
// would reach the archiver's command line unchecked.
bool isArchiveNameAsWritten(const std::string& name)
{
    if (name.empty())
        return false;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        bool letterOrDigit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letterOrDigit && c != '_' && c != '-' && c != '.')
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> FindDateTexts(const std::string& backupTarget)
{
    std::vector<std::string> texts;
    for (StoredRun& run : ListRuns(backupTarget))
        texts.push_back(std::move(run.date));
    return texts;
}

std::vector<std::string> FindArchiveNames(const std::string& runFolder)
{
    if (!platform::folderExists(runFolder))
        return {};
    auto names = platform::listFolder(runFolder, false);
    if (!names)
        throw RunError("The run folder cannot be listed: " + names.error());
    std::vector<std::string> archives;
    for (const std::string& name : *names) {
        // Only plain files: copying a FIFO or a device named like an archive
        // would block the run for good.
        if (IsArchiveName(name) && platform::isPlainFile(AddBackslash(runFolder) + name))
            archives.push_back(name);
    }
    return archives;
}

std::string DisplayPath(const std::string& decodedName)
{
    std::size_t last = decodedName.rfind(separator());
    return last == std::string::npos ? std::string() : decodedName.substr(0, last);
}

std::string RestoreFolderOf(const std::string& restoreTarget, const std::string& displayPath)
{
    return AddBackslash(AddBackslash(restoreTarget) + displayPath);
}

std::string FolderShownFor(const std::string& archiveName)
{
    if (IsShortenedName(archiveName))
        return DecodePath(ShortenedHead(archiveName)) + "...";
    return DisplayPath(DecodePath(archiveName));
}

ExtractionPlace PlanExtraction(
    const std::string& restoreTarget, const std::string& archiveName, const std::string& runFolder)
{
    ExtractionPlace place;
    if (!isArchiveNameAsWritten(archiveName)) {
        place.refusal = "The archive's name holds characters that no backup writes.";
        return place;
    }
    if (IsShortenedName(archiveName)) {
        // The name holds only the start of the path; the rest is in its file,
        // which is checked below exactly as a decoded name is.
        const PathFileRead stored = ReadPathFile(runFolder, archiveName);
        if (!stored.path) {
            place.refusal = stored.problem;
            return place;
        }
        place.decodedName = *stored.path + kArchiveExtension;
    } else {
        place.decodedName = DecodePath(archiveName);
    }
    if (place.decodedName.find_first_of(std::string("\0\r\n", 3)) != std::string::npos) {
        place.refusal = "The folder path of the archive holds a NUL byte or a line break.";
        return place;
    }
    if (place.decodedName.find(separator()) == std::string::npos) {
        place.refusal = "The archive's name does not name a folder.";
        return place;
    }
    place.displayPath = DisplayPath(place.decodedName);
    for (const std::string& level : levels(place.displayPath)) {
        if (level == "." || level == "..") {
            place.refusal = "The folder path of the archive holds a \"" + level
                + "\" level and would lie outside the restore target.";
            return place;
        }
    }
    place.restoreFolder = RestoreFolderOf(restoreTarget, place.displayPath);
    if (!collapsed(place.restoreFolder).starts_with(collapsed(AddBackslash(restoreTarget))))
        place.refusal = "The folder of the archive would lie outside the restore target.";
    return place;
}

std::optional<std::string> LinkedLevelBelow(
    const std::string& restoreTarget, const std::string& restoreFolder)
{
    const std::string base = collapsed(AddBackslash(restoreTarget));
    const std::string folder = collapsed(restoreFolder);
    if (!folder.starts_with(base))
        return folder;
    std::string path = base;
    for (const std::string& level : levels(folder.substr(base.size()))) {
        path += level;
        auto attributes = platform::attributes(path);
        if (!attributes)
            return std::nullopt; // nothing exists below a missing level
        if ((*attributes & platform::kAttrDirectory) == 0)
            return path;
        path += separator();
    }
    return std::nullopt;
}
