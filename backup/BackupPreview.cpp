#include "backup/BackupPreview.h"

#include "backup/BackupRun.h"
#include "platform/ChangeTimes.h"
#include "platform/Listing.h"
#include "store/LeaveOutList.h"

#include <algorithm>

namespace {

// A preview shows no window and asks nothing: the walk's lines are not
// wanted, its warnings come with the preview.
class SilentHost : public RunHost {
public:
    void log(const std::string&) override { }
    platform::MsgAnswer showMessage(const std::string&, const std::string&, int style) override
    {
        return platform::SafeAnswer(style);
    }
};

bool isPlainFileMode(std::uint32_t mode)
{
    constexpr std::uint32_t kTypeBits = 0170000;
    constexpr std::uint32_t kRegular = 0100000;
    return (mode & kTypeBits) == kRegular;
}

} // namespace

BackupPreview PreviewBackup(
    const MainFields& main, const std::string& appFolder, const std::function<bool()>& keepGoing)
{
    SilentHost host;
    BackupRun run(host, main, appFolder);
    run.FindFolders();
    const WalkRules& rules = run.walkRules();

    BackupPreview preview;
    for (const WalkRules::LeftOutFolder& folder : rules.leftOutFolders())
        preview.leftOut.push_back({ folder.folder, folder.why });
    preview.foldersLeftOut = preview.leftOut.size();
    for (std::size_t index = 0; index < run.FolderList.size(); ++index) {
        if (keepGoing && !keepGoing())
            break;
        const std::string& folder = run.FolderList[index];
        PreviewFolder shown{ folder, 0, 0 };
        auto look = platform::lookAtFolder(folder);
        if (!look) {
            preview.warnings.push_back("Folder cannot be read, the backup would fail it: " + folder);
            preview.folders.push_back(shown);
            continue;
        }
        std::vector<std::string> names;
        names.reserve(look->entries.size());
        for (const platform::EntryLook& entry : look->entries)
            names.push_back(entry.name);
        // Only what the archiver can be told to leave out is left out.
        std::vector<std::string> left;
        for (const WalkRules::LeftOutName& name : rules.namesLeftOut(index, folder, names)) {
            if (CanLeaveOut(name.name)) {
                preview.leftOut.push_back({ folder + name.name, ByPattern(name.pattern) });
                left.push_back(name.name);
            } else {
                preview.warnings.push_back(
                    "File stored although " + ByPattern(name.pattern) + " names it: " + folder + name.name);
            }
        }
        preview.filesLeftOut += left.size();
        for (const platform::EntryLook& entry : look->entries) {
            if (std::binary_search(left.begin(), left.end(), entry.name))
                continue;
            if (entry.name.front() != '.')
                ++shown.files;
            if (isPlainFileMode(entry.mode))
                shown.bytes += entry.size;
        }
        preview.files += shown.files;
        preview.bytes += shown.bytes;
        preview.folders.push_back(std::move(shown));
    }
    std::sort(preview.leftOut.begin(), preview.leftOut.end(),
        [](const PreviewLeftOut& a, const PreviewLeftOut& b) { return a.path < b.path; });
    // The walk's warnings come first, as they would in the backup's log.
    const std::vector<std::string>& walked = run.summary().warnings;
    preview.warnings.insert(preview.warnings.begin(), walked.begin(), walked.end());
    return preview;
}
