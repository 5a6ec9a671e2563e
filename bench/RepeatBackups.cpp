// Repeat backups of one tree: the program's first backup into an empty
// store, a repeat with nothing changed, a repeat after one file changed and
// a repeat with --full, each through the program's own command line
// (`Vimblor --backup [--full]`); beside them restic's and borg's first and
// repeat backups of the same tree. For every run: the seconds it took and
// what the store (or repository) grew by on disk.
//
// Each repetition makes fresh stores and runs the programs one after the
// other, in an order that turns every repetition, so that load from other
// work on the machine falls on all alike; the median of the repetitions is
// reported. Every run is checked and a failed check stops the benchmark with
// status 1. Making the tree, the checks and the clean-up are not timed.
//
// Run: bench_repeat_backups [options]   (--help lists them)

#include "app/MainSettings.h"
#include "bench/BenchSystem.h"
#include "bench/BenchTree.h"
#include "bench/OtherBackups.h"
#include "bench/RecordCost.h"
#include "bench/StoreChecks.h"
#include "pathutil/PathRoutines.h"
#include "platform/SettingsFile.h"
#include "store/FolderSeen.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct Options {
    int folders = 2000;
    int files = 5;
    int reps = 3;
    std::string base = fs::temp_directory_path().string();
    std::string program; // the Vimblor beside this benchmark when empty
    std::uint64_t seed = 20261207;
    bool others = true;
    bool keep = false;
    bool checkTargets = false;
};

const char kUsage[] = "bench_repeat_backups [options]\n"
                      "  --folders N       folders of the tree (2000), four levels deep\n"
                      "  --files K         files in each of them (5), of 1 to 4 KiB\n"
                      "  --reps R          repetitions; the median is reported (3)\n"
                      "  --dir FOLDER      where the tree and the stores are made (the temporary folder)\n"
                      "  --program FILE    the program to measure (Vimblor beside this benchmark)\n"
                      "  --seed S          seed of the generated contents\n"
                      "  --without-others  leave restic and borg out\n"
                      "  --keep            leave the tree and the stores in place\n"
                      "  --check-targets   exit with 3 when a target is missed\n"
                      "  --smoke           20 folders, one repetition, without restic and borg\n";

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
        else if (arg == "--reps")
            o.reps = std::stoi(value());
        else if (arg == "--dir")
            o.base = value();
        else if (arg == "--program")
            o.program = value();
        else if (arg == "--seed")
            o.seed = std::stoull(value());
        else if (arg == "--without-others")
            o.others = false;
        else if (arg == "--keep")
            o.keep = true;
        else if (arg == "--check-targets")
            o.checkTargets = true;
        else if (arg == "--smoke") {
            o.folders = 20;
            o.files = 2;
            o.reps = 1;
            o.others = false;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else {
            throw std::invalid_argument("unknown option " + arg);
        }
    }
    // The changed file is the first file of a folder in the middle of the tree.
    if (o.folders < 2 || o.files < 1 || o.reps < 1)
        throw std::invalid_argument("the tree needs 2 folders and 1 file each at least, and 1 repetition");
    return o;
}

