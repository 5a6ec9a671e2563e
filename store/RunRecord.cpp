#include "store/RunRecord.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"

#include <charconv>

namespace {

constexpr char kStarted[] = "started ";
constexpr char kArchiver[] = "archiver ";

// A record is two short lines; anything longer is no record of ours.
constexpr std::size_t kLongestRecord = 4096;

std::string recordPath(const std::string& runFolder)
{
    return AddBackslash(runFolder) + kRunRecord;
}

// The rest of the line that begins with `key` at `at`, moving `at` past it.
std::optional<std::string> valueAfter(const std::string& text, std::size_t& at, const std::string& key)
{
    if (text.compare(at, key.size(), key) != 0)
        return std::nullopt;
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos)
        return std::nullopt;
    std::string value = text.substr(at + key.size(), end - at - key.size());
    at = end + 1;
    return value;
}

} // namespace

platform::Status WriteRunRecord(const std::string& runFolder, const RunRecord& record)
{
    return platform::replaceFileAtomically(recordPath(runFolder),
        kStarted + std::to_string(record.started) + "\n" + kArchiver + record.archiver + "\n");
}

std::optional<RunRecord> ReadRunRecord(const std::string& runFolder)
{
    const std::string path = recordPath(runFolder);
    if (!platform::isRegularFileItself(path))
        return std::nullopt;
    auto text = platform::readFileStart(path, kLongestRecord + 1);
    if (!text || text->size() > kLongestRecord)
        return std::nullopt;
    std::size_t at = 0;
    const auto started = valueAfter(*text, at, kStarted);
    const auto archiver = valueAfter(*text, at, kArchiver);
    if (!started || !archiver || at != text->size())
        return std::nullopt;
    RunRecord record;
    const char* end = started->data() + started->size();
    const auto parsed = std::from_chars(started->data(), end, record.started);
    if (started->empty() || parsed.ec != std::errc() || parsed.ptr != end || record.started <= 0)
        return std::nullopt;
    record.archiver = *archiver;
    return record;
}

std::optional<RecordedRun> LatestRecordedRun(const std::string& backupTarget, const std::string& except)
{
    auto entries = platform::listFolderEntries(backupTarget);
    if (!entries)
        return std::nullopt;
    std::optional<RecordedRun> latest;
    const std::string exceptFolder = except.empty() ? std::string() : AddBackslash(except);
    for (const std::string& name : entries->subfolders) {
        const std::string folder = AddBackslash(backupTarget) + name;
        if (AddBackslash(folder) == exceptFolder)
            continue;
        // A run's journal holds its start; runs made before there was one
        // have the start record alone.
        std::optional<RunRecord> record;
        if (auto journal = ReadRunJournal(folder))
            record = RunRecord{ journal->started, journal->archiver };
        else
            record = ReadRunRecord(folder);
        if (record && (!latest || record->started > latest->record.started))
            latest = RecordedRun{ folder, *record, false };
    }
    if (latest) {
        // A run with failed folders reached its end too; those folders have
        // no archive there to take over.
        const RunOutcome outcome = ReadRunVerdict(latest->folder).outcome;
        latest->complete = outcome == RunOutcome::Complete || outcome == RunOutcome::Failed;
    }
    return latest;
}
