#pragma once

#include "platform/FileOps.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct FolderSeen;
struct FolderSight;

// The archives of the previous run that a new backup may take over instead
// of compressing a folder again. The previous run is the newest run of this
// computer that reached its end; its archives are taken over only when it
// made them with the same archiver switches, and only for a folder that it
// holds (not one it left out), that lies on a file system keeping change
// times, and that shows now exactly what that run saw of it before its
// archiver started: the same file system and inode, and every entry in it
// with the same name, inode, size, mode, modification and change time. No
// clock is compared but the file system's own stamps, so a clock set forward
// or back can only make a run compress more. Any doubt compresses.
class PreviousArchives {
public:
    // Looks in the backup target for the run this one may take archives
    // over from. `ownRunFolder` is the new run's folder, `archiver` its
    // archiver switches and `machine` the computer's id; `full` asks for
    // every folder to be compressed.
    PreviousArchives(const std::string& backupTarget, const std::string& ownRunFolder,
        const std::string& archiver, const std::string& machine, bool full);
    ~PreviousArchives();

    // The previous run's folder, when archives may be taken over from it.
    const std::string& runFolder() const { return m_runFolder; }

    // The date text the previous run's folder is named with.
    std::string dateText() const;

    // Why no archive is taken over, when there is a previous run; empty
    // when there is none, or when archives may be taken over.
    const std::string& whyNone() const { return m_whyNone; }

    // Gives the new run folder the previous run's archive of `folder` and its
    // count file (a second name of each, or a copy where the store's file
    // system has no hard links), when `sight`, this run's look at the folder,
    // is what the previous run saw. Returns how, or none when the folder
    // must be compressed; a failure on the way leaves no file of this folder
    // in the new run folder.
    std::optional<platform::Sharing> takeOver(const std::string& folder, const std::string& archiveName,
        const std::string& newRunFolder, const FolderSight& sight);

    // One log line for each kind of doubt that made folders be compressed
    // again, naming the first folder it concerned.
    std::vector<std::string> doubts() const;

private:
    enum Doubt { NoChangeTimes, NoRecord, DamagedRecord, OtherFileSystem, DoubtKinds };
    bool unchanged(const std::string& folder, const std::string& archiveName, const FolderSight& sight);
    void doubt(Doubt kind, const std::string& folder);
    void takeRecord(const std::string& backupTarget, const std::string& ownRunFolder,
        const std::string& archiver, const std::string& machine);

    std::string m_runFolder;
    std::string m_whyNone;
    std::unordered_map<std::string, FolderSeen> m_seen; // by path
    std::unordered_set<std::string> m_heldWithoutRecord; // folders the previous run holds but saw not as one
    std::unordered_map<std::string, std::vector<std::string>>
        m_leftOut; // names its patterns left out, by path
    int m_damagedLines = 0;
    std::string m_firstDoubt[DoubtKinds];
};

// What decides how a backup's archives are made: the archiver's command and
// its content switches (CompressionContentSwitches), never paths, job
// details or the wrapper around the archiver. Archives made with other
// switches may differ from what a new run would make, so they are not taken
// over.
std::string ArchiverFingerprint();