// A failed check: the benchmark stops, since its figures would mean nothing.
[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

// Waits until the wall clock has left the given second. A run folder is
// named after the second its run starts in, and a run can only tell that a
// file changed after an earlier run started when they lie in different seconds.
void waitPast(std::time_t second)
{
    while (std::time(nullptr) <= second)
        ::usleep(20 * 1000);
}

// The last lines of a run's output, for the report of a failure.
std::string lastLines(const std::string& output, int count)
{
    std::size_t at = output.size();
    for (int n = 0; n <= count && at != std::string::npos && at > 0; ++n)
        at = output.rfind('\n', at - 1);
    return at == std::string::npos ? output : output.substr(at + 1);
}

// Seconds and store growth (bytes) of the repetitions of one kind of run.
struct Series {
    std::vector<double> seconds;
    std::vector<double> growth;
    void add(double s, double g)
    {
        seconds.push_back(s);
        growth.push_back(g);
    }
};

struct OtherFigures {
    std::string name;
    Series first;
    Series repeat;
};

struct Figures {
    Series first, repeat, changed, full;
    std::vector<double> record; // seconds of the look and journal lines alone
    std::vector<OtherFigures> others;
    std::vector<std::string> notInstalled;
};

// Everything the benchmark makes: its own home folders (so that the program
// reads settings of its own and restic and borg keep their caches there),
// the program's folder, the tree.
class Bench {
public:
    explicit Bench(const Options& o)
        : m_options(o)
        , m_folder(o.base, "quorvel-repeat-")
    {
        if (o.keep)
            m_folder.keep();
        m_top = ShortPath(m_folder.path());
        setHome();
        installProgram();
        std::fprintf(stderr, "making the tree of %d folders...\n", o.folders);
        m_folders = makeTree(m_top + "/src", o.folders, o.files, 1024, 4096, o.seed);
        m_quietSince = m_changedAt = std::time(nullptr);
    }

    const std::string& top() const { return m_top; }
    std::string source() const { return m_folders.front(); }
    std::size_t folderCount() const { return m_folders.size(); }
    const std::vector<std::string>& folders() const { return m_folders; }
    const std::string& program() const { return m_program; }

    // The second of the newest change to the tree or start of a backup.
    std::time_t quietSince() const { return m_quietSince; }
    void touched(std::time_t second) { m_quietSince = std::max(m_quietSince, second); }
    // The second of the newest change to the tree.
    std::time_t changedAt() const { return m_changedAt; }

    // Rewrites the first file of a folder in the middle of the tree, as an
    // editor saving in place does; returns the archive name of its folder.
    std::string changeOneFile(int round)
    {
        const std::string folder = m_folders[m_folders.size() / 2];
        testsupport::writeText(folder + "/file 0.dat", "changed in round " + std::to_string(round) + "\n");
        m_changedAt = std::time(nullptr);
        touched(m_changedAt);
        return ArchiveName(AddBackslash(ShortPath(folder)));
    }

    // Points the program's saved settings at a store.
    void useStore(const std::string& store) const
    {
        fs::create_directories(store);
        platform::SettingsFile settings(mainSettingsPath());
        MainSettings wanted;
        wanted.sources = { source() };
        wanted.backupTarget = store;
        wanted.restoreTarget = m_top + "/restored";
        if (const std::string why = saveMainSettings(settings, wanted); !why.empty())
            fail("the settings could not be saved: " + why);
    }

private:
    void setHome()
    {
        const std::string home = m_top + "/home";
        fs::create_directories(home);
        fs::create_directories(m_top + "/restored");
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        ::unsetenv("QUORVEL_SCHEDULED");
        setOtherBackupsEnvironment();
    }

    // A copy of the program in a folder of its own, with the archiver link
    // beside it as the build puts one: its job files go there.
    void installProgram()
    {
        std::string original = m_options.program;
        if (original.empty())
            original = fs::path(testsupport::selfPath()).parent_path().string() + "/Vimblor";
        if (!fs::is_regular_file(original))
            fail("no program at " + original + " (build the target Vimblor, or give --program)");
        const std::string folder = m_top + "/program";
        fs::create_directories(folder);
        m_program = folder + "/Vimblor";
        fs::copy_file(original, m_program);
        testsupport::linkArchiver(folder);
    }

    const Options& m_options;
    testsupport::TempDir m_folder;
    std::string m_top;
    std::string m_program;
    std::vector<std::string> m_folders;
    std::time_t m_quietSince = 0;
    std::time_t m_changedAt = 0;
};

// One run of the program: its seconds, its run folder and what the store grew by.
struct BackupDone {
    double seconds = 0;
    std::string runFolder;
    double growth = 0;
};

BackupDone programBackup(Bench& bench, const std::string& store, bool full)
{
    // A run records a file changed less than two seconds before it looks at
    // its folder as too recent to tell a later change in the same tick, and
    // the next run compresses that folder again: the tree the runs see has
    // been quiet that long, as a user's tree mostly has.
    waitPast(bench.changedAt() + kSameTickMargin / 1'000'000'000);
    waitPast(bench.quietSince());
    const std::set<std::string> before = subfolderNames(store);
    const std::uintmax_t bytesBefore = diskBytes(store);
    bench.touched(std::time(nullptr));
    std::vector<std::string> argv{ bench.program(), "--backup" };
    if (full)
        argv.push_back("--full");
    const Spawned run = spawnAndWait(argv, true);
    const std::string command = full ? "--backup --full" : "--backup";
    if (!run.ok)
        fail("Vimblor " + command + " ended with status " + std::to_string(run.status) + ":\n"
            + lastLines(run.output, 12));
    std::vector<std::string> made;
    for (const std::string& name : subfolderNames(store)) {
        if (!before.count(name))
            made.push_back(store + "/" + name);
    }
    if (made.size() != 1)
        fail("Vimblor " + command + " made " + std::to_string(made.size()) + " run folders, not one");
    if (const std::string why = runFolderProblem(made.front(), bench.folderCount()); !why.empty())
        fail("Vimblor " + command + ": " + why);
    const double growth = static_cast<double>(diskBytes(store)) - static_cast<double>(bytesBefore);
    return { run.seconds, made.front(), growth };
}

// Which archives of a run must be new files rather than links to the previous run's.
struct Expected {
    bool allNew = false;
    std::vector<std::string> newArchives; // when not all are new
};

void checkSharing(
    const BackupDone& run, const BackupDone& previous, const Expected& expected, const std::string& what)
{
    const Sharing sharing = sharingWith(run.runFolder, previous.runFolder);
    if (expected.allNew ? !sharing.shared.empty() : sharing.own != expected.newArchives)
        fail(what + ": " + std::to_string(sharing.own.size()) + " archives are new and "
            + std::to_string(sharing.shared.size()) + " the previous run's, where "
            + (expected.allNew ? std::string("all") : std::to_string(expected.newArchives.size()))
            + " should be new");
    if (!sharing.ownCounts.empty())
        fail(what
            + ": the archive is the previous run's but its count file is not: " + sharing.ownCounts.front());
}

void measureProgram(Bench& bench, int rep, Figures& figures)
{
    const std::string store = bench.top() + "/store-" + std::to_string(rep);
    bench.useStore(store);
    const BackupDone first = programBackup(bench, store, false);
    figures.first.add(first.seconds, first.growth);
    figures.record.push_back(recordSeconds(bench.folders(), bench.top() + "/record-scratch"));

    const BackupDone repeat = programBackup(bench, store, false);
    checkSharing(repeat, first, Expected{}, "the repeat backup");
    figures.repeat.add(repeat.seconds, repeat.growth);

    const std::string changedArchive = bench.changeOneFile(rep);
    const BackupDone changed = programBackup(bench, store, false);
    checkSharing(
        changed, repeat, Expected{ false, { changedArchive } }, "the repeat backup after one file changed");
    figures.changed.add(changed.seconds, changed.growth);

    const BackupDone full = programBackup(bench, store, true);
    checkSharing(full, changed, Expected{ true, {} }, "the --full backup");
    figures.full.add(full.seconds, full.growth);
    std::fprintf(stderr, "[Vimblor] rep %d: first %.2f s, repeat %.2f s, one changed %.2f s, --full %.2f s\n",
        rep + 1, first.seconds, repeat.seconds, changed.seconds, full.seconds);
}

void measureOther(Bench& bench, const OtherBackup& other, int rep, OtherFigures& figures)
{
    const std::string repository = bench.top() + "/" + other.name() + "-" + std::to_string(rep);
    other.init(repository);
    waitPast(bench.quietSince());
    const double empty = static_cast<double>(diskBytes(repository));
    const double first = other.backup(repository, bench.source(), 1);
    const double afterFirst = static_cast<double>(diskBytes(repository));
    const double repeat = other.backup(repository, bench.source(), 2);
    const double afterRepeat = static_cast<double>(diskBytes(repository));
    figures.first.add(first, afterFirst - empty);
    figures.repeat.add(repeat, afterRepeat - afterFirst);
    std::fprintf(
        stderr, "[%s] rep %d: first %.2f s, repeat %.2f s\n", other.name().c_str(), rep + 1, first, repeat);
}

std::string megabytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, bytes < 1e6 ? "%.3f MB" : "%.1f MB", bytes / 1e6);
    return text;
}

