#include "app/MainSettings.h"

#include "AppInfo.h"
#include "platform/SettingsFile.h"

#include <exception>

namespace {

const std::string kSectionSources = "ToCopy";
const std::string kSectionBackup = "ToBackup";
const std::string kSectionRestore = "ToUnBackup";
const std::string kSectionOptions = "Options";
const std::string kKeyFullBackup = "FullBackup";

// Runs one step of saving; a failure leaves the step undone and the next one
// still runs.
template <typename Step> void bestEffort(Step step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace

std::string mainSettingsPath()
{
    return platform::SettingsFile::pathFor(appinfo::kProductName);
}

MainSettings loadMainSettings(const platform::SettingsFile& store)
{
    MainSettings settings;
    settings.backupTarget = store.readValue(kSectionBackup, kSectionBackup, "");
    settings.restoreTarget = store.readValue(kSectionRestore, kSectionRestore, "");
    settings.fullBackup = store.readValue(kSectionOptions, kKeyFullBackup, "0") == "1";
    // The key names are not looked at: a folder added to the section by hand
    // under any name is a source as well.
    for (const auto& entry : store.listSection(kSectionSources))
        settings.sources.push_back(entry.second);
    return settings;
}

std::string saveMainSettings(platform::SettingsFile& store, const MainSettings& settings)
{
    // Keys the program did not write go with the section, and a list that
    // became shorter leaves no stale keys behind. There is no section the
    // first time; that failure is nothing to worry about.
    bestEffort([&] { (void)store.deleteSection(kSectionSources); });
    for (std::size_t i = 0; i < settings.sources.size(); ++i)
        bestEffort([&] {
            store.writeValue(kSectionSources, kSectionSources + std::to_string(i), settings.sources[i]);
        });
    bestEffort([&] { store.writeValue(kSectionBackup, kSectionBackup, settings.backupTarget); });
    bestEffort([&] { store.writeValue(kSectionRestore, kSectionRestore, settings.restoreTarget); });
    // The choice is kept only while it is made, so that the file of a user
    // who never makes it holds the three sections alone.
    if (settings.fullBackup)
        bestEffort([&] { store.writeValue(kSectionOptions, kKeyFullBackup, "1"); });
    else
        bestEffort([&] {
            // Options set by hand (CheckDays) stay; only the choice goes.
            platform::SettingPairs kept;
            for (const auto& pair : store.listSection(kSectionOptions))
                if (pair.first != kKeyFullBackup)
                    kept.push_back(pair);
            (void)store.deleteSection(kSectionOptions);
            for (const auto& [key, value] : kept)
                store.writeValue(kSectionOptions, key, value);
        });
    // Written to its file once, so it is never left half-saved.
    std::string failure;
    try {
        if (auto saved = store.save(); !saved)
            failure = saved.error();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    return failure;
}
