#pragma once

#include "platform/FileOps.h"
#include "store/RunRecord.h"

#include <optional>
#include <string>

// The archives of the previous run that a new backup may take over instead
// of compressing a folder again. A folder's archive is taken over only when
// the folder cannot have changed since before the previous run began to
// work: the folder and every entry in it changed last before that run's
// recorded start, it holds as many files as that run counted, and that run's
// archive is a complete, plain file. Any doubt compresses.
class PreviousArchives {
public:
    // Looks in the backup target for the run this one may take archives
    // over from. `own` is the new run's folder and record; `full` asks for
    // every folder to be compressed.
    PreviousArchives(
        const std::string& backupTarget, const std::string& ownRunFolder, const RunRecord& own, bool full);

    // The previous run's folder, when archives may be taken over from it.
    const std::string& runFolder() const { return m_runFolder; }

    // The date text the previous run's folder is named with.
    std::string dateText() const;

    // Why no archive is taken over, when there is a previous run; empty
    // when there is none, or when archives may be taken over.
    const std::string& whyNone() const { return m_whyNone; }

    // Gives the new run folder the previous run's archive of `folder` and its
    // count file (a second name of each, or a copy where the store's file
    // system has no hard links), when the folder cannot have changed. Returns
    // how, or none when the folder must be compressed; a failure on the way
    // leaves no file of this folder in the new run folder.
    std::optional<platform::Sharing> takeOver(
        const std::string& folder, const std::string& archiveName, const std::string& newRunFolder) const;

private:
    bool unchanged(const std::string& folder, const std::string& archiveName) const;

    std::string m_runFolder;
    std::string m_whyNone;
    std::int64_t m_started = 0;
};

// What decides how a backup's archives are made: the archiver's command and
// its content switches (CompressionContentSwitches), never paths, job
// details or the wrapper around the archiver. Archives made with other
// switches may differ from what a new run would make, so they are not taken
// over.
std::string ArchiverFingerprint();
