#include "restore/NameList.h"

#include "platform/FileOps.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"

#include <algorithm>

std::optional<std::string> NameListProblem(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        if (name.find_first_of(std::string("\0\r\n", 3)) != std::string::npos)
            return "The file's name holds a line break and cannot be asked of the archiver alone; restore "
                   "its folder instead.";
    }
    return std::nullopt;
}

ScopedNameList::ScopedNameList(
    const std::string& appFolder, const std::vector<std::string>& names, const std::string& listFile)
{
    if (names.empty())
        return;
    std::string text;
    for (const std::string& name : names)
        text += "\"" + name + "\"\n";
    const std::string path = listFile.empty() ? JobFilePath(appFolder, kNameListFile) : listFile;
    if (auto written = platform::writeFile(path, text, platform::FileAccess::UserOnly); !written) {
        (void)platform::deleteFile(path);
        throw RunError("The list of files to extract cannot be written: " + written.error());
    }
    m_path = path;
}

ScopedNameList::~ScopedNameList()
{
    if (!m_path.empty())
        (void)platform::deleteFile(m_path);
}

std::vector<std::string> NamesNotExtracted(
    const std::vector<std::string>& names, const ArchiverVerdict& verdict)
{
    std::vector<std::string> missing;
    for (const std::string& name : names) {
        // The archiver prints a control character of a name as '_'.
        std::string listed = name;
        std::replace_if(
            listed.begin(), listed.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '_');
        if (std::find(verdict.filesListed.begin(), verdict.filesListed.end(), listed)
            == verdict.filesListed.end())
            missing.push_back(name);
    }
    return missing;
}
