#pragma once

#include <map>
#include <string>
#include <vector>

// Backup stores made by hand with the real archiver, sample trees of awkward
// names, and what a test checks a store or a restore against.
namespace testsupport {

// Makes the run folder of a date text under the backup target; returns its
// path with a trailing separator.
std::string makeRunFolder(const std::string& backupTarget, const std::string& dateText);

// The single run folder under a backup target (empty when there is none or
// more than one), without trailing separator.
std::string onlyRunFolder(const std::string& backupTarget);

// Runs the real archiver in a folder with shell-quoted arguments; true when
// it exits with 0.
bool runArchiver(const std::string& folder, const std::vector<std::string>& arguments);

// Replaces the archiver in the application folder with a shell script whose
// body is `body`; "$REAL" in it names the real archiver.
void writeArchiverScript(const std::string& appFolder, const std::string& body);

// Stores one folder in a run folder the way a backup does: the files directly
// in it go into "<encoded folder>.7z", the number of its ordinary files into
// the count file beside it.
void storeFolder(const std::string& runFolder, const std::string& folder);

// Stores `folder` and every non-hidden folder below it (links not followed).
void storeTree(const std::string& runFolder, const std::string& folder);

// Every file below `root` whose name ends in ".7z", at any depth: archives
// a run must not leave in the user's folders.
std::vector<std::string> archivesBelow(const std::string& root);

// The names a run folder holds once these folders are stored: each one's
// archive and count file, sorted.
std::vector<std::string> storedNames(const std::vector<std::string>& folders);

// Every file a restore must bring back from the sources (the files directly
// in each non-hidden folder, hidden files included), keyed by full path,
// with their bytes.
std::map<std::string, std::string> filesOfTree(const std::string& folder);

// Every file below a folder, hidden ones included, keyed by path relative to it.
std::map<std::string, std::string> allFilesBelow(const std::string& folder);

// Makes a tree of folders with names and contents that a user's folders may
// well have (spaces, quotes, '$', non-ASCII letters, empty folders and files,
// binary and large files, hidden files and folders) under `root`; returns
// the source folders to back up.
std::vector<std::string> makeSampleTree(const std::string& root);

// Checks that below `target` lie exactly the files of `expected` (full source
// paths, each placed below the target) with the same bytes, and nothing else.
void expectRestoredExactly(const std::string& target, const std::map<std::string, std::string>& expected);

} // namespace testsupport
