#include "restore/ArchiveExtraction.h"

#include "pathutil/Module1.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "restore/RestoreSteps.h"
#include "restore/TextViewer.h"
#include "store/Archiver.h"
#include "store/JobRunner.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <thread>

namespace {

const std::string kCrLf = "\r\n";

void showError(const std::string& text)
{
    platform::showMessage("Error!" + kCrLf + kCrLf + text, "Error!", platform::kMsgCritical);
}

std::string commandAndFolder(const std::string& archiveName)
{
    return "CommandLine:" + kCrLf + kCrLf + "zzip e \"" + archiveName + "\"" + kCrLf + kCrLf +
           "For Directory: " + archiveName;
}

void refuse(const std::string& archiveName, const std::string& why)
{
    showError("Archive not restored..." + kCrLf + why + kCrLf + kCrLf + "For Directory: " + archiveName);
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

} // namespace

void ExtractArchiveInto(const std::string& archiveName, const ExtractionInputs& inputs, const AddLogFunction& addLog)
{
    const ExtractionPlace place = PlanExtraction(inputs.restoreTarget, archiveName);
    if (!place.refusal.empty()) {
        refuse(archiveName, place.refusal);
        return;
    }
    if (auto linked = LinkedLevelBelow(inputs.restoreTarget, place.restoreFolder)) {
        refuse(archiveName, "The folder " + *linked +
                                " under the restore target is a link or a file, not a real folder; the files "
                                "could land outside the restore target.");
        return;
    }

    addLog("Start:   Decompress " + place.displayPath);
    MakeFolders(place.restoreFolder);
    // Without a folder to write into, the job could not start, or would
    // find no archive; either way the user would be told something else.
    if (!platform::folderExists(place.restoreFolder)) {
        refuse(archiveName, "The folder " + place.restoreFolder + " could not be made under the restore target.");
        return;
    }
    if (!platform::folderWritable(place.restoreFolder)) {
        refuse(archiveName, "The folder " + place.restoreFolder + " under the restore target cannot be written.");
        return;
    }

    const std::string a = AddBackslash(inputs.appFolder);
    // The old markers go now; the job runner writes temp.bat over with the
    // job's own and removes the old output.txt.
    for (const char* jobFile : {"wait.tmp", "wait2.tmp"})
        (void)platform::deleteFile(a + jobFile);

    const std::string runFolder = RunFolderOf(inputs.backupTarget, inputs.selectedDate);
    const std::string localArchive = place.restoreFolder + archiveName;
    const std::string localCount = CountFileName(localArchive);
    copyOutOfStore(runFolder + archiveName, localArchive);
    copyOutOfStore(CountFileName(runFolder + archiveName), localCount);

    const JobOutcome outcome = RunBatchJob(
        inputs.appFolder, BatchJob{place.restoreFolder, ExtractCommandLine(inputs.appFolder, archiveName), true});
    if (outcome == JobOutcome::NotStarted) {
        showError("Bat-File not executed..." + kCrLf + commandAndFolder(archiveName));
        return;
    }

    const CountFileRead expected = ReadCountFile(localCount);
    (void)platform::deleteFile(localArchive);
    (void)platform::deleteFile(localCount);
    const std::int32_t extracted = CountOrdinaryFiles(place.restoreFolder);

    if (!expected.count) {
        // Without the stored count there is nothing to compare with; reading
        // it as 0 would report a sound restore as broken, or hide a failed one.
        showError("Number of files not checked..." + kCrLf + expected.problem + kCrLf + kCrLf +
                  "For Directory: " + archiveName + kCrLf + "Extracted number of files: " +
                  std::to_string(extracted));
    } else if (*expected.count != extracted) {
        showError("ZZip not completed well..." + kCrLf + commandAndFolder(archiveName) + kCrLf +
                  "Expected number of files: " + std::to_string(*expected.count) + kCrLf +
                  "Extracted number of files: " + std::to_string(extracted));
        if (platform::showMessage("Do you want to read the file with output from 7z?", "Read file?",
                                  platform::kMsgQuestion) == platform::MsgAnswer::Yes) {
            openTextFile(a + "output.txt");
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }

    addLog("End:     Decompress " + place.displayPath);
}
