#include "app/PruneSettings.h"

#include "app/MainSettings.h"
#include "platform/FileSystem.h"
#include "platform/SettingsFile.h"
#include "platform/UserFolders.h"

#include <charconv>

namespace {

constexpr char kPreviewSeenFile[] = "/keep-preview-seen";

// A count of days, weeks or months: 0 leaves that period out; a hundred
// years at most, a longer one is a typing error.
int count(const platform::SettingsFile& store, const char* key, int fallback)
{
    const std::string text = store.readValue("Keep", key, "");
    int value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end || value < 0 || value > 36500)
        return fallback;
    return value;
}

} // namespace

KeepRules savedKeepRules()
{
    const platform::SettingsFile store(mainSettingsPath());
    const KeepRules defaults;
    return { count(store, "Days", defaults.days), count(store, "Daily", defaults.daily),
        count(store, "Weekly", defaults.weekly), count(store, "Monthly", defaults.monthly) };
}

bool pruneAfterScheduledBackup(const std::string& stateFolder)
{
    const platform::SettingsFile store(mainSettingsPath());
    return store.readValue("Keep", "AfterBackup", "1") != "0" && previewSeen(stateFolder);
}

void notePreviewSeen(const std::string& stateFolder)
{
    if (previewSeen(stateFolder) || !platform::makePrivateFolders(stateFolder))
        return;
    (void)platform::writeFile(stateFolder + kPreviewSeenFile, "1\n", platform::FileAccess::UserOnly);
}

bool previewSeen(const std::string& stateFolder)
{
    return platform::fileExists(stateFolder + kPreviewSeenFile);
}
