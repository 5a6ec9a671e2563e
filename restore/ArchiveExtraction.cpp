#include "restore/ArchiveExtraction.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/SymlinkTarget.h"
#include "restore/NameList.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreSteps.h"
#include "store/ArchiveNames.h"
#include "store/Archiver.h"
#include "store/ArchiverReport.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"
#include "store/RunHost.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <set>
#include <thread>

namespace {

const std::string kCrLf = "\r\n";

std::string commandAndFolder(const std::string& archiveName)
{
    return "CommandLine:" + kCrLf + kCrLf + "zzip e \"" + archiveName + "\"" + kCrLf + kCrLf
        + "For Directory: " + archiveName;
}

// The line that names the folder itself below a box's text: an archive name
// is encoded, and a shortened one holds only the start of the path, so the
// name alone does not tell the user which folder it was. A shortened archive
// whose path file could not be read is named by the start of its path; a
// name no backup writes names no folder at all.
std::string folderLine(const ExtractionPlace& place, const std::string& archiveName)
{
    if (!place.displayPath.empty())
        return kCrLf + "Folder: " + AddBackslash(place.displayPath);
    if (IsShortenedName(archiveName))
        return kCrLf + "Folder: " + FolderShownFor(archiveName);
    return {};
}

void refuse(
    RunHost& host, const std::string& archiveName, const ExtractionPlace& place, const std::string& why)
{
    ShowErrorBox(host,
        "Archive not restored..." + kCrLf + why + kCrLf + kCrLf + "For Directory: " + archiveName
            + folderLine(place, archiveName));
}

// Why an archive must not be extracted into its place before anything is
// made there, or empty.
std::string whyNotPlaced(const ExtractionInputs& inputs, const ExtractionPlace& place)
{
    if (!place.refusal.empty())
        return place.refusal;
    if (auto unlisted = NameListProblem(inputs.onlyFiles))
        return *unlisted;
    if (auto linked = LinkedLevelBelow(inputs.restoreTarget, place.restoreFolder))
        return "The folder " + *linked
            + " under the restore target is a link or a file, not a real folder; the files "
              "could land outside the restore target.";
    return {};
}

// Why the restore folder, just made, cannot take the files, or empty.
std::string whyNotWritable(const std::string& restoreFolder)
{
    // Without a folder to write into, the job could not start, or would
    // find no archive; either way the user would be told something else.
    if (!platform::folderExists(restoreFolder))
        return "The folder " + restoreFolder + " could not be made under the restore target.";
    if (!platform::folderWritable(restoreFolder))
        return "The folder " + restoreFolder + " under the restore target cannot be written.";
    return {};
}

// Offers the archiver's report to the user after a failed extraction.
void offerReport(const std::string& outputFile, RunHost& host, RestoreChoices& choices)
{
    if (host.showMessage(
            "Do you want to read the file with output from 7z?", "Read file?", platform::kMsgQuestion)
        == platform::MsgAnswer::Yes) {
        choices.openTextFile(outputFile);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

// What one finished extraction left: the archiver's verdict, the stored
// count and the number of files the archiver says it extracted.
struct ExtractionCheck {
    ArchiverVerdict verdict;
    CountFileRead expected;
    std::int32_t extracted = 0;
};

// Compares the files extracted with the stored count, and takes the
// archiver's own word: a folder it did not extract whole is reported even
// when the numbers agree, since files left by an earlier restore would make
// them agree. Returns false when a box was shown.
bool checkExtraction(const std::string& archiveName, const ExtractionPlace& place,
    const ExtractionCheck& check, const std::string& outputFile, RunHost& host, RestoreChoices& choices)
{
    if (!check.expected.count) {
        // Without the stored count there is nothing to compare with; reading
        // it as 0 would report a sound restore as broken, or hide a failed one.
        std::string text = "Number of files not checked..." + kCrLf + check.expected.problem + kCrLf + kCrLf
            + "For Directory: " + archiveName + kCrLf
            + "Extracted number of files: " + std::to_string(check.extracted);
        if (!check.verdict.complete)
            text += kCrLf + "7z: " + check.verdict.reason;
        ShowErrorBox(host, text + folderLine(place, archiveName));
        return false;
    }
    if (*check.expected.count == check.extracted && check.verdict.complete)
        return true;
    std::string text = "ZZip not completed well..." + kCrLf + commandAndFolder(archiveName) + kCrLf
        + "Expected number of files: " + std::to_string(*check.expected.count) + kCrLf
        + "Extracted number of files: " + std::to_string(check.extracted);
    if (!check.verdict.complete)
        text += kCrLf + kCrLf + "Folder " + place.restoreFolder + " not extracted completely." + kCrLf
            + "7z: " + check.verdict.reason;
    ShowErrorBox(host, text + folderLine(place, archiveName));
    offerReport(outputFile, host, choices);
    return false;
}

// A name as the archiver prints it in its list of files extracted: control
// characters become '_'.
std::string asListed(const std::string& name)
{
    std::string out = name;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return out;
}

// 7-Zip brings an absolute link back pointing below the folder it extracts
// into: the target it stored, with the folder put in front. The link is set
// back to the target it had when it was stored. Only links the archiver
// says it extracted are looked at, hidden ones as much as the others: a link
// the archive does not hold is the user's own and stays as it is.
void restoreAbsoluteLinks(const std::string& restoreFolder, const ArchiverVerdict& verdict)
{
    auto links = platform::listLinks(restoreFolder);
    if (!links || links->empty())
        return;
    const std::set<std::string> extracted(verdict.filesListed.begin(), verdict.filesListed.end());
    // The archiver names the folder as the system does, one '/' between levels.
    std::string folder;
    for (char c : restoreFolder) {
        if (c != '/' || folder.empty() || folder.back() != '/')
            folder += c;
    }
    const std::size_t prefix = folder.size() - 1;
    for (const std::string& name : *links) {
        if (!extracted.contains(asListed(name)))
            continue;
        const std::string link = restoreFolder + name;
        auto target = platform::symlinkTarget(link);
        if (!target || !target->starts_with(folder))
            continue;
        (void)platform::deleteFile(link);
        (void)platform::createSymlink(target->substr(prefix), link);
    }
}

// The files that were in the folder before the extraction and that the
// archiver did not extract: the user's own, which the restore neither
// counts nor touches. The archiver lists every file it extracts, so the
// folder is listed once, before the job, and nothing is looked at after.
std::set<std::string> untouchedFiles(const std::vector<std::string>& before, const ArchiverVerdict& verdict)
{
    std::set<std::string> untouched;
    if (before.empty())
        return untouched;
    const std::set<std::string> listed(verdict.filesListed.begin(), verdict.filesListed.end());
    for (const std::string& name : before) {
        if (!listed.contains(asListed(name)))
            untouched.insert(name);
    }
    return untouched;
}

// The number of files the archiver says it extracted, counted as the count
// file counts them: without hidden ones. It lists them by name; an archiver
// that gave a total without its list is taken at its total.
std::int32_t extractedByArchiver(const ArchiverVerdict& verdict)
{
    const auto listed = static_cast<std::int32_t>(verdict.filesListed.size());
    if (verdict.filesReported && *verdict.filesReported != listed)
        return *verdict.filesReported;
    std::int32_t visible = 0;
    for (const std::string& name : verdict.filesListed)
        visible += name.starts_with('.') ? 0 : 1;
    return visible;
}

// The check of single files asked of an archive: the archiver listed each
// as extracted. Returns false when a box was shown.
bool checkFiles(const ExtractionJob& job, const ArchiverVerdict& verdict, const std::string& outputFile,
    RunHost& host, RestoreChoices& choices)
{
    const std::string& archiveName = job.archiveName;
    const ExtractionPlace& place = job.place;
    const std::vector<std::string> missing = NamesNotExtracted(job.onlyFiles, verdict);
    if (missing.empty() && verdict.complete)
        return true;
    if (!missing.empty() && verdict.exitStatus == 0) {
        std::string text = "Files not restored..." + kCrLf + "The backup of " + job.selectedDate
            + " holds no such file in " + place.displayPath + ":";
        for (const std::string& name : missing)
            text += kCrLf + name;
        ShowErrorBox(host, text + kCrLf + kCrLf + "For Directory: " + archiveName);
        return false;
    }
    ShowErrorBox(host,
        "ZZip not completed well..." + kCrLf + commandAndFolder(archiveName) + kCrLf
            + "Files asked: " + std::to_string(job.onlyFiles.size()) + kCrLf
            + "Files extracted: " + std::to_string(job.onlyFiles.size() - missing.size()) + kCrLf
            + "7z: " + verdict.reason + folderLine(place, archiveName));
    offerReport(outputFile, host, choices);
    return false;
}

} // namespace

ExtractionResult ExtractArchiveInto(const std::string& archiveName, const ExtractionInputs& inputs,
    RunHost& host, RestoreChoices& choices, std::vector<std::string>* warnings,
    const std::function<void()>& whileWaiting)
{
    const std::optional<ExtractionJob> job = BeginExtraction(archiveName, inputs, host);
    if (!job)
        return ExtractionResult::Failed;
    // The list of the single files asked, if any, is there for as long as
    // the job runs.
    const ScopedNameList nameList(inputs.appFolder, inputs.onlyFiles);
    const JobOutcome outcome = RunBatchJob(inputs.appFolder,
        BatchJob{ job->place.restoreFolder,
            ExtractCommandLine(inputs.appFolder, job->storedArchive, nameList.path()), true },
        0, whileWaiting);
    return FinishExtraction(
        *job, outcome, JobFilePath(inputs.appFolder, kOutputFile), host, choices, warnings);
}

std::optional<ExtractionJob> BeginExtraction(
    const std::string& archiveName, const ExtractionInputs& inputs, RunHost& host)
{
    const std::string runFolder = AddBackslash(RunFolderPath(inputs.backupTarget, inputs.selectedDate));
    const ExtractionPlace place = PlanExtraction(inputs.restoreTarget, archiveName, runFolder);
    if (const std::string why = whyNotPlaced(inputs, place); !why.empty()) {
        refuse(host, archiveName, place, why);
        return std::nullopt;
    }

    host.log("Start:   Decompress " + place.displayPath);
    MakeFolders(place.restoreFolder);
    if (const std::string why = whyNotWritable(place.restoreFolder); !why.empty()) {
        refuse(host, archiveName, place, why);
        return std::nullopt;
    }

    // The archive is read where it is stored. A copy beside the restored
    // files, removed after the extraction, would take the name of a file of
    // the user's that is named like the archive, and remove it with itself.
    // The job runner clears the slot's old markers and report.
    const auto listedBefore = platform::listFolder(place.restoreFolder, false);
    return ExtractionJob{ archiveName, place, runFolder + archiveName,
        listedBefore ? *listedBefore : std::vector<std::string>(), inputs.onlyFiles, inputs.selectedDate };
}

ExtractionResult FinishExtraction(const ExtractionJob& job, JobOutcome outcome, const std::string& outputFile,
    RunHost& host, RestoreChoices& choices, std::vector<std::string>* warnings)
{
    const std::string& archiveName = job.archiveName;
    const ExtractionPlace& place = job.place;
    if (outcome == JobOutcome::NotStarted) {
        ShowErrorBox(host,
            "Bat-File not executed..." + kCrLf + commandAndFolder(archiveName)
                + folderLine(place, archiveName));
        return ExtractionResult::Failed;
    }

    ExtractionCheck check;
    check.expected = ReadCountFile(CountFileName(job.storedArchive));
    const auto report = platform::readFile(outputFile);
    check.verdict = JudgeArchiverReport(report ? *report : std::string());
    // Files already in the folder must not stand in for files the archiver
    // did not extract, nor fail a folder it extracted whole: the number is
    // always the archiver's own.
    const std::set<std::string> untouched = untouchedFiles(job.listedBefore, check.verdict);
    restoreAbsoluteLinks(place.restoreFolder, check.verdict);
    check.extracted = extractedByArchiver(check.verdict);
    if (!untouched.empty() && warnings && check.verdict.complete && job.onlyFiles.empty()) {
        std::string names;
        for (const std::string& name : untouched)
            names += (names.empty() ? "" : ", ") + name;
        warnings->push_back("Files already in " + place.restoreFolder
            + " that the archive does not hold, left as they were: " + names);
    }
    const bool restored = job.onlyFiles.empty()
        ? checkExtraction(archiveName, place, check, outputFile, host, choices)
        : checkFiles(job, check.verdict, outputFile, host, choices);

    host.log("End:     Decompress " + place.displayPath);
    return restored ? ExtractionResult::Restored : ExtractionResult::Failed;
}
