#pragma once

#include "platform/Result.h"
#include "store/ArchiverReport.h"

#include <optional>
#include <string>
#include <vector>

// Single files taken from an archive. The archiver reads '*', '?' and '['
// in names given to it as wildcards, and would bring back every file they
// match; the names go to it in a list file with wildcards off instead, each
// between double quotes so that spaces at either end and quotes in it stay
// part of the name.

// The list file's name: a job file of the application folder, there only
// while its job runs.
inline constexpr char kNameListFile[] = "names.lst";

// Why these names cannot be listed (a line break or NUL in one), or none.
std::optional<std::string> NameListProblem(const std::vector<std::string>& names);

// The list file of one job in the application folder, readable by this
// user alone: written when made (nothing is written for no names), removed
// when it goes, whatever ended the job. Throws RunError when it cannot be
// written.
class ScopedNameList {
public:
    // `listFile`: the job slot's own list, for a run of several jobs;
    // empty: kNameListFile in the application folder.
    ScopedNameList(const std::string& appFolder, const std::vector<std::string>& names,
        const std::string& listFile = {});
    ~ScopedNameList();
    ScopedNameList(const ScopedNameList&) = delete;
    ScopedNameList& operator=(const ScopedNameList&) = delete;

    // The file's path; empty when there are no names.
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The names the archiver did not list as extracted.
std::vector<std::string> NamesNotExtracted(
    const std::vector<std::string>& names, const ArchiverVerdict& verdict);
