#include "store/FileCount.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"

std::int32_t CountFolderFiles(const std::string& folder, CountProblems* problems)
{
    const std::string canonical = ShortPath(folder);
    if (canonical.empty())
        return 0;
    const std::string listed = AddBackslash(canonical);
    // The listing leaves out real folders and keeps everything else the
    // archiver stores: files, and links of every kind.
    auto files = platform::listFiles(listed);
    if (!files) {
        if (problems && platform::folderExists(listed))
            problems->listingError = files.error();
        return 0;
    }
    if (problems) {
        for (const platform::ListedFile& file : *files) {
            if (file.unreadable)
                problems->unreadable.push_back(file.name);
        }
    }
    return static_cast<std::int32_t>(files->size());
}
