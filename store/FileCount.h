#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What counting a folder's files found besides the count.
struct CountProblems {
    std::string listingError; // the folder exists but cannot be listed: why
    std::vector<std::string> unreadable; // regular files the archiver cannot read
};

// The number of ordinary files directly in a folder: what a backup stores
// beside the folder's archive and what a restore compares it with, so both
// count alike. No folders and no hidden entries; files and links of every
// kind count. A folder that cannot be listed has 0. What went wrong on the
// way goes into `problems` when it is given. The names in `leftOut` (in byte
// order) are not stored, so they neither count nor make problems.
std::int32_t CountFolderFiles(const std::string& folder, CountProblems* problems = nullptr,
    const std::vector<std::string>& leftOut = {});

// The number of entries in a finished archive that a restore counts: those
// not hidden. Runs the archiver's listing as a batch job; empty when the
// listing cannot be had.
std::optional<std::int32_t> CountArchivedFiles(
    const std::string& appFolder, const std::string& archivePath, int slot = 0);
