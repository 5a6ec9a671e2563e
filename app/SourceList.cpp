#include "app/SourceList.h"

#include "platform/FileSystem.h"
#include "platform/TextConversion.h"

#include <QString>

namespace {

// Spaces removed from both ends and letters in lower case, as the list shows
// them, so that "Data " and "data" are one folder.
QString comparable(const std::string& path)
{
    std::size_t first = path.find_first_not_of(' ');
    std::string trimmed = first == std::string::npos
        ? std::string()
        : path.substr(first, path.find_last_not_of(' ') - first + 1);
    return platform::textFromBytes(trimmed).toLower();
}

} // namespace

bool passesPathTest(const std::string& path)
{
    return !path.empty() && platform::folderExists(path);
}

bool sameSourceFolder(const std::string& a, const std::string& b)
{
    return comparable(a) == comparable(b);
}

AddOutcome checkNewSource(const std::string& text, const std::vector<std::string>& listed)
{
    if (!passesPathTest(text))
        return AddOutcome::NotValid;
    QString wanted = comparable(text);
    for (const std::string& entry : listed) {
        if (comparable(entry) == wanted)
            return AddOutcome::Duplicate;
    }
    return AddOutcome::Added;
}

bool backupAllowed(const std::string& backupTarget, std::size_t sourceCount)
{
    return passesPathTest(backupTarget) && sourceCount > 0;
}

bool restoreAllowed(const std::string& backupTarget, const std::string& restoreTarget)
{
    return passesPathTest(restoreTarget) && passesPathTest(backupTarget);
}
