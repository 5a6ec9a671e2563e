#include "store/RunMarker.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"

namespace {

std::string markerPath(const std::string& runFolder)
{
    return AddBackslash(runFolder) + kIncompleteMarker;
}

// A damaged or crafted marker cannot make a restore read without end: the
// list is only a help to name missing folders.
constexpr std::size_t kLongestMarker = 64u << 20;

} // namespace

platform::Status MarkRunIncomplete(const std::string& runFolder, const std::vector<std::string>& archiveNames)
{
    std::string text;
    for (const std::string& name : archiveNames)
        text += name + "\n";
    return platform::replaceFileAtomically(markerPath(runFolder), text);
}

platform::Status MarkRunComplete(const std::string& runFolder)
{
    return platform::deleteFile(markerPath(runFolder));
}

RunState ReadRunState(const std::string& runFolder)
{
    const std::string marker = markerPath(runFolder);
    if (!platform::fileExists(marker))
        return {};
    RunState state;
    state.complete = false;
    auto text = platform::isPlainFile(marker) ? platform::readFileStart(marker, kLongestMarker)
                                              : platform::Result<std::string>::failure("not a plain file");
    if (!text)
        return state;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        if (end > start)
            state.plannedArchives.push_back(text->substr(start, end - start));
        start = end + 1;
    }
    return state;
}
