#pragma once

#include <string>
#include <vector>

// The time a run spends outside its archiver, measured from a trace of the
// run's processes rather than from its length: on a virtual machine whose
// speed drifts by a quarter over minutes, two runs of half a minute each
// cannot be compared to within 15 %, but the few milliseconds between one
// archiver's end and the next one's start can, folder by folder.
//
// Two tracers can take the trace:
//   - strace (`-f -ttt -e trace=execve,exit_group`, with --seccomp-bpf so
//     that no other system call stops the traced processes). It is not
//     free: every traced call wakes strace, which also keeps the processors
//     from going idle, so the figures are those of traced runs, and
//     hand-overs between processes may cost less in them than untraced.
//   - the kernel's own scheduler events (sched_process_exec and
//     sched_process_exit, through /sys/kernel/tracing): nothing is stopped
//     or woken, each event costs the kernel well under a microsecond, and
//     the runs keep their untraced shape. It needs root, and the trace
//     holds every process of the machine for the while, not only the run's.
namespace bench {

enum class GapTracer { Strace, Scheduler };

struct JobGaps {
    int jobs = 0; // archiver runs seen
    double gapMs = 0; // mean time from one archiver's end to the next one's start
    double jobMs = 0; // mean time from an archiver's start to its end
};

// `argv` run with its trace written to `traceFile`.
std::vector<std::string> TracedCommand(
    const std::string& traceFile, const std::vector<std::string>& argv, GapTracer tracer);

// True when the tracer can be used here.
bool CanTrace(GapTracer tracer);

// The archiver runs in a trace, the archiver being the program at
// `archiverPath`. Meaningful for runs of one job at a time.
JobGaps ReadJobGaps(const std::string& traceFile, const std::string& archiverPath, GapTracer tracer);

} // namespace bench
