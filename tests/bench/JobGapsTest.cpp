// The archiver runs a trace holds, as strace writes them and as the
// kernel's scheduler events give them.
#include "bench/JobGaps.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using bench::GapTracer;
using bench::ReadJobGaps;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

const std::string kArchiver = "/app folder/7z";

// The archiver runs of a trace that holds `text`.
bench::JobGaps gapsIn(const std::string& text, GapTracer tracer)
{
    TempDir dir;
    const std::string trace = dir.path() + "/run.trace";
    writeText(trace, text);
    return ReadJobGaps(trace, kArchiver, tracer);
}

// The runs found, their mean length and the mean time between them.
std::tuple<int, double, double> figures(const bench::JobGaps& gaps)
{
    const auto rounded = [](double ms) { return std::round(ms * 1000) / 1000; };
    return { gaps.jobs, rounded(gaps.jobMs), rounded(gaps.gapMs) };
}

TEST(JobGaps, StraceRunsAreTheArchiversExecsToTheirExits)
{
    // Runs of 10 and 20 ms, 3 ms apart: a failed exec starts nothing.
    const bench::JobGaps gaps = gapsIn(
        "100 10.000000 execve(\"/bin/sh\", [\"sh\"], 0x1 /* 3 vars */) = 0\n"
        "101 10.002000 execve(\"/app folder/7z\", [\"7z\", \"e\"], 0x1 /* 3 vars */ <unfinished ...>\n"
        "100 10.002500 exit_group(0) = ?\n"
        "101 10.012000 exit_group(0) = ?\n"
        "102 10.014000 execve(\"/app folder/7z\", [\"7z\"], 0x1) = -1 ENOENT (No such file or directory)\n"
        "103 10.015000 execve(\"/app folder/7z\", [\"7z\"], 0x1) = 0\n"
        "103 10.035000 exit_group(2) = ?\n",
        GapTracer::Strace);
    EXPECT_EQ(figures(gaps), std::make_tuple(2, 15.0, 3.0));
}

TEST(JobGaps, SchedulerRunsEndWithTheArchiversMainThread)
{
    // Runs of 9.1 and 4.1 ms, 1.9 ms apart; another archiver's path is not its.
    const bench::JobGaps gaps = gapsIn(
        "# tracer: nop\n"
        "#           TASK-PID     CPU#  |||||  TIMESTAMP  FUNCTION\n"
        "              sh-200     [001] ..... 500.000000: sched_process_exec: filename=/bin/sh pid=200 "
        "old_pid=200\n"
        "              7z-201     [000] ..... 500.001000: sched_process_exec: filename=/app folder/7z "
        "pid=201 old_pid=201\n"
        " Thread (pooled)-77      [001] ..... 500.002000: sched_process_exit: comm=Thread (pooled) pid=77 "
        "prio=120 group_dead=true\n"
        "              7z-203     [000] ..... 500.010000: sched_process_exit: comm=7z pid=203 prio=120 "
        "group_dead=false\n"
        "              7z-201     [000] ..... 500.010100: sched_process_exit: comm=7z pid=201 prio=120 "
        "group_dead=false\n"
        "              7z-202     [000] ..... 500.010200: sched_process_exit: comm=7z pid=202 prio=120 "
        "group_dead=true\n"
        "         7z-sh-204     [001] d..2. 500.012000: sched_process_exec: filename=/app folder/7z pid=204 "
        "old_pid=204\n"
        "              7z-204     [001] ..... 500.016100: sched_process_exit: comm=7z pid=204 prio=120 "
        "group_dead=true\n"
        "              7z-205     [001] ..... 500.020000: sched_process_exec: filename=/app folder/7z.old "
        "pid=205 old_pid=205\n"
        "              7z-205     [001] ..... 500.030000: sched_process_exit: comm=7z pid=205 prio=120 "
        "group_dead=true\n",
        GapTracer::Scheduler);
    EXPECT_EQ(figures(gaps), std::make_tuple(2, 6.6, 1.9));
}

} // namespace