void printRow(const std::string& label, const Series& series, const Series& first)
{
    const double growth = median(series.growth);
    const double percent = 100 * growth / median(first.growth);
    std::printf("| %s | %.2f | %s | %.2f %% |\n", label.c_str(), median(series.seconds),
        megabytes(growth).c_str(), percent);
}

std::string mark(bool met)
{
    return met ? "ok" : "MISSED";
}

// The table and the targets; true when every target was met.
bool printFigures(const Options& o, const Figures& f)
{
    std::printf("\n%d folders x %d files, %d repetition%s, medians; growth: what the store or repository "
                "takes on disk after the run less before it (du), and as a share of what the first "
                "backup made\n\n",
        o.folders, o.files, o.reps, o.reps == 1 ? "" : "s");
    std::printf("| run | seconds | growth | of first |\n| --- | ---: | ---: | ---: |\n");
    printRow("Vimblor first backup", f.first, f.first);
    printRow("Vimblor repeat, nothing changed", f.repeat, f.first);
    printRow("Vimblor repeat, one file changed", f.changed, f.first);
    printRow("Vimblor repeat --full", f.full, f.first);
    for (const OtherFigures& other : f.others) {
        printRow(other.name + " first backup", other.first, other.first);
        printRow(other.name + " repeat, nothing changed", other.repeat, other.first);
    }

    const double repeat = median(f.repeat.seconds);
    const double speedUp = median(f.first.seconds) / repeat;
    const double share = 100 * median(f.repeat.growth) / median(f.first.growth);
    bool met = speedUp >= 20 && share < 1;
    std::printf("\nrepeat %.1f times faster than the first backup (target: 20 at least): %s\n", speedUp,
        mark(speedUp >= 20).c_str());
    for (const OtherFigures& other : f.others) {
        const double theirs = median(other.repeat.seconds);
        std::printf("repeat %.2f s against %s's %.2f s (target: faster): %s\n", repeat, other.name.c_str(),
            theirs, mark(repeat < theirs).c_str());
        met = met && repeat < theirs;
    }
    const double record = median(f.record);
    const double recordShare = 100 * record / median(f.first.seconds);
    std::printf("the record alone (each folder's look and journal line) %.3f s, %.2f %% of the first backup "
                "(target: 3 %% at most): %s\n",
        record, recordShare, mark(recordShare <= 3).c_str());
    met = met && recordShare <= 3;
    std::printf("store growth of a repeat %.2f %% of the first backup (target: under 1 %%): %s\n", share,
        mark(share < 1).c_str());
    for (const std::string& name : f.notInstalled)
        std::printf(
            "%s is not installed, so not measured: apt-get install restic borgbackup\n", name.c_str());
    return met;
}

