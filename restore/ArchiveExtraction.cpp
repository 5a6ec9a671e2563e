#include "restore/ArchiveExtraction.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreSteps.h"
#include "store/Archiver.h"
#include "store/FileCount.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"
#include "store/RunHost.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <thread>

namespace {

const std::string kCrLf = "\r\n";

std::string commandAndFolder(const std::string& archiveName)
{
    return "CommandLine:" + kCrLf + kCrLf + "zzip e \"" + archiveName + "\"" + kCrLf + kCrLf
        + "For Directory: " + archiveName;
}

void refuse(RunHost& host, const std::string& archiveName, const std::string& why)
{
    ShowErrorBox(
        host, "Archive not restored..." + kCrLf + why + kCrLf + kCrLf + "For Directory: " + archiveName);
}

// Copies one file of the store beside the restored files, ignoring every
// failure: a missing copy shows up in the job or in the count check. What
// lies at the destination is removed first rather than written into, since
// it may be a link that an earlier archive restored there.
void copyOutOfStore(const std::string& stored, const std::string& local)
{
    (void)platform::deleteFile(local);
    if (platform::isPlainFile(stored))
        (void)platform::copyFile(stored, local);
}

// Why an archive must not be extracted into its place before anything is
// made there, or empty.
std::string whyNotPlaced(const ExtractionInputs& inputs, const ExtractionPlace& place)
{
    if (!place.refusal.empty())
        return place.refusal;
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

// Compares the files extracted with the stored count and tells the user of
// any difference, offering the archiver's report.
void checkCount(const std::string& archiveName, const CountFileRead& expected, std::int32_t extracted,
    const std::string& outputFile, RunHost& host, RestoreChoices& choices)
{
    if (!expected.count) {
        // Without the stored count there is nothing to compare with; reading
        // it as 0 would report a sound restore as broken, or hide a failed one.
        ShowErrorBox(host,
            "Number of files not checked..." + kCrLf + expected.problem + kCrLf + kCrLf + "For Directory: "
                + archiveName + kCrLf + "Extracted number of files: " + std::to_string(extracted));
        return;
    }
    if (*expected.count == extracted)
        return;
    ShowErrorBox(host,
        "ZZip not completed well..." + kCrLf + commandAndFolder(archiveName) + kCrLf
            + "Expected number of files: " + std::to_string(*expected.count) + kCrLf
            + "Extracted number of files: " + std::to_string(extracted));
    if (host.showMessage(
            "Do you want to read the file with output from 7z?", "Read file?", platform::kMsgQuestion)
        == platform::MsgAnswer::Yes) {
        choices.openTextFile(outputFile);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

} // namespace

void ExtractArchiveInto(
    const std::string& archiveName, const ExtractionInputs& inputs, RunHost& host, RestoreChoices& choices)
{
    const ExtractionPlace place = PlanExtraction(inputs.restoreTarget, archiveName);
    if (const std::string why = whyNotPlaced(inputs, place); !why.empty()) {
        refuse(host, archiveName, why);
        return;
    }

    host.log("Start:   Decompress " + place.displayPath);
    MakeFolders(place.restoreFolder);
    if (const std::string why = whyNotWritable(place.restoreFolder); !why.empty()) {
        refuse(host, archiveName, why);
        return;
    }

    // The old markers go now; the job runner writes temp.bat over with the
    // job's own and removes the old output.txt.
    for (const char* jobFile : { kFinishMarker, kStartMarker })
        (void)platform::deleteFile(JobFilePath(inputs.appFolder, jobFile));

    const std::string runFolder = AddBackslash(RunFolderPath(inputs.backupTarget, inputs.selectedDate));
    const std::string localArchive = place.restoreFolder + archiveName;
    const std::string localCount = CountFileName(localArchive);
    copyOutOfStore(runFolder + archiveName, localArchive);
    copyOutOfStore(CountFileName(runFolder + archiveName), localCount);

    const JobOutcome outcome = RunBatchJob(inputs.appFolder,
        BatchJob{ place.restoreFolder, ExtractCommandLine(inputs.appFolder, archiveName), true });
    if (outcome == JobOutcome::NotStarted) {
        ShowErrorBox(host, "Bat-File not executed..." + kCrLf + commandAndFolder(archiveName));
        return;
    }

    const CountFileRead expected = ReadCountFile(localCount);
    (void)platform::deleteFile(localArchive);
    (void)platform::deleteFile(localCount);
    const std::int32_t extracted = CountFolderFiles(place.restoreFolder);
    checkCount(archiveName, expected, extracted, JobFilePath(inputs.appFolder, kOutputFile), host, choices);

    host.log("End:     Decompress " + place.displayPath);
}
