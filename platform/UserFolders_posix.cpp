#include "platform/UserFolders.h"

#include "platform/FileOps.h"
#include "platform/Listing.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string fromEnvironment(const char* variable, const char* fallbackUnderHome)
{
    const char* value = std::getenv(variable);
    std::string folder
        = (value && value[0] == '/') ? std::string(value) : homeFolder() + "/" + fallbackUnderHome;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::string userConfigHome()
{
    return fromEnvironment("XDG_CONFIG_HOME", ".config");
}

std::string userStateHome()
{
    return fromEnvironment("XDG_STATE_HOME", ".local/state");
}

bool makePrivateFolders(const std::string& folder)
{
    if (folder.empty())
        return false;
    for (std::size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        std::string level = folder.substr(0, at);
        if (!level.empty() && !folderExists(level) && !createPrivateFolder(level))
            return false;
        if (at == std::string::npos)
            break;
    }
    return folderExists(folder);
}

} // namespace platform
