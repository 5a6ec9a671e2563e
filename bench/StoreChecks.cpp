#include "bench/StoreChecks.h"

#include "bench/BenchSystem.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace bench {
namespace {

// The archive names in a run folder: plain files ending in the archive extension.
std::vector<std::string> archivesIn(const std::string& runFolder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(runFolder)) {
        const std::string name = entry.path().filename().string();
        if (IsArchiveName(name) && entry.is_regular_file())
            names.push_back(name);
    }
    return names;
}

// True when both paths name the very same file.
bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa { };
    struct stat sb { };
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

} // namespace

std::uintmax_t diskBytes(const std::string& folder)
{
    const Spawned du = spawnAndWait({ "/usr/bin/du", "-s", "--block-size=1", folder }, true);
    if (!du.ok)
        throw std::runtime_error("du failed on " + folder);
    return std::stoull(du.output);
}

std::set<std::string> subfolderNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory())
            names.insert(entry.path().filename().string());
    }
    return names;
}

std::string runFolderProblem(const std::string& runFolder, std::size_t folders)
{
    const std::vector<std::string> archives = archivesIn(runFolder);
    if (archives.size() != folders)
        return runFolder + " holds " + std::to_string(archives.size()) + " archives for "
            + std::to_string(folders) + " folders";
    for (const std::string& name : archives) {
        if (!fs::is_regular_file(runFolder + "/" + CountFileName(name)))
            return runFolder + " has no count file for " + name;
    }
    if (!ReadRunState(runFolder + "/").complete)
        return runFolder + " is marked incomplete";
    return {};
}

Sharing sharingWith(const std::string& runFolder, const std::string& previousRunFolder)
{
    Sharing sharing;
    for (const std::string& name : archivesIn(runFolder)) {
        if (!sameFile(runFolder + "/" + name, previousRunFolder + "/" + name)) {
            sharing.own.push_back(name);
            continue;
        }
        sharing.shared.push_back(name);
        const std::string count = CountFileName(name);
        if (!sameFile(runFolder + "/" + count, previousRunFolder + "/" + count))
            sharing.ownCounts.push_back(count);
    }
    return sharing;
}

} // namespace bench
