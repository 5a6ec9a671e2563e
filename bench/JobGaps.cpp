#include "bench/JobGaps.h"

#include "bench/BenchSystem.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace bench {

namespace {

// Turns the scheduler's process events on, runs the command with the trace
// running, then keeps what was traced in the trace file: "$1" is the trace
// file, the rest the command. The trace is emptied first and stopped right
// after the command, so it holds the command's time alone; tracing is then
// left on or off as it was found.
const char kSchedulerTracing[] = R"(T=/sys/kernel/tracing
f=$1; shift
on=$(cat $T/tracing_on) || exit 125
echo 0 > $T/tracing_on && echo > $T/trace && echo 20000 > $T/buffer_size_kb || exit 125
for e in sched_process_exec sched_process_exit; do echo 1 > $T/events/sched/$e/enable || exit 125; done
echo 1 > $T/tracing_on
"$@"; s=$?
echo 0 > $T/tracing_on
for e in sched_process_exec sched_process_exit; do echo 0 > $T/events/sched/$e/enable; done
cat $T/trace > "$f"
echo "$on" > $T/tracing_on
exit $s)";

using Runs = std::vector<std::pair<double, double>>; // start, end

// Pairs each archiver process's start with its end, whichever tracer saw them.
class RunPairs {
public:
    void start(long pid, double at) { m_started[pid] = at; }
    // An end of a process whose start was not seen is not an archiver's.
    void end(long pid, double at)
    {
        if (auto it = m_started.find(pid); it != m_started.end()) {
            m_runs.emplace_back(it->second, at);
            m_started.erase(it);
        }
    }
    Runs runs() const { return m_runs; }

private:
    std::map<long, double> m_started; // archiver process -> its start
    Runs m_runs;
};

// strace's lines look like
//   PID SECONDS execve("PATH", [...], ...) = 0
//   PID SECONDS exit_group(0) = ?
// and a call another process interrupts comes in two halves, the first
// ending in "<unfinished ...>": its time is the call's start, which is the
// one wanted for both.
Runs straceRuns(std::istream& in, const std::string& archiverPath)
{
    const std::string execOfArchiver = "execve(\"" + archiverPath + "\"";
    RunPairs runs;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        long pid = 0;
        double at = 0;
        if (!(words >> pid >> at))
            continue;
        const std::size_t call = line.find_first_not_of(' ', static_cast<std::size_t>(words.tellg()));
        if (call == std::string::npos)
            continue;
        const std::string rest = line.substr(call);
        if (rest.starts_with(execOfArchiver) && rest.find(" = -1 ") == std::string::npos)
            runs.start(pid, at);
        else if (rest.starts_with("exit_group("))
            runs.end(pid, at);
    }
    return runs.runs();
}

// The scheduler's lines look like
//   TASK-PID [CPU] FLAGS SECONDS: sched_process_exec: filename=PATH pid=N old_pid=N
//   TASK-PID [CPU] FLAGS SECONDS: sched_process_exit: comm=NAME pid=N prio=P group_dead=B
// where the task's name may hold blanks and dashes, and the path blanks.
// A process's exit comes once for each of its threads, each with a pid of
// its own: the archiver's run ends with the exit of its main thread, whose
// pid its exec gave, microseconds from the others'.
Runs schedulerRuns(std::istream& in, const std::string& archiverPath)
{
    RunPairs runs;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t event = line.find(": sched_process_");
        if (event == std::string::npos)
            continue;
        const std::size_t stamp = line.rfind(' ', event);
        if (stamp == std::string::npos)
            continue;
        const double at = std::atof(line.c_str() + stamp + 1);
        const std::size_t fields = line.find(": ", event + 2);
        if (fields == std::string::npos)
            continue;
        const std::string name = line.substr(event + 2, fields - event - 2);
        const std::string rest = line.substr(fields + 2);
        // Both events end in " pid=N" and fields after it.
        const std::size_t pidField = rest.rfind(" pid=");
        if (pidField == std::string::npos)
            continue;
        const long pid = std::atol(rest.c_str() + pidField + 5);
        if (name == "sched_process_exec" && rest.starts_with("filename=")
            && rest.compare(9, pidField - 9, archiverPath) == 0)
            runs.start(pid, at);
        else if (name == "sched_process_exit")
            runs.end(pid, at);
    }
    return runs.runs();
}

} // namespace

std::vector<std::string> TracedCommand(
    const std::string& traceFile, const std::vector<std::string>& argv, GapTracer tracer)
{
    std::vector<std::string> traced;
    if (tracer == GapTracer::Strace)
        traced = { "strace", "-f", "-qq", "--seccomp-bpf", "-ttt", "-e", "trace=execve,exit_group", "-o",
            traceFile };
    else
        traced = { "/bin/sh", "-c", kSchedulerTracing, "sh", traceFile };
    traced.insert(traced.end(), argv.begin(), argv.end());
    return traced;
}

bool CanTrace(GapTracer tracer)
{
    if (tracer == GapTracer::Scheduler)
        return spawnAndWait(TracedCommand("/dev/null", { "true" }, tracer), false, true).ok;
    return spawnAndWait({ "strace", "-qq", "--seccomp-bpf", "-e", "trace=exit_group", "true" }, false, true)
        .ok;
}

JobGaps ReadJobGaps(const std::string& traceFile, const std::string& archiverPath, GapTracer tracer)
{
    std::ifstream in(traceFile);
    Runs runs = tracer == GapTracer::Strace ? straceRuns(in, archiverPath) : schedulerRuns(in, archiverPath);
    std::sort(runs.begin(), runs.end());
    JobGaps gaps;
    gaps.jobs = static_cast<int>(runs.size());
    if (runs.empty())
        return gaps;
    double jobs = 0, between = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        jobs += runs[i].second - runs[i].first;
        if (i + 1 < runs.size())
            between += runs[i + 1].first - runs[i].second;
    }
    gaps.jobMs = jobs * 1000 / static_cast<double>(runs.size());
    if (runs.size() > 1)
        gaps.gapMs = between * 1000 / static_cast<double>(runs.size() - 1);
    return gaps;
}

} // namespace bench
