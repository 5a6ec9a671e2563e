#include "app/MainSettings.h"

#include "AppInfo.h"
#include "platform/SettingsFile.h"

#include <algorithm>
#include <charconv>
#include <exception>

namespace {

const std::string kSectionSources = "ToCopy";
const std::string kSectionBackup = "ToBackup";
const std::string kSectionRestore = "ToUnBackup";
const std::string kSectionOptions = "Options";
const std::string kKeyFullBackup = "FullBackup";
const std::string kSectionExclude = "Exclude";
const std::string kKeyHiddenFolders = "HiddenFolders";
const std::string kKeyJobs = "Jobs";

// Runs one step of saving; a failure leaves the step undone and the next one
// still runs.
template <typename Step> void bestEffort(Step step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Removes one key, keeping the section's other keys in their order; a
// section left empty goes.
void dropKey(platform::SettingsFile& store, const std::string& section, const std::string& key)
{
    const platform::SettingPairs pairs = store.listSection(section);
    // Keys match as the file matches them, without regard to ASCII case.
    const auto owned = [&key](const auto& pair) {
        return std::equal(pair.first.begin(), pair.first.end(), key.begin(), key.end(),
            [](char a, char b) { return asciiLower(a) == asciiLower(b); });
    };
    if (std::none_of(pairs.begin(), pairs.end(), owned))
        return;
    (void)store.deleteSection(section);
    for (const auto& pair : pairs) {
        if (!owned(pair))
            store.writeValue(section, pair.first, pair.second);
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
    // Anything but a number of jobs leaves the choice to the run.
    const std::string jobs = store.readValue(kSectionOptions, kKeyJobs, "0");
    int value = 0;
    const auto [end, error] = std::from_chars(jobs.data(), jobs.data() + jobs.size(), value);
    settings.jobs = error == std::errc() && end == jobs.data() + jobs.size() && value > 0 ? value : 0;
    // The key names are not looked at: a folder added to the section by hand
    // under any name is a source as well.
    for (const auto& entry : store.listSection(kSectionSources))
        settings.sources.push_back(entry.second);
    settings.hiddenFolders = store.readValue(kSectionOptions, kKeyHiddenFolders, "0") == "1";
    for (const auto& entry : store.listSection(kSectionExclude))
        settings.exclusions.push_back(entry.second);
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
    // who never makes it holds the three sections alone. The section is
    // shared: every other key in it stays as it is.
    if (settings.fullBackup)
        bestEffort([&] { store.writeValue(kSectionOptions, kKeyFullBackup, "1"); });
    else
        bestEffort([&] { dropKey(store, kSectionOptions, kKeyFullBackup); });
    if (settings.hiddenFolders)
        bestEffort([&] { store.writeValue(kSectionOptions, kKeyHiddenFolders, "1"); });
    else
        bestEffort([&] { dropKey(store, kSectionOptions, kKeyHiddenFolders); });
    // Written like the source list, and only while there is a pattern.
    bestEffort([&] { (void)store.deleteSection(kSectionExclude); });
    for (std::size_t i = 0; i < settings.exclusions.size(); ++i)
        bestEffort([&] {
            store.writeValue(kSectionExclude, kSectionExclude + std::to_string(i), settings.exclusions[i]);
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
