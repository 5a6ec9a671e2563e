#include "pathutil/PathRoutines.h"

#include "pathutil/ReplaceAll.h"

#include "platform/FileSystem.h"

#include <vector>

std::string AddBackslash(const std::string& path, const platform::PathStyle& style)
{
    std::string copy = path;
    if (copy.empty() || copy.back() != style.separator)
        copy += style.separator;
    const std::string pair(2, style.separator);
    return ReplaceAll(copy, pair, std::string(1, style.separator));
}

std::string ShortPath(const std::string& path)
{
    return platform::shortPath(path);
}

std::string PathPart(const std::string& path, std::int32_t n, const platform::PathStyle& style)
{
    const char sep = style.separator;
    const std::string drive = path.substr(0, style.rootLength);
    std::string rest = path.size() > style.rootLength ? path.substr(style.rootLength) : std::string();
    std::string acc;
    std::int64_t i = 0;
    while (!rest.empty() && i != n) {
        std::size_t k = rest.find(sep);
        if (k == std::string::npos)
            return {};
        acc.append(rest, 0, k);
        acc += sep;
        rest.erase(0, k + 1);
        ++i;
    }
    if (i < 0 || i > n || rest.empty())
        return {};
    std::size_t k = rest.find(sep);
    return drive + acc + (k == std::string::npos ? std::string() : rest.substr(0, k + 1));
}

void MakeFolders(const std::string& path, const platform::PathStyle& style)
{
    std::vector<std::string> levels;
    for (std::string part = PathPart(path, 0, style); !part.empty();
         part = PathPart(path, static_cast<std::int32_t>(levels.size()), style)) {
        part.pop_back(); // without its trailing separator
        levels.push_back(std::move(part));
    }
    // Making a level that is already there fails and changes nothing, so
    // the levels down to the deepest existing folder are skipped: a restore
    // making one new folder beside its siblings asks for one folder, not for
    // every level from the root.
    std::size_t first = levels.size();
    while (first > 0 && !platform::folderExists(levels[first - 1]))
        --first;
    for (std::size_t i = first; i < levels.size(); ++i)
        (void)platform::createFolder(levels[i]);
}
