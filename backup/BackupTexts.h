#pragma once

#include <string>
#include <vector>

// What a backup says of the folders it cannot store as they are, and the
// path tests its walk makes.

// Names the files of a folder that the archiver could not read, a few of
// them when there are many.
std::string unreadableFilesText(const std::string& folder, const std::vector<std::string>& names);

// Why a folder cannot get an archive of its own, or empty when it can.
std::string whyNotStorable(const std::string& folder);

// The names joined for one log line.
std::string joined(const std::vector<std::string>& names);

// True when `folder` (canonical, one trailing separator) is `other` or lies below it.
bool isAtOrBelow(const std::string& folder, const std::string& other);

// The canonical form of a folder with one trailing separator, or empty when
// it is not there.
std::string canonicalFolder(const std::string& path);
