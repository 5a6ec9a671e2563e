#pragma once

#include <string>

struct MainSettings;

// Why a run from the command line cannot start, or empty when it can. Each
// text is one line for the user.
namespace preconditions {

// Reads the saved settings into `settings`.
std::string settings(MainSettings& settings);

// The archiver "7z" in the application folder.
std::string archiver(const std::string& appFolder);

// A folder the run needs, e.g. ("backup target", path).
std::string folder(const std::string& what, const std::string& path);

} // namespace preconditions
