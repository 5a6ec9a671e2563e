#pragma once

#include "prune/KeepRules.h"

#include <string>

// The clean-up's settings: the keep rules, `[Keep]` Days, Daily, Weekly and
// Monthly of the saved settings (set by hand; each falls back to its default
// when it is not set or does not read as a count), and whether a scheduled
// backup that reached its end is followed by a clean-up.
KeepRules savedKeepRules();

// `[Keep] AfterBackup`: on unless set to 0. It takes effect only once the
// user has seen a preview of what a clean-up removes (in the window or with
// --prune --dry-run): the first scheduled backup after an update never
// removes runs the user has not seen named.
bool pruneAfterScheduledBackup(const std::string& stateFolder);

// The user has seen a preview: kept in the state folder, which no save of
// the main window's settings writes over.
void notePreviewSeen(const std::string& stateFolder);
bool previewSeen(const std::string& stateFolder);
