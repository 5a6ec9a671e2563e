#include "bench/JobGaps.h"

#include "bench/BenchSystem.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace bench {

std::vector<std::string> TracedCommand(const std::string& traceFile, const std::vector<std::string>& argv)
{
    std::vector<std::string> traced{ "strace", "-f", "-qq", "--seccomp-bpf", "-ttt", "-e",
        "trace=execve,exit_group", "-o", traceFile };
    traced.insert(traced.end(), argv.begin(), argv.end());
    return traced;
}

bool CanTrace()
{
    return spawnAndWait({ "strace", "-qq", "--seccomp-bpf", "-e", "trace=exit_group", "true" }, false, true)
        .ok;
}

JobGaps ReadJobGaps(const std::string& traceFile, const std::string& archiverPath)
{
    // Lines look like
    //   PID SECONDS execve("PATH", [...], ...) = 0
    //   PID SECONDS exit_group(0) = ?
    // and a call another process interrupts comes in two halves, the first
    // ending in "<unfinished ...>": its time is the call's start, which is
    // the one wanted for both.
    std::ifstream in(traceFile);
    const std::string execOfArchiver = "execve(\"" + archiverPath + "\"";
    std::map<long, double> started; // archiver process -> its start
    std::vector<std::pair<double, double>> runs; // start, end
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
            started[pid] = at;
        else if (rest.starts_with("exit_group(")) {
            if (auto it = started.find(pid); it != started.end()) {
                runs.emplace_back(it->second, at);
                started.erase(it);
            }
        }
    }
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
