// How long after a job's end the runner returns.
//
// Each of 100 jobs runs "sleep 0.05; date +%s%N > stamp.txt": the archiver's
// place is taken by a short sleep, so that the runner is inside its wait when
// the job ends, and the job's last command writes the wall-clock time in
// nanoseconds. The next line of the batch file is the finish marker's echo, a
// shell builtin that follows within microseconds. Right after RunBatchJob
// returns, the benchmark reads the wall clock again; the difference is the
// latency from the job's end to the caller going on. It slightly overstates
// the latency (it includes the exit of `date` and the echo), never understates it.
//
// Then the whole cost of a job around its command: the same number of jobs
// running only /bin/true, one after another, against the same command run
// as often by one plain shell loop (fork and exec, nothing else). The
// difference per job is what the job mechanism adds to every archiver call.
//
// Last, how far two processors take short processes at once on this
// machine: the same shell loops (of /bin/true, then of shell arithmetic
// only) run once in one shell, and once split in two halves run by two
// shells side by side. Two halves that take as long as the whole mean that
// starting processes does not spread over processors here, and no number
// of archiver jobs can beat that for folders of small files.
//
// Run: bench_job_latency [jobs]   (prints mean, median and maximum in ms)

#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "store/JobRunner.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace {

long long wallClockNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

// How long /bin/sh takes to run `script`; -1 when it fails.
double secondsOfShell(const std::string& script)
{
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(("/bin/sh -c " + platform::shellQuoteIfNeeded(script)).c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return status == 0 ? seconds : -1;
}

// The time of one loop of `count` rounds of `body`, and of two loops of half
// as many run at once.
std::pair<double, double> wholeAndHalves(const std::string& body, int count)
{
    const auto loop = [&](int rounds) {
        return "i=0; while [ $i -lt " + std::to_string(rounds) + " ]; do " + body + "i=$((i+1)); done";
    };
    const double whole = secondsOfShell(loop(count));
    const double halves = secondsOfShell("(" + loop(count / 2) + ") & " + loop(count / 2) + "; wait");
    return { whole, halves };
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv); // the runner lets real events run
    const int jobs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

    std::unique_ptr<testsupport::TempDir> folder;
    try {
        folder = std::make_unique<testsupport::TempDir>("", "quorvel-bench-");
    } catch (const std::exception&) {
        std::fprintf(stderr, "cannot make a folder for the benchmark\n");
        return 1;
    }
    const std::string app = folder->path();
    // The job works in a folder of its own: only the markers touch the
    // application folder, as in a real run.
    const std::string work = app + "/work";
    (void)platform::createFolder(work);
    const std::string stamp = work + "/stamp.txt";

    std::vector<double> latencies;
    std::vector<double> wholeJobs;
    int failures = 0;
    for (int i = 0; i < jobs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        JobOutcome outcome = RunBatchJob(app, { work, "sleep 0.05; date +%s%N > stamp.txt" });
        const long long returned = wallClockNs();
        const auto end = std::chrono::steady_clock::now();
        auto written = platform::readFile(stamp);
        (void)platform::deleteFile(stamp);
        if (outcome != JobOutcome::Finished || !written) {
            ++failures;
            continue;
        }
        const long long finished = std::atoll(written->c_str());
        latencies.push_back(static_cast<double>(returned - finished) / 1e6);
        wholeJobs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }

    // Per-job cost: jobs of /bin/true, against a shell loop of the same.
    const auto jobsStart = std::chrono::steady_clock::now();
    for (int i = 0; i < jobs; ++i) {
        if (RunBatchJob(app, { work, "/bin/true" }) != JobOutcome::Finished)
            ++failures;
    }
    const double perJob
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - jobsStart).count()
        / jobs;
    const std::string loop = "cd " + platform::shellQuoteIfNeeded(work) + " && i=0; while [ $i -lt "
        + std::to_string(jobs) + " ]; do /bin/true; i=$((i+1)); done";
    const double loopSeconds = secondsOfShell(loop);
    const double perLoop = loopSeconds * 1000 / jobs;
    folder.reset();

    if (latencies.empty()) {
        std::fprintf(stderr, "no job finished (%d failed)\n", failures);
        return 1;
    }
    auto sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    const double mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / sorted.size();
    const std::size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    const double wholeMean = std::accumulate(wholeJobs.begin(), wholeJobs.end(), 0.0) / wholeJobs.size();
    std::printf("jobs: %zu finished, %d failed\n", n, failures);
    std::printf(
        "finish marker to return: mean %.2f ms, median %.2f ms, max %.2f ms\n", mean, median, sorted.back());
    std::printf("whole job (50 ms of work): mean %.2f ms\n", wholeMean);
    std::printf(
        "job of /bin/true: %.3f ms each; the same from a shell loop: %.3f ms; the job adds %.3f ms%s\n",
        perJob, perLoop, perJob - perLoop, loopSeconds >= 0 ? "" : " (the loop failed)");

    const auto [starts, startsAtOnce] = wholeAndHalves("/bin/true; ", jobs * 10);
    const auto [sums, sumsAtOnce] = wholeAndHalves("", jobs * 20000);
    std::printf("%d starts of /bin/true: %.2f s in one loop, %.2f s in two at once (%.2f of the time)\n",
        jobs * 10, starts, startsAtOnce, startsAtOnce / starts);
    std::printf("shell arithmetic alone: %.2f s in one loop, %.2f s in two at once (%.2f of the time)\n",
        sums, sumsAtOnce, sumsAtOnce / sums);
    const bool loopsRan = starts >= 0 && startsAtOnce >= 0 && sums >= 0 && sumsAtOnce >= 0;
    if (!loopsRan)
        std::fprintf(stderr, "a shell loop failed\n");
    return failures == 0 && loopsRan && loopSeconds >= 0 ? 0 : 1;
}
