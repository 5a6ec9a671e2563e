#include "platform/Processes.h"

#include "platform/FileOps.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

// A process's stat line and its I/O counters are a few hundred bytes.
constexpr std::size_t kProcFileBytes = 1024;

// The session of a process, from its stat line: the name in parentheses may
// hold anything, so the fields are counted from the last ')'. 0 when unknown.
long sessionOf(const std::string& process)
{
    const auto stat = readFileStart(process + "/stat", kProcFileBytes);
    const std::size_t nameEnd = stat ? stat->rfind(')') : std::string::npos;
    if (nameEnd == std::string::npos)
        return 0;
    char state = 0;
    long parent = 0;
    long group = 0;
    long session = 0;
    if (std::sscanf(stat->c_str() + nameEnd + 1, " %c %ld %ld %ld", &state, &parent, &group, &session) != 4)
        return 0;
    return session;
}

std::optional<std::uint64_t> bytesReadBy(const std::string& process)
{
    const auto io = readFileStart(process + "/io", kProcFileBytes);
    const std::size_t field = io ? io->find("rchar: ") : std::string::npos;
    if (field == std::string::npos)
        return std::nullopt;
    return std::strtoull(io->c_str() + field + 7, nullptr, 10);
}

} // namespace

std::optional<bool> isFileOpenInFolder(const std::string& file, const std::string& folder)
{
    struct stat target;
    if (::stat(file.c_str(), &target) != 0)
        return false; // a file that is gone is open nowhere by that name
    struct stat place;
    const bool folderKnown = ::stat(folder.c_str(), &place) == 0;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return std::nullopt;
    const uid_t me = ::geteuid();
    bool open = false;
    while (dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const std::string process = std::string("/proc/") + entry->d_name;
        struct stat st;
        if (::stat(process.c_str(), &st) != 0 || st.st_uid != me)
            continue;
        if (folderKnown
            && (::stat((process + "/cwd").c_str(), &st) != 0 || st.st_dev != place.st_dev
                || st.st_ino != place.st_ino))
            continue;
        DIR* fds = ::opendir((process + "/fd").c_str());
        if (!fds)
            continue;
        while (dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.')
                continue;
            if (::stat((process + "/fd/" + fd->d_name).c_str(), &st) == 0 && st.st_dev == target.st_dev
                && st.st_ino == target.st_ino) {
                open = true;
                break;
            }
        }
        ::closedir(fds);
        if (open)
            break;
    }
    ::closedir(proc);
    return open;
}

std::optional<std::uint64_t> bytesReadInSession(int session)
{
    if (session <= 0)
        return std::nullopt;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return std::nullopt;
    std::optional<std::uint64_t> total;
    while (dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9' || std::atol(entry->d_name) == session)
            continue;
        const std::string process = std::string("/proc/") + entry->d_name;
        if (sessionOf(process) != session)
            continue;
        if (const auto read = bytesReadBy(process))
            total = total.value_or(0) + *read;
    }
    ::closedir(proc);
    return total;
}

} // namespace platform
