// Whole backup and restore runs against the archiver's own floor, a long
// log, and folder discovery of a large tree.
//
// For each tree shape, every repetition runs, side by side:
//   - a complete backup through the backup window (in a process of its own),
//   - the floor: the very same archiver command lines, one `cd <folder> &&
//     <line>` per folder, run by one plain `sh` with no polling and no windows,
//   - a complete restore of that backup through the restore window,
//   - its floor: the same extraction lines in the same folders, run by one
//     plain `sh`, plus the work a restore must do besides (making the
//     folders, copying the archives and count files there and removing the
//     copies), done in this process.
// Program and floor swap places every repetition, so that load from other
// work on the machine falls on both alike. The median of the repetitions is
// reported. Tree generation, checks and clean-up are not timed.
//
// With --trace-gaps, every backup and restore, the program's and the
// floor's, runs under strace, and a second table gives the time between one
// archiver's end and the next one's start, per folder: the part of a run of
// one job that is the program's own, which a drifting machine moves far
// less than the runs' lengths (see JobGaps.h for what tracing changes).
// --sched-gaps takes the same table from the kernel's scheduler events
// instead, which stop nothing (root only).
//
// Run: bench_runs [options]   (bench_runs --help lists them)

#include "backup/BackupRun.h"
#include "bench/BenchSystem.h"
#include "bench/BenchTree.h"
#include "bench/JobGaps.h"
#include "bench/ParallelFloor.h"
#include "bench/ProgramRuns.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "restore/RestoreSteps.h"
#include "store/Archiver.h"
#include "store/JobSlots.h"
#include "store/StoreLayout.h"
#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace bench;

namespace {

// The benchmark's application folder: job files and the archiver link, made
// once at the start.
std::string appFolder;

struct Options {
    int folders = 2000;
    int files = 5;
    int minBytes = 1024;
    int maxBytes = 4096;
    int bigFolders = 20;
    double bigMegabytes = 50;
    int reps = 3;
    int jobs = 1; // archiver jobs at once, the program's and the floor's
    int logLines = 200000;
    int pumpEvery = 2;
    int discoverFolders = 100000;
    int discoverFiles = 2;
    std::set<std::string> parts{ "small", "big", "log", "discover" };
    std::string base = fs::temp_directory_path().string();
    std::uint64_t seed = 20261207;
    bool keep = false;
    bool checkTargets = false;
    bool traceGaps = false;
    GapTracer tracer = GapTracer::Strace;
};

const char kUsage[] = "bench_runs [options]\n"
                      "  --folders N          folders of the small-files shape (2000)\n"
                      "  --files K            files in each of them (5), of 1 to 4 KiB\n"
                      "  --big-folders N      folders of the large-files shape (20)\n"
                      "  --big-mb M           megabytes in the large-files shape in total (50)\n"
                      "  --reps R             repetitions; the median is reported (3)\n"
                      "  --jobs J             archiver jobs at once, program and floor (1)\n"
                      "  --log-lines L        lines put into a progress window's log (200000)\n"
                      "  --pump-every P       events run after every P log lines (2, as a run does)\n"
                      "  --discover-folders N folders of the discovery tree (100000)\n"
                      "  --discover-files K   empty files in each of them (2)\n"
                      "  --only LIST          comma-separated of small,big,log,discover (all)\n"
                      "  --dir FOLDER         where the trees are made (the temporary folder)\n"
                      "  --seed S             seed of the generated contents\n"
                      "  --keep               leave the trees in place\n"
                      "  --check-targets      exit with 3 when a target is missed\n"
                      "  --trace-gaps         time what each run does between archivers (strace)\n"
                      "  --sched-gaps         the same from the kernel's scheduler events (root)\n"
                      "  --smoke              a few folders, one repetition, everything scaled down\n";

Options parseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--folders")
            o.folders = std::stoi(value());
        else if (arg == "--files")
            o.files = std::stoi(value());
        else if (arg == "--big-folders")
            o.bigFolders = std::stoi(value());
        else if (arg == "--big-mb")
            o.bigMegabytes = std::stod(value());
        else if (arg == "--reps")
            o.reps = std::stoi(value());
        else if (arg == "--jobs")
            o.jobs = std::max(1, std::stoi(value()));
        else if (arg == "--log-lines")
            o.logLines = std::stoi(value());
        else if (arg == "--pump-every")
            o.pumpEvery = std::stoi(value());
        else if (arg == "--discover-folders")
            o.discoverFolders = std::stoi(value());
        else if (arg == "--discover-files")
            o.discoverFiles = std::stoi(value());
        else if (arg == "--dir")
            o.base = value();
        else if (arg == "--seed")
            o.seed = std::stoull(value());
        else if (arg == "--keep")
            o.keep = true;
        else if (arg == "--check-targets")
            o.checkTargets = true;
        else if (arg == "--trace-gaps")
            o.traceGaps = true;
        else if (arg == "--sched-gaps") {
            o.traceGaps = true;
            o.tracer = GapTracer::Scheduler;
        } else if (arg == "--only") {
            o.parts.clear();
            std::istringstream list(value());
            std::string part;
            while (std::getline(list, part, ','))
                o.parts.insert(part);
        } else if (arg == "--smoke") {
            o.folders = 12;
            o.files = 2;
            o.bigFolders = 3;
            o.bigMegabytes = 1;
            o.reps = 1;
            o.logLines = 2000;
            o.discoverFolders = 300;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else {
            throw std::invalid_argument("unknown option " + arg);
        }
    }
    if (o.folders < 1 || o.files < 0 || o.bigFolders < 1 || o.bigMegabytes <= 0 || o.reps < 1
        || o.logLines < 1 || o.pumpEvery < 1 || o.discoverFolders < 1 || o.discoverFiles < 0)
        throw std::invalid_argument("every count must be positive");
    return o;
}

