#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The steps of a restore run that need no window: finding the run folders and
// their archives, and working out where an archive's files go.

// The decoded names of the entries directly in the backup target (folders and
// plain files, hidden ones left out) that read as dates under any regional
// setting the machine has, newest first by when each run started.
// Throws RunError when the backup target cannot be listed.
std::vector<std::string> FindDateTexts(const std::string& backupTarget);

// The bare names of the plain files in a run folder whose names end in
// ".7z" (case-sensitive), in name order. A run folder that does not exist
// holds none; one that exists but cannot be listed throws RunError.
std::vector<std::string> FindArchiveNames(const std::string& runFolder);

// The folder part of a decoded archive name: everything before its last
// separator (empty when it has none).
std::string DisplayPath(const std::string& decodedName);

// The restore target followed by the display path, doubled separators
// collapsed, ending in one separator.
std::string RestoreFolderOf(const std::string& restoreTarget, const std::string& displayPath);

// Where one archive of a run is extracted, or why it must not be.
struct ExtractionPlace {
    std::string decodedName;
    std::string displayPath;
    std::string restoreFolder;
    std::string refusal; // set when the archive is not to be extracted: why
};

// Works out the place of an archive under the restore target. The archive's
// name comes from disk, so it is checked before anything is made from it:
// the name must be one that a backup writes (letters, digits, '_', '-', '.'),
// its decoded folder path must name a folder (a separator in it), hold no
// NUL, CR or LF and no "." or ".." level, so that the folder always lies
// below the restore target. A shortened name's folder path is read from its
// path file in `runFolder` and checked alike; without a sound path file the
// archive is refused.
ExtractionPlace PlanExtraction(
    const std::string& restoreTarget, const std::string& archiveName, const std::string& runFolder = {});

// The folder an archive name stands for, as the user is shown it when the
// archive is missing: the decoded name's folder, or for a shortened name
// the decoded head of its path and "...".
std::string FolderShownFor(const std::string& archiveName);

// Checks the levels of the restore folder below the restore target that
// exist already: each must be a real folder, not a symbolic link (which an
// earlier archive may have restored) through which the files would land
// somewhere else. Returns the offending path, or nothing when all is well.
std::optional<std::string> LinkedLevelBelow(
    const std::string& restoreTarget, const std::string& restoreFolder);
