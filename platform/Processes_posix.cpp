#include "platform/Processes.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace platform {

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

} // namespace platform