// A failed check: the benchmark stops, since its figures would mean nothing.
[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

void writeScript(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    // The program's jobs run with globbing off, so the archiver's own
    // patterns reach it as written; the floor runs them the same way.
    out << "set -f\n";
    for (const std::string& line : lines)
        out << line << "\n";
    if (!out)
        fail("cannot write " + path);
}

// Where a backup or restore, the program's or the floor's, writes its trace;
// empty when runs are not traced.
std::string traceFile;
GapTracer tracer = GapTracer::Strace;

std::vector<std::string> tracedIfAsked(const std::vector<std::string>& argv)
{
    return traceFile.empty() ? argv : TracedCommand(traceFile, argv, tracer);
}

// The archiver runs of the last traced run.
JobGaps lastGaps()
{
    return traceFile.empty() ? JobGaps{} : ReadJobGaps(traceFile, appFolder + "/7z", tracer);
}

Spawned runChildMode(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{ testsupport::selfPath(), "--child" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const bool traced = arguments.front() == "backup" || arguments.front() == "restore";
    return spawnAndWait(traced ? tracedIfAsked(argv) : argv, true);
}

double number(const std::map<std::string, std::string>& result, const std::string& key)
{
    auto it = result.find(key);
    if (it == result.end())
        fail("the run gave no " + key);
    return std::stod(it->second);
}

// Runs one program mode; its RESULT pairs, or a failure naming the mode.
std::map<std::string, std::string> programRun(
    const std::string& mode, const std::vector<std::string>& arguments)
{
    std::vector<std::string> all{ mode };
    all.insert(all.end(), arguments.begin(), arguments.end());
    const Spawned run = runChildMode(all);
    auto result = parseResult(run.output);
    if (!run.ok || result.empty())
        fail("the " + mode + " run failed (status " + std::to_string(run.status) + ")");
    return result;
}

double timeScript(const std::string& script)
{
    const Spawned run = spawnAndWait(tracedIfAsked({ "/bin/sh", script }), false, true);
    if (run.status < 0)
        fail("the floor script " + script + " did not run");
    return run.seconds;
}

struct ShapeFigures {
    std::string name;
    std::vector<double> backup, backupFloor, restore, restoreFloor;
    std::vector<JobGaps> backupGaps, backupFloorGaps, restoreGaps, restoreFloorGaps; // when traced
    long peakKb = 0;
};

// One shape: its tree, then the repetitions, program and floor side by side.
ShapeFigures measureShape(const Options& o, const std::string& bench, const std::string& shape, int folders,
    int files, int minBytes, int maxBytes, const std::string& label)
{
    ShapeFigures figures;
    figures.name = label;
    const std::string top = bench + "/" + shape;
    const std::string source = top + "/src";
    std::fprintf(stderr, "[%s] making the tree...\n", label.c_str());
    makeTree(source, folders, files, minBytes, maxBytes, o.seed);
    traceFile = o.traceGaps ? top + "/run.trace" : std::string();
    tracer = o.tracer;

    // The folders in the order the backup takes them, found by its own walk.
    testsupport::FakeFields noFields;
    testsupport::LogHost host;
    BackupRun walk(host, noFields, appFolder);
    std::vector<std::string> folderList;
    walk.CollectFolders(source, folderList);
    if (folderList.size() != static_cast<std::size_t>(folders))
        fail("the walk found " + std::to_string(folderList.size()) + " folders, not "
            + std::to_string(folders));

    // The floor makes its archives where the program does: in a store folder.
    const std::string floorStore = top + "/floor-store";
    // With several jobs, each line is the one the program gives a job slot.
    const SlotLine slotLine{ top + "/floor-output." + kSlotPlaceholder + ".txt",
        top + "/floor-progress." + kSlotPlaceholder + ".txt", ThreadsPerJob(o.jobs) };
    std::vector<std::string> backupLines;
    for (const std::string& folder : folderList) {
        const std::string archive = floorStore + "/" + ArchiveName(folder);
        backupLines.push_back("cd " + platform::shellQuoteIfNeeded(folder) + " && "
            + (o.jobs > 1 ? CompressCommandLine(appFolder, archive, slotLine)
                          : CompressCommandLine(appFolder, archive)));
    }
    std::string backupScript = top + "/floor-backup.sh";
    if (o.jobs > 1)
        backupScript = writeParallelFloor(top, "floor-backup", backupLines, o.jobs);
    else
        writeScript(backupScript, backupLines);

    for (int rep = 0; rep < o.reps; ++rep) {
        const std::string target = top + "/backup-" + std::to_string(rep);
        const std::string restored = top + "/restore-" + std::to_string(rep);
        const std::string floorRestored = top + "/floor-restore-" + std::to_string(rep);
        fs::create_directories(target);
        fs::create_directories(restored);
        fs::create_directories(floorRestored);
        const bool programFirst = rep % 2 == 0;

        // Backup, program and floor.
        auto programBackup = [&] {
            auto result = programRun("backup",
                { "--app", appFolder, "--source", source, "--target", target, "--jobs",
                    std::to_string(o.jobs) });
            if (number(result, "folders") != folders)
                fail("the backup found " + result["folders"] + " folders");
            figures.backup.push_back(number(result, "seconds"));
            figures.backupGaps.push_back(lastGaps());
            figures.peakKb = std::max(figures.peakKb, static_cast<long>(number(result, "peak_kb")));
        };
        auto floorBackup = [&] {
            fs::create_directories(floorStore);
            figures.backupFloor.push_back(timeScript(backupScript));
            figures.backupFloorGaps.push_back(lastGaps());
            // Every folder got its archive. They are moved out of the way
            // before the program runs there, not deleted: on a file system
            // that avoids reusing recently freed inodes, thousands of fresh
            // deletions would slow down every file created in the next half
            // minute, the program's and the floor's alike.
            const std::string keep = top + "/floor-archives-" + std::to_string(rep);
            for (const std::string& folder : folderList) {
                const std::string made = floorStore + "/" + ArchiveName(folder);
                if (!platform::fileExists(made))
                    fail("the floor made no archive " + made);
            }
            fs::rename(floorStore, keep);
        };
        if (programFirst) {
            programBackup();
            floorBackup();
        } else {
            floorBackup();
            programBackup();
        }

        std::vector<std::string> runFolders;
        for (const auto& entry : fs::directory_iterator(target)) {
            // The store's own hidden files are no run folders.
            if (!entry.path().filename().string().starts_with('.'))
                runFolders.push_back(entry.path().string());
        }
        if (runFolders.size() != 1)
            fail("the backup target holds " + std::to_string(runFolders.size()) + " run folders");
        const std::string runFolder = AddBackslash(runFolders.front());
        const std::vector<std::string> archives = FindArchiveNames(runFolder);
        if (archives.size() != static_cast<std::size_t>(folders))
            fail("the run folder holds " + std::to_string(archives.size()) + " archives");

        // The floor's restore: the same extraction lines in the same folders.
        // The work a restore must do besides the archiver (making the
        // folders, copying each archive and its count file beside the files,
        // removing the copies afterwards) is done here in this process, the
        // cheapest way there is, and timed with the script.
        std::vector<std::string> restoreLines;
        std::vector<std::string> restoreFolders;
        for (const std::string& name : archives) {
            const ExtractionPlace place = PlanExtraction(floorRestored, name);
            if (!place.refusal.empty())
                fail(name + ": " + place.refusal);
            restoreFolders.push_back(place.restoreFolder);
            restoreLines.push_back("cd " + platform::shellQuoteIfNeeded(place.restoreFolder) + " && "
                + (o.jobs > 1 ? ExtractCommandLine(appFolder, name, slotLine)
                              : ExtractCommandLine(appFolder, name)));
        }
        std::string restoreScript = top + "/floor-restore.sh";
        if (o.jobs > 1)
            restoreScript = writeParallelFloor(top, "floor-restore", restoreLines, o.jobs);
        else
            writeScript(restoreScript, restoreLines);
        auto floorRestoreWork = [&] {
            const double start = nowSeconds();
            for (std::size_t i = 0; i < archives.size(); ++i) {
                const std::string& name = archives[i];
                MakeFolders(restoreFolders[i]);
                if (!platform::copyFile(runFolder + name, restoreFolders[i] + name)
                    || !platform::copyFile(
                        runFolder + CountFileName(name), restoreFolders[i] + CountFileName(name)))
                    fail("cannot copy " + name);
            }
            const double copied = nowSeconds() - start;
            const double extracted = timeScript(restoreScript);
            const double removeStart = nowSeconds();
            for (std::size_t i = 0; i < archives.size(); ++i) {
                (void)platform::deleteFile(restoreFolders[i] + archives[i]);
                (void)platform::deleteFile(restoreFolders[i] + CountFileName(archives[i]));
            }
            return copied + extracted + (nowSeconds() - removeStart);
        };

        auto programRestore = [&] {
            auto result = programRun("restore",
                { "--app", appFolder, "--target", target, "--restore", restored, "--jobs",
                    std::to_string(o.jobs) });
            if (number(result, "archives") != folders)
                fail("the restore found " + result["archives"] + " archives");
            figures.restore.push_back(number(result, "seconds"));
            figures.restoreGaps.push_back(lastGaps());
            figures.peakKb = std::max(figures.peakKb, static_cast<long>(number(result, "peak_kb")));
        };
        auto floorRestore = [&] {
            figures.restoreFloor.push_back(floorRestoreWork());
            figures.restoreFloorGaps.push_back(lastGaps());
        };
        if (programFirst) {
            programRestore();
            floorRestore();
        } else {
            floorRestore();
            programRestore();
        }

        // Both restores brought every file back.
        std::string why;
        if (!sameFiles(source, restored + source, why))
            fail("the restore is not the same: " + why);
        if (!sameFiles(source, floorRestored + source, why))
            fail("the floor's restore is not the same: " + why);

        std::fprintf(stderr, "[%s] rep %d: backup %.2f s (floor %.2f s), restore %.2f s (floor %.2f s)\n",
            label.c_str(), rep + 1, figures.backup.back(), figures.backupFloor.back(), figures.restore.back(),
            figures.restoreFloor.back());
        // The copies stay until the end, for the same reason as the floor's archives.
    }
    return figures;
}

std::string mark(bool met)
{
    return met ? "ok" : "MISSED";
}

// The medians over the repetitions of each run's mean gap and mean archiver run.
std::pair<double, double> medianGaps(const std::vector<JobGaps>& runs)
{
    std::vector<double> gaps, jobs;
    for (const JobGaps& run : runs) {
        gaps.push_back(run.gapMs);
        jobs.push_back(run.jobMs);
    }
    return { median(gaps), median(jobs) };
}

// The traced figures: per folder, the program's time between archivers
// against the floor's, and what the run would take with the floor's
// archiver runs and the program's gaps. The floor's restore makes its
// folders before its script starts, so its gaps leave that out and the
// program's do not: the comparison is, if anything, strict on the program.
void printGapTable(const std::vector<ShapeFigures>& shapes)
{
    std::printf("\nTraced, per folder: time between one archiver's end and the next one's start, "
                "the floor's archiver run, and (floor run + program gap) / (floor run + floor gap)\n\n");
    std::printf(
        "| shape | backup gap ms | floor gap ms | archiver ms | ratio | restore gap ms | floor gap ms "
        "| archiver ms | ratio |\n");
    std::printf("| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    for (const ShapeFigures& s : shapes) {
        const double b = medianGaps(s.backupGaps).first;
        const auto [bf, bfj] = medianGaps(s.backupFloorGaps);
        const double r = medianGaps(s.restoreGaps).first;
        const auto [rf, rfj] = medianGaps(s.restoreFloorGaps);
        std::printf("| %s | %.2f | %.2f | %.2f | %.3f | %.2f | %.2f | %.2f | %.3f |\n", s.name.c_str(), b, bf,
            bfj, (bfj + b) / (bfj + bf), r, rf, rfj, (rfj + r) / (rfj + rf));
    }
    // The archivers themselves, in the program's runs and in the floor's:
    // the same lines, so a difference is the machine's drift, or what the
    // program's own steps leave the archiver to pay (a cache, a file system).
    std::printf("\nArchiver runs, ms per folder, program's run / floor's run:\n");
    for (const ShapeFigures& s : shapes)
        std::printf("  %s: backup %.2f / %.2f, restore %.2f / %.2f\n", s.name.c_str(),
            medianGaps(s.backupGaps).second, medianGaps(s.backupFloorGaps).second,
            medianGaps(s.restoreGaps).second, medianGaps(s.restoreFloorGaps).second);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    Options o;
    try {
        o = parseOptions(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n%s", error.what(), kUsage);
        return 2;
    }

    // Everything the benchmark makes lies in one folder, removed at the end
    // unless it is to be kept.
    std::unique_ptr<testsupport::TempDir> benchFolder;
    std::string bench;
    bool missed = false;
    try {
        benchFolder = std::make_unique<testsupport::TempDir>(o.base, "quorvel-bench-");
        if (o.keep)
            benchFolder->keep();
        bench = platform::shortPath(benchFolder->path());
        // The application folder: the job files and the archiver link, as an
        // installed program has them.
        const std::string app = bench + "/app";
        fs::create_directories(app);
        testsupport::linkArchiver(app);
        appFolder = platform::shortPath(app);
        // The windows' toolkit wants a private runtime folder, and says so
        // on every start without one.
        if (!std::getenv("XDG_RUNTIME_DIR")) {
            const std::string runtime = bench + "/runtime";
            fs::create_directories(runtime);
            fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }

        if (o.traceGaps && !CanTrace(o.tracer))
            fail(o.tracer == GapTracer::Strace
                    ? "--trace-gaps needs strace (Debian's strace package)"
                    : "--sched-gaps needs root and the kernel's tracing folder, /sys/kernel/tracing");
        std::vector<ShapeFigures> shapes;
        if (o.parts.count("small"))
            shapes.push_back(measureShape(o, bench, "small", o.folders, o.files, o.minBytes, o.maxBytes,
                std::to_string(o.folders) + " folders x " + std::to_string(o.files) + " files"));
        if (o.parts.count("big")) {
            const int filesPerFolder = 4;
            const int bytes
                = static_cast<int>(o.bigMegabytes * 1024 * 1024 / (o.bigFolders * filesPerFolder));
            char label[64];
            std::snprintf(label, sizeof label, "%d folders, %g MB", o.bigFolders, o.bigMegabytes);
            shapes.push_back(
                measureShape(o, bench, "big", o.bigFolders, filesPerFolder, bytes, bytes, label));
        }

        std::vector<double> logSeconds;
        long logPeakKb = 0;
        int logPaints = -1;
        if (o.parts.count("log")) {
            for (int rep = 0; rep < o.reps; ++rep) {
                auto result = programRun("addlog",
                    { "--lines", std::to_string(o.logLines), "--pump-every", std::to_string(o.pumpEvery) });
                logSeconds.push_back(number(result, "seconds"));
                logPeakKb = std::max(logPeakKb, static_cast<long>(number(result, "peak_kb")));
                const int paints = static_cast<int>(number(result, "paints"));
                logPaints = logPaints < 0 ? paints : std::min(logPaints, paints);
                std::fprintf(stderr, "[log] rep %d: %.2f s, %d paints\n", rep + 1, logSeconds.back(), paints);
            }
        }

        std::vector<double> discoverSeconds;
        long discoverPeakKb = 0;
        if (o.parts.count("discover")) {
            const std::string root = bench + "/discover";
            std::fprintf(stderr, "[discover] making %d folders...\n", o.discoverFolders);
            makeTree(root, o.discoverFolders, 0, 0, 0, o.seed);
            for (int f = 0; f < o.discoverFiles; ++f) {
                // Empty files: the walk looks at every entry, not at its bytes.
                for (auto it = fs::recursive_directory_iterator(root);
                     it != fs::recursive_directory_iterator(); ++it)
                    if (it->is_directory())
                        std::ofstream(it->path() / ("file " + std::to_string(f) + ".txt"));
                std::ofstream(fs::path(root) / ("file " + std::to_string(f) + ".txt"));
            }
            for (int rep = 0; rep < o.reps; ++rep) {
                auto result = programRun("discover", { "--source", root });
                if (number(result, "folders") != o.discoverFolders)
                    fail("discovery found " + result["folders"] + " folders");
                discoverSeconds.push_back(number(result, "seconds"));
                discoverPeakKb = std::max(discoverPeakKb, static_cast<long>(number(result, "peak_kb")));
                std::fprintf(stderr, "[discover] rep %d: %.2f s\n", rep + 1, discoverSeconds.back());
            }
        }

        // The table.
        std::printf("\n%d repetition%s, medians; peak memory is the program's largest over its runs\n\n",
            o.reps, o.reps == 1 ? "" : "s");
        if (!shapes.empty()) {
            std::printf("| shape | backup s | floor s | ratio | restore s | floor s | ratio | peak MB |\n");
            std::printf("| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n");
        }
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            const ShapeFigures& s = shapes[i];
            const double b = median(s.backup), bf = median(s.backupFloor);
            const double r = median(s.restore), rf = median(s.restoreFloor);
            const double limit = s.name.find("MB") != std::string::npos ? 1.05 : 1.15;
            std::printf("| %s | %.2f | %.2f | %.3f %s | %.2f | %.2f | %.3f %s | %.0f |\n", s.name.c_str(), b,
                bf, b / bf, mark(b / bf <= limit).c_str(), r, rf, r / rf, mark(r / rf <= limit).c_str(),
                s.peakKb / 1024.0);
            missed = missed || b / bf > limit || r / rf > limit;
        }
        if (o.traceGaps && !shapes.empty())
            printGapTable(shapes);
        if (!logSeconds.empty()) {
            const double s = median(logSeconds);
            std::printf("\nlog: %d lines in %.2f s (%s, target 2 s), events run every %d lines, at least %d "
                        "repaints during the run, newest line on top; peak %.0f MB\n",
                o.logLines, s, mark(s < 2).c_str(), o.pumpEvery, logPaints, logPeakKb / 1024.0);
            missed = missed || s >= 2;
        }
        if (!discoverSeconds.empty()) {
            const double s = median(discoverSeconds);
            const double mb = discoverPeakKb / 1024.0;
            std::printf("discovery: %d folders (%d files each) in %.2f s (%s, target 5 s), peak %.0f MB (%s, "
                        "target 200 MB)\n",
                o.discoverFolders, o.discoverFiles, s, mark(s < 5).c_str(), mb, mark(mb < 200).c_str());
            missed = missed || s >= 5 || mb >= 200;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_runs: %s\n", error.what());
        return 1;
    }
    if (o.keep)
        std::printf("trees kept in %s\n", bench.c_str());
    return o.checkTargets && missed ? 3 : 0;
}
