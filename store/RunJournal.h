#pragma once

#include "platform/Result.h"
#include "store/FolderSeen.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The one hidden record a backup run keeps of itself in its run folder:
// when it started and with which archiver switches, which computer made it,
// which folders it holds under which archive names, which folders the user
// chose that it left out and why, and how it ended. The run adds a line as
// each folder is done, so a run that is cut short still tells what it
// finished. A restore that knows nothing of it, and 7-Zip, never see it.
//
// One line a fact: a tag, then fields separated by tabs; a field's
// backslash, tab, line feed and carriage return are written as "\\", "\t",
// "\n" and "\r", so any path fits. A reader skips lines whose tag it does
// not know, so later versions may add facts; a last line without its line
// feed was cut short and is left out.

inline constexpr char kRunJournal[] = ".journal";

// How a run ended. "Reached its end" means it removed its incomplete
// marker: such a run is complete or failed. A run stopped by the user and
// one cut short (killed, a power cut) did not.
enum class RunOutcome { Complete, Failed, Stopped, Incomplete };

// A folder the run holds: its archive in the run folder, and its real path.
struct JournalFolder {
    std::string archive;
    std::string path; // ends in one separator
};

// A folder the user chose that the run left out.
struct JournalFailure {
    std::string path; // the folder's real path, ending in one separator
    std::string archive; // its archive name, empty when it can have none
    std::string why; // one line
};

// Entries of a folder that a restore cannot bring back as they were.
struct JournalSpecials {
    std::string archive;
    std::vector<std::string> names;
};

// Names in a folder the run holds that its exclusion patterns left out of
// the folder's archive, in byte order.
struct JournalLeftOut {
    std::string path;
    std::vector<std::string> names;
};

struct RunJournal {
    std::int64_t started = 0; // nanoseconds since 1970 (UTC), taken before any folder was read
    std::string archiver; // the switches that decide what an archive holds
    std::string machine; // the id of the computer that made the run
    std::vector<JournalFolder> held;
    std::vector<JournalFailure> failed;
    std::vector<JournalSpecials> specials;
    std::vector<FolderSeen> seen; // what the run saw of each folder it holds
    std::vector<JournalLeftOut> leftOut; // runs made before patterns existed have none
    int damagedSeen = 0; // looks at folders whose line does not read
    std::string log; // the name of the run's kept log in the state folder (see RunLogs)
    bool stopped = false; // the user stopped the run
    bool ended = false; // the run wrote its closing line
    int failedAtEnd = 0; // folders failed, as the closing line says
};

// Reads a journal's bytes. Lines it cannot read are left out; a journal
// without a valid start line gives none.
std::optional<RunJournal> ParseRunJournal(std::string_view text);

// The journal of a run folder; none when it has none, it is no plain file,
// it is longer than any run writes, or it is damaged.
std::optional<RunJournal> ReadRunJournal(const std::string& runFolder);

// One field of a journal line with its escapes undone; none when an escape
// is not one JournalLine writes.
std::optional<std::string> UnescapeJournalField(std::string_view field);

// The fields of one journal line, escaped and joined, with its line feed.
std::string JournalLine(std::string_view tag, const std::vector<std::string_view>& fields);

// Writes a run's journal as the run goes. Every call adds one line at once.
class RunJournalWriter {
public:
    explicit RunJournalWriter(const std::string& runFolder);

    // The first lines: the start, the archiver's switches and the computer.
    platform::Status begin(std::int64_t started, const std::string& archiver, const std::string& machine);
    platform::Status held(const std::string& archive, const std::string& path);
    platform::Status failed(const std::string& path, const std::string& archive, const std::string& why);
    platform::Status specials(const std::string& archive, const std::vector<std::string>& names);
    // What the run saw of a folder it holds, in its look before the archiver started.
    platform::Status seen(const FolderSeen& folder);
    // The name of the run's kept log, so that its log is found from the run.
    platform::Status log(const std::string& name);
    // The names the patterns left out of a folder's archive; written before
    // the folder's look, so a look in the journal says its names are there too.
    platform::Status leftOut(const std::string& path, const std::vector<std::string>& names);
    platform::Status stopped();
    // The closing line of a run that reached its end, with the number of
    // folders it left out (0 for a complete run).
    platform::Status end(int failedFolders);
    // Any other line, for facts a later part of the run adds.
    platform::Status line(std::string_view tag, const std::vector<std::string_view>& fields);

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// How a run folder's run ended: from its incomplete marker and its journal.
// A run without a journal (made before there was one) that has no marker is
// complete.
struct RunVerdict {
    RunOutcome outcome = RunOutcome::Complete;
    int failed = 0; // folders left out, for a failed run
};
RunVerdict ReadRunVerdict(const std::string& runFolder);

// The word `--list` and the windows use for an outcome: "complete",
// "failed N", "stopped" or "incomplete".
std::string OutcomeWord(const RunVerdict& verdict);

// The computer's id: /etc/machine-id, or a random id kept in `stateFolder`
// where there is none. Empty only when neither can be had.
std::string MachineId(const std::string& stateFolder);

// Makes MachineId give `id` from now on (empty: the computer's own again),
// so that tests can play two computers sharing one backup target.
void SetMachineIdForTests(std::string id);
