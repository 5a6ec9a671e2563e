#include "app/SourceList.h"

#include "platform/FileSystem.h"

#include <filesystem>

namespace {

// The folder a path really names, with one trailing separator; a path that
// is not there is only tidied: "." and ".." levels and doubled separators.
std::string realFolder(const std::string& path)
{
    if (path.empty())
        return {};
    std::string canonical = platform::shortPath(path);
    if (canonical.empty())
        canonical = std::filesystem::path(path).lexically_normal().string();
    while (canonical.size() > 1 && canonical.back() == '/')
        canonical.pop_back();
    return canonical == "/" ? canonical : canonical + "/";
}

} // namespace

bool passesPathTest(const std::string& path)
{
    return !path.empty() && platform::folderExists(path);
}

AddOutcome checkNewSource(const std::string& text, const std::vector<std::string>& listed, std::string* other)
{
    if (!passesPathTest(text))
        return AddOutcome::NotValid;
    const std::string wanted = realFolder(text);
    for (const std::string& entry : listed) {
        const std::string have = realFolder(entry);
        AddOutcome outcome = AddOutcome::Added;
        if (entry == text)
            outcome = AddOutcome::Duplicate;
        else if (have.empty())
            continue;
        else if (have == wanted)
            outcome = AddOutcome::SameFolder;
        else if (wanted.starts_with(have))
            outcome = AddOutcome::Inside;
        else if (have.starts_with(wanted))
            outcome = AddOutcome::Contains;
        if (outcome != AddOutcome::Added) {
            if (other)
                *other = entry;
            return outcome;
        }
    }
    return AddOutcome::Added;
}

std::string overlapText(AddOutcome outcome, const std::string& other)
{
    switch (outcome) {
    case AddOutcome::SameFolder:
        return "The Path names the same folder as one already specified: " + other;
    case AddOutcome::Inside:
        return "The Path lies inside a folder already specified: " + other;
    case AddOutcome::Contains:
        return "The Path holds a folder already specified: " + other;
    default:
        return {};
    }
}

bool backupAllowed(const std::string& backupTarget, std::size_t sourceCount)
{
    return passesPathTest(backupTarget) && sourceCount > 0;
}

bool restoreAllowed(const std::string& backupTarget, const std::string& restoreTarget)
{
    return passesPathTest(restoreTarget) && passesPathTest(backupTarget);
}