Figures measure(Bench& bench, const Options& o)
{
    std::vector<OtherBackup> others;
    std::vector<std::string> notInstalled;
    if (o.others) {
        for (const OtherBackup& other : otherBackups()) {
            if (other.installed())
                others.push_back(other);
            else
                notInstalled.push_back(other.name());
        }
    }
    Figures figures;
    figures.notInstalled = notInstalled;
    for (const OtherBackup& other : others)
        figures.others.push_back({ other.name(), {}, {} });
    // The program is unit 0, the others follow; every repetition starts one later.
    const std::size_t units = others.size() + 1;
    for (int rep = 0; rep < o.reps; ++rep) {
        for (std::size_t step = 0; step < units; ++step) {
            const std::size_t unit = (step + static_cast<std::size_t>(rep)) % units;
            if (unit == 0)
                measureProgram(bench, rep, figures);
            else
                measureOther(bench, others[unit - 1], rep, figures.others[unit - 1]);
        }
    }
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    try {
        o = parseOptions(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n%s", error.what(), kUsage);
        return 2;
    }
    bool met = true;
    std::string kept;
    try {
        // Everything the benchmark made goes at the very end, when nothing
        // is timed any more.
        Bench bench(o);
        const Figures figures = measure(bench, o);
        met = printFigures(o, figures);
        if (o.keep)
            kept = bench.top();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_repeat_backups: %s\n", error.what());
        return 1;
    }
    if (!kept.empty())
        std::printf("tree and stores kept in %s\n", kept.c_str());
    return o.checkTargets && !met ? 3 : 0;
}
