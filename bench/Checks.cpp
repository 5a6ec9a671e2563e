// The check of a store of the 2,000-folder tree, through the program's
// command line: a full check (--check --all), a one-minute check, beside
// restic's check --read-data of the same tree when restic is installed, and
// the daily check time that keeps every archive read within 30 days.
//
//   bench_checks [--folders N] [--repetitions R] [--smoke] [--base FOLDER]

#include "bench/BenchSystem.h"
#include "bench/BenchTree.h"

#include "app/MainSettings.h"
#include "check/CheckStatus.h"
#include "platform/SettingsFile.h"
#include "store/CheckRecord.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct Options {
    int folders = 2000;
    int repetitions = 1;
    std::string base;
};

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "bench_checks: %s\n", why.c_str());
    std::exit(1);
}

Options readOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--folders" && hasValue)
            o.folders = std::atoi(argv[++i]);
        else if (arg == "--repetitions" && hasValue)
            o.repetitions = std::atoi(argv[++i]);
        else if (arg == "--base" && hasValue)
            o.base = argv[++i];
        else if (arg == "--smoke")
            o.folders = 20;
        else
            fail("usage: bench_checks [--folders N] [--repetitions R] [--smoke] [--base FOLDER]");
    }
    return o;
}

std::string lastLine(const std::string& output, const std::string& start)
{
    std::string found;
    std::size_t at = 0;
    while (at < output.size()) {
        const std::size_t end = output.find('\n', at);
        const std::string line = output.substr(at, end == std::string::npos ? end : end - at);
        if (line.find(start) != std::string::npos)
            found = line;
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return found;
}

bool onPath(const std::string& program)
{
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = readOptions(argc, argv);
    testsupport::TempDir top(o.base, "quorvel-checks-");
    const std::string home = top / "home", store = top / "store", program = top / "program";
    for (const std::string& folder : { home, store, program, top / "restored" })
        fs::create_directories(folder);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    ::unsetenv("QUORVEL_SCHEDULED");
    ::unsetenv("QUORVEL_CHECK_SECONDS");
    fs::copy_file(fs::path(testsupport::selfPath()).parent_path() / "Vimblor", program + "/Vimblor");
    testsupport::linkArchiver(program);
    const std::string vimblor = program + "/Vimblor";

    std::fprintf(stderr, "making the tree of %d folders...\n", o.folders);
    const std::vector<std::string> folders = makeTree(top / "src", o.folders, 5, 1024, 4096, 1);
    platform::SettingsFile settings(mainSettingsPath());
    if (const std::string why = saveMainSettings(settings, { { folders.front() }, store, top / "restored" });
        !why.empty())
        fail("the settings could not be saved: " + why);
    // Two runs, the second taking every archive over: one file, two names each.
    for (int run = 0; run < 2; ++run) {
        const Spawned backup = spawnAndWait({ vimblor, "--backup" }, true);
        if (!backup.ok)
            fail("the backup ended with status " + std::to_string(backup.status));
        std::system("sleep 1.1");
    }

    std::vector<double> full, minute;
    std::string fullLine, minuteLine;
    for (int r = 0; r < o.repetitions; ++r) {
        fs::remove(CheckRecordPath(store));
        const Spawned all = spawnAndWait({ vimblor, "--check", "--all" }, true);
        if (!all.ok)
            fail("--check --all ended with status " + std::to_string(all.status));
        full.push_back(all.seconds);
        fullLine = lastLine(all.output, " archives checked, ");
        fs::remove(CheckRecordPath(store));
        const Spawned one = spawnAndWait({ vimblor, "--check", "--minutes", "1" }, true);
        if (!one.ok)
            fail("--check --minutes 1 ended with status " + std::to_string(one.status));
        minute.push_back(one.seconds);
        minuteLine = lastLine(one.output, " archives checked, ");
    }
    // The record of the last one-minute check is replaced by a full one, so
    // that the daily time rests on every archive's timed test.
    fs::remove(CheckRecordPath(store));
    if (!spawnAndWait({ vimblor, "--check", "--all" }, true).ok)
        fail("the last --check --all failed");
    const auto archives = ListStoreArchives(store, CheckRecord::read(store));
    const std::int64_t now = CheckClockNow();
    std::printf("tree: %d folders, %zu archive files in 2 runs\n", o.folders, archives.size());
    std::printf("full check (--check --all):   %.1f s median of %d  [%s]\n", median(full), o.repetitions,
        fullLine.c_str());
    std::printf("one-minute check (--minutes 1): %.1f s median of %d  [%s]\n", median(minute), o.repetitions,
        minuteLine.c_str());
    std::printf("tested at %.1f MB/s (recorded)\n", TestBytesPerSecond(archives) / 1e6);
    std::printf(
        "daily check time for every archive within 30 days: %lld s (a fresh store, all checked today)\n",
        static_cast<long long>(DailyCheckSeconds(archives, 30, now)));
    std::printf("the same with every archive overdue (all due today): %lld s\n",
        static_cast<long long>(DailyCheckSeconds(archives, 30, now + 31 * 86400)));
    std::printf(
        "scheduled check budget: %lld s\n", static_cast<long long>(ScheduledCheckSeconds(archives, 30, now)));

    if (!onPath("restic")) {
        std::printf("restic check --read-data: restic is not installed, so not measured\n");
        return 0;
    }
    ::setenv("RESTIC_PASSWORD", "bench", 1);
    const std::string repo = top / "restic";
    if (!spawnAndWait({ "restic", "init", "-q", "-r", repo }, true).ok
        || !spawnAndWait({ "restic", "backup", "-q", "-r", repo, folders.front() }, true).ok)
        fail("restic could not make its repository");
    std::vector<double> restic;
    for (int r = 0; r < o.repetitions; ++r)
        restic.push_back(spawnAndWait({ "restic", "check", "--read-data", "-q", "-r", repo }, true).seconds);
    std::printf("restic check --read-data: %.1f s median of %d\n", median(restic), o.repetitions);
    return 0;
}
