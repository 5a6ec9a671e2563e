#include "store/Archiver.h"

#include "pathutil/Module1.h"
#include "platform/Launcher.h"

namespace {

// Inside double quotes the shell still expands '$' and '`' and gives '\' and
// '"' their meaning; escaping exactly these four keeps any folder or archive
// name a plain word, so a crafted name can never run a command.
std::string escapeInDoubleQuotes(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '$' || c == '`' || c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

std::string CompressCommandLine(const std::string& appFolder, const std::string& encodedName)
{
    // "-x!*/" keeps the subfolders out: each of them gets its own archive,
    // and 7z would otherwise store their whole trees in this one as well.
    // "-snl" stores symbolic links as links: 7z would otherwise store a copy
    // of a linked file and drop links to folders and dangling links, while
    // the folder's count, and the restore, take every link as one entry.
    return platform::shellQuoteIfNeeded(AddBackslash(appFolder) + "7z") + " a -t7z -snl \"" +
           escapeInDoubleQuotes(encodedName) + ".7z\" -i!* -x!*/";
}

std::string ExtractCommandLine(const std::string& appFolder, const std::string& archiveName)
{
    std::string folder = ShortPath(appFolder);
    const std::string a2 = escapeInDoubleQuotes(folder.empty() ? AddBackslash(appFolder) : AddBackslash(folder));
    // A name beginning with '-' would be read as a switch; stored archive
    // names never do, but the run folder may hold anything.
    const std::string name = archiveName.starts_with('-') ? "./" + archiveName : archiveName;
    return "\"" + a2 + "7z\" e -y \"" + escapeInDoubleQuotes(name) + "\" > \"" + a2 + "output.txt\"";
}
