#pragma once

#include "store/RunHost.h"

#include <cstdint>
#include <optional>

// Estimates how long a run has left from how long its folders took so far.
//
// A folder's time is taken to be a fixed part, which the archiver's start-up
// and the job's bookkeeping cost every folder however small, plus a part for
// every byte it reads. Neither pace alone does: by folders alone, a few large
// folders left after thousands of empty ones look as quick as those; by bytes
// alone, a tree of many empty folders looks done at once. Both parts are
// fitted to the folders done (least squares over each folder's bytes and
// time, neither part below zero), and the rest is priced with them. While
// the folders done are all of one size the two parts cannot be told apart,
// and each gets half of their time.
//
// While no folder has been done the archivers' own word on the bytes of the
// folders under way gives the pace, and it moves the estimate between two
// folders done.
//
// Times are milliseconds on any clock that only goes forward.
class TimeLeft {
public:
    // The run begins its folders now; nothing is known of their pace yet.
    void begin(const RunProgress& progress, std::int64_t nowMs);
    // A progress report: the folders done since the last one took the time
    // since then. A report that goes back begins again.
    void update(const RunProgress& progress, std::int64_t nowMs);
    // The time left, counted down from the last report; empty while too
    // little is done to say, once all is done, and when the folder under
    // way has already taken longer than all that was left.
    std::optional<std::int64_t> left(std::int64_t nowMs) const;

    // What "too little" is: so many folders, or this much time with at least one.
    static constexpr std::uint64_t kEnoughFolders = 3;
    static constexpr std::int64_t kEnoughMs = 5000;

private:
    void estimate(std::int64_t nowMs);
    void addSample(double bytes, double ms, double weight);
    void fit(double& perFolder, double& perByte) const;

    RunProgress m_last;
    std::int64_t m_beganMs = 0;
    std::int64_t m_lastMs = 0; // when the last folder was done
    std::int64_t m_estimatedMs = 0; // when the estimate was made
    bool m_begun = false;
    std::optional<std::int64_t> m_leftAtLast; // the estimate made at the last report
    // Each folder's bytes (x) and time (y), weighted means and co-moments,
    // kept as they come in so that large byte counts lose no precision.
    double m_weight = 0;
    double m_meanX = 0;
    double m_meanY = 0;
    double m_cxx = 0;
    double m_cxy = 0;
};
