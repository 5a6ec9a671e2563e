#pragma once

#include <string>
#include <vector>

// The rules of the main window's source list and run buttons, apart from the
// widgets that show them.

// Whether a path names an existing folder, with or without a trailing
// separator. An empty path never does. The add command, the Change buttons
// and the run buttons all use this one test.
bool passesPathTest(const std::string& path);

// Duplicate: the very text is listed. SameFolder: another spelling of a
// listed folder. Inside, Contains: the folder lies in a listed one, or holds one.
enum class AddOutcome { Added, NotValid, Duplicate, SameFolder, Inside, Contains };

// What adding the typed text to the listed source folders comes to. Added
// means the text goes on top of the list as typed. Folders are compared as
// the file system has them: "." and "..", repeated and trailing separators
// and links resolved, letter case counting. The listed entry that stands in
// the way goes into `other` when it is given.
AddOutcome checkNewSource(
    const std::string& text, const std::vector<std::string>& listed, std::string* other = nullptr);

// The box text for a refused folder that another entry stands in the way of.
std::string overlapText(AddOutcome outcome, const std::string& other);

// Backup needs a target that passes the path test and at least one source
// folder; restore needs both the backup target and the restore target to pass.
bool backupAllowed(const std::string& backupTarget, std::size_t sourceCount);
bool restoreAllowed(const std::string& backupTarget, const std::string& restoreTarget);
