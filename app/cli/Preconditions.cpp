#include "app/cli/Preconditions.h"

#include "app/MainSettings.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/SettingsFile.h"
#include "platform/TextConversion.h"

#include <QFileInfo>

namespace preconditions {

std::string settings(MainSettings& settings)
{
    const std::string path = mainSettingsPath();
    if (!platform::fileExists(path))
        return "No settings yet (" + path + "): set the folders in the program's window first.";
    settings = loadMainSettings(platform::SettingsFile(path));
    return {};
}

std::string archiver(const std::string& appFolder)
{
    const QFileInfo archiver(platform::textFromBytes(AddBackslash(appFolder) + "7z"));
    if (appFolder.empty() || !archiver.exists() || !archiver.isExecutable())
        return "The archiver 7z is not there: " + AddBackslash(appFolder) + "7z";
    return {};
}

std::string folder(const std::string& what, const std::string& path)
{
    if (path.empty())
        return "No " + what + " is set.";
    if (!platform::folderExists(path))
        return "The " + what + " is not there: " + path;
    return {};
}

} // namespace preconditions
