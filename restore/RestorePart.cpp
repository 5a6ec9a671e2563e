#include "restore/RestorePart.h"

#include "pathutil/PathRoutines.h"
#include "platform/PathStyle.h"
#include "restore/LostFolders.h"

#include <algorithm>

namespace {

char separator()
{
    return platform::nativePathStyle().separator;
}

// A path as the user typed it, made comparable with the folders of a run:
// doubled separators made one, and none at the end but for the root itself.
std::string tidied(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == separator() && !out.empty() && out.back() == separator())
            continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == separator())
        out.pop_back();
    return out;
}

} // namespace

std::vector<RunFolder> FoldersOfRun(
    const std::vector<std::string>& archives, const std::optional<RunJournal>& journal)
{
    std::vector<RunFolder> folders;
    folders.reserve(archives.size());
    for (const std::string& archive : archives)
        folders.push_back({ archive, FolderPathOf(archive, journal) });
    if (journal) {
        for (const JournalFolder& held : journal->held) {
            if (std::find(archives.begin(), archives.end(), held.archive) == archives.end())
                folders.push_back({ held.archive, held.path });
        }
    }
    std::sort(folders.begin(), folders.end(),
        [](const RunFolder& a, const RunFolder& b) { return a.path < b.path; });
    return folders;
}

RestorePart RestorePart::Ticked(const std::vector<RunFolder>& folders, const std::vector<bool>& ticked)
{
    RestorePart part;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i < ticked.size() && ticked[i]) {
            part.m_archives[folders[i].archive];
            part.m_folders.insert(folders[i].path);
            part.m_asked.push_back(folders[i].path);
        } else {
            part.m_whole = false;
        }
    }
    return part;
}

bool RestorePart::takes(const std::string& archive) const
{
    return m_whole || m_archives.contains(archive);
}

std::vector<std::string> RestorePart::filesOf(const std::string& archive) const
{
    auto it = m_archives.find(archive);
    if (m_whole || it == m_archives.end())
        return {};
    return { it->second.begin(), it->second.end() };
}

bool RestorePart::concerns(const std::string& path) const
{
    if (m_whole || m_folders.contains(path))
        return true;
    return std::any_of(
        m_trees.begin(), m_trees.end(), [&path](const std::string& tree) { return path.starts_with(tree); });
}

std::vector<std::string> RestorePart::archivesIn(const std::vector<std::string>& archives) const
{
    std::vector<std::string> taken;
    for (const std::string& archive : archives) {
        if (takes(archive))
            taken.push_back(archive);
    }
    return taken;
}

AskedPaths AskedPaths::Resolve(const std::vector<RunFolder>& folders, const std::vector<std::string>& paths)
{
    AskedPaths result;
    RestorePart& part = result.part;
    part.m_whole = false;
    for (const std::string& given : paths) {
        const std::string path = tidied(given);
        const std::string tree = AddBackslash(path);
        bool found = false;
        for (const RunFolder& folder : folders) {
            if (!folder.path.starts_with(tree))
                continue;
            // The folder whole: a file asked of it before is in it anyway.
            part.m_archives[folder.archive].clear();
            found = true;
        }
        if (found) {
            part.m_trees.push_back(tree);
            part.m_asked.push_back(tree);
            continue;
        }
        const std::size_t last = path.rfind(separator());
        const std::string parent = last == std::string::npos ? std::string() : path.substr(0, last + 1);
        const std::string name = last == std::string::npos ? std::string() : path.substr(last + 1);
        auto holder = std::find_if(folders.begin(), folders.end(),
            [&parent](const RunFolder& folder) { return folder.path == parent; });
        if (name.empty() || holder == folders.end()) {
            result.notInRun.push_back(given);
            continue;
        }
        auto [it, added] = part.m_archives.try_emplace(holder->archive);
        // An archive already taken whole for a folder asked keeps that.
        if (added || !it->second.empty())
            it->second.insert(name);
        part.m_folders.insert(parent);
        part.m_asked.push_back(path);
    }
    // Asked for every folder whole, the part is the run, restored as ever.
    part.m_whole = !folders.empty() && result.notInRun.empty()
        && std::all_of(folders.begin(), folders.end(), [&part](const RunFolder& folder) {
               auto it = part.m_archives.find(folder.archive);
               return it != part.m_archives.end() && it->second.empty();
           });
    return result;
}
