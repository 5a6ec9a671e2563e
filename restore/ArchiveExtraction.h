#pragma once

#include "restore/RestoreSteps.h"
#include "store/JobRunner.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class RestoreChoices;
class RunHost;

// What one extraction reads from the restore window at the moment of the call.
struct ExtractionInputs {
    std::string appFolder; // holds the job files and the archiver
    std::string backupTarget; // the backup store (txtTo)
    std::string restoreTarget; // where the folders are recreated (txtUnBackupTo)
    std::string selectedDate; // the chosen run's date text
    std::vector<std::string> onlyFiles{}; // when any: only these files of the archive
};

// Restores one archive of the chosen run: recreates its folder under the
// restore target, copies the archive and its count file there, extracts it
// with the archiver as a batch job, removes the two copies and compares the
// number of files in the folder with the stored count. Progress goes to the
// host's log; problems with this archive are shown in message boxes and the
// call returns Failed; an error it does not handle (a batch file that cannot
// be written) is thrown as RunError. The number compared is the one the
// archiver reports it extracted, and its report counts as much as the
// number: a folder it did not extract whole fails. Files that were in the
// folder before and that the archive does not hold are named in one text
// added to `warnings`, when given. With `onlyFiles`, the archiver is asked
// for those files alone, and the check is that it extracted each of them.
// `whileWaiting`, when given, is called about four times a second while the
// archiver runs.
enum class ExtractionResult { Restored, Failed };
ExtractionResult ExtractArchiveInto(const std::string& archiveName, const ExtractionInputs& inputs,
    RunHost& host, RestoreChoices& choices, std::vector<std::string>* warnings = nullptr,
    const std::function<void()>& whileWaiting = {});

// An extraction whose archiver job is under way, as BeginExtraction left it.
struct ExtractionJob {
    std::string archiveName;
    ExtractionPlace place;
    std::string storedArchive; // full path in the run folder
    std::vector<std::string> listedBefore; // the restore folder's files before the job
    std::vector<std::string> onlyFiles; // when any: only these files of the archive
    std::string selectedDate; // the run's date, as the user chose it
};

// The steps of ExtractArchiveInto before its job: places the archive,
// makes its restore folder and logs its start. Empty when the archive is
// not extracted (its box was shown).
std::optional<ExtractionJob> BeginExtraction(
    const std::string& archiveName, const ExtractionInputs& inputs, RunHost& host);

// The steps of ExtractArchiveInto after its job ended with `outcome`, the
// archiver's report being in `outputFile`.
ExtractionResult FinishExtraction(const ExtractionJob& job, JobOutcome outcome, const std::string& outputFile,
    RunHost& host, RestoreChoices& choices, std::vector<std::string>* warnings = nullptr);
