#pragma once

#include "store/JobRunner.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class FolderWatch;
}

// How many archiver jobs a run keeps going at once: `setting` when it is
// above 0, else as many as the processors this process may use, lowered so
// that that many archivers fit the memory available.
int ChooseJobCount(int setting);

// The threads each archiver of a run of `jobs` jobs may use: its share of
// the processors, never below 2 (one thread takes more than twice as long
// on a large file, and two give the very same archive bytes). 0 for a run
// of one job, whose archiver chooses for itself as it always has.
int ThreadsPerJob(int jobs);

// The archiver's progress in its progress file: the last percentage it
// wrote, or empty before the first.
std::optional<int> ProgressPercent(const std::string& progressText);

// Runs up to `count` batch jobs at the same time, each in a slot with job
// files of its own (see SlotFileName), and follows their markers. A run
// starts a job in a free slot, then waits until some job has ended, letting
// window events run meanwhile; what comes next is the run's own affair.
// Each job is judged as a single job always was: it must make its start
// marker within 3 seconds of its launch (else NotStarted), and once started
// it may run as long as it needs, unless its shell is gone without its
// finish marker (then it is over, Finished). A stop (StopRunningJob) kills
// every running job, each of which is then reported Finished.
// For the user-interface thread only.
class JobSlots {
public:
    // Slots `firstSlot` to `firstSlot + count - 1`, named as SlotFileName
    // names them; a slot number below is counted from the first.
    JobSlots(std::string appFolder, int count, int firstSlot = 0);
    // Jobs still running (an error ended the run's steps) are killed; the
    // files of every slot but the first go.
    ~JobSlots();
    JobSlots(const JobSlots&) = delete;
    JobSlots& operator=(const JobSlots&) = delete;

    int count() const { return static_cast<int>(m_slots.size()); }
    int running() const;
    std::optional<int> freeSlot() const;

    // Writes the slot's job files and launches the job in it; the slot must
    // be free. Throws RunError as RunBatchJob does.
    void start(int slot, const BatchJob& job);

    struct Ended {
        int slot = 0;
        JobOutcome outcome = JobOutcome::Finished;
    };
    // Waits until a running job has ended (at least one must run); its slot
    // is free again. `whileWaiting`, when given, is called about four times
    // a second while no job has ended.
    Ended waitForOne(const std::function<void()>& whileWaiting = {});

    // The full path of a job file of `slot`.
    std::string filePath(int slot, const char* name) const;
    const std::string& appFolder() const { return m_appFolder; }

    // How far the archiver of the job in `slot` says it is, in percent;
    // empty when it has said nothing yet.
    std::optional<int> percentDone(int slot) const;
    // The bytes the job in `slot` has read so far, by the kernel's count:
    // how a run of one job, whose archiver says nothing of its progress,
    // follows it. Empty when it cannot be told.
    std::optional<std::uint64_t> bytesRead(int slot) const;

private:
    struct Slot {
        bool running = false;
        std::string workingFolder;
        std::chrono::steady_clock::time_point deadline{}; // for the start marker
    };
    std::optional<Ended> endedJob();
    void stopEveryJob();

    std::string m_appFolder;
    std::vector<Slot> m_slots;
    int m_firstSlot = 0;
    std::vector<Ended> m_ended; // jobs the stop ended, not yet reported
    std::unique_ptr<platform::FolderWatch> m_watch;
    std::chrono::steady_clock::time_point m_nextLifeCheck{};
};
