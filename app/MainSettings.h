#pragma once

#include <string>
#include <vector>

namespace platform {
class SettingsFile;
}

// What the main window keeps in the settings store between sessions: the
// source folders top to bottom, the backup target and the restore target.
struct MainSettings {
    std::vector<std::string> sources;
    std::string backupTarget;
    std::string restoreTarget;
    // Every backup compresses every folder again instead of taking over the
    // archives of unchanged folders from the previous run.
    bool fullBackup = false;
    // What a backup leaves out, one pattern a line, in the store's order.
    std::vector<std::string> exclusions{};
    // A backup walks hidden folders like any other.
    bool hiddenFolders = false;
    // How many archiver jobs a run keeps going at once ([Options] Jobs);
    // 0, or no such key, lets the run choose. Only ever read: the file's
    // own value stays as the user wrote it.
    int jobs = 0;
};

// The user's own store, named after the program.
std::string mainSettingsPath();

// The store's values as they stand; a missing value is an empty text and a
// missing source section an empty list. Every value of the source section is
// one source folder, in the store's order, whatever its key is called.
MainSettings loadMainSettings(const platform::SettingsFile& store);

// Replaces the source section with ToCopy0, ToCopy1, ... in list order, then
// the two targets, and writes the file once at the end. Best effort: a step
// that fails is skipped and the next one still runs. Returns why the file
// could not be written, or an empty text when it was.
std::string saveMainSettings(platform::SettingsFile& store, const MainSettings& settings);
