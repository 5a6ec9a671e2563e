#include "backup/BackupTexts.h"

#include "backup/BackupRun.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "store/ArchiveNames.h"

#include <algorithm>

std::string unreadableFilesText(const std::string& folder, const std::vector<std::string>& names)
{
    constexpr std::size_t kShown = 10;
    std::string text = "Files not backed up: they cannot be read...For Directory: " + folder;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
        text += "\r\n" + names[i];
    if (names.size() > kShown)
        text += "\r\n... and " + std::to_string(names.size() - kShown) + " more";
    return text;
}

std::string whyNotStorable(const std::string& folder)
{
    // A path holding the escape counts as already encoded and would name its
    // archive with its separators in it.
    if (folder.find(kEncodedEscape) != std::string::npos)
        return "Folder not backed up: its path holds \"_P-\", which archive names use as their escape";
    if (folder.find_first_of("\r\n") != std::string::npos)
        return "Folder not backed up: its path holds a line break, which a restore cannot recreate";
    // However deep a folder lies its archive gets a name (a shortened one if
    // need be), but the system opens no path this long.
    if (folder.size() >= kLongestPathFile)
        return "Folder not backed up: its path is longer than the system can open";
    return {};
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

bool isAtOrBelow(const std::string& folder, const std::string& other)
{
    return !other.empty() && folder.starts_with(other);
}

std::string canonicalFolder(const std::string& path)
{
    const std::string canonical = ShortPath(path);
    return canonical.empty() ? std::string() : AddBackslash(canonical);
}

std::string BackupRun::busyLogLine() const
{
    return "Error:   Another backup or restore is running.";
}

std::string BackupRun::stoppedLogLine(const std::exception& error) const
{
    std::string line = std::string("Error:   ") + error.what();
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

std::string BackupRun::stoppedBoxText(const std::exception& error) const
{
    return std::string(error.what()) + "\r\n\r\nThe backup has stopped.";
}
