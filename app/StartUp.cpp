#include "app/StartUp.h"

#include "AppInfo.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/UserFolders.h"

std::string chooseAppFolder(const std::string& programFolder)
{
    std::string folder = ShortPath(programFolder);
    if (folder.empty() || platform::folderWritable(folder))
        return folder;
    // An installed program run by an ordinary user: the job files go where
    // no other user can touch them, and the archiver is run from there.
    return userAppFolder(folder);
}

std::string userAppFolder(const std::string& programFolder)
{
    std::string own = platform::userStateHome() + "/" + appinfo::kProductName;
    if (!platform::makePrivateFolders(own))
        return {};
    (void)platform::createSymlink(AddBackslash(ShortPath(programFolder)) + "7z", AddBackslash(own) + "7z");
    return ShortPath(own);
}

std::string initApplication()
{
    platform::initLocale();
    return chooseAppFolder(platform::executableFolder());
}
