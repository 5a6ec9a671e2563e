#pragma once

#include <functional>
#include <string>

// What one extraction reads from the restore window at the moment of the call.
struct ExtractionInputs {
    std::string appFolder;     // holds the job files and the archiver
    std::string backupTarget;  // the backup store (txtTo)
    std::string restoreTarget; // where the folders are recreated (txtUnBackupTo)
    std::string selectedDate;  // the chosen run's date text
};

using AddLogFunction = std::function<void(const std::string& line)>;

// Restores one archive of the chosen run: recreates its folder under the
// restore target, copies the archive and its count file there, extracts it
// with the archiver as a batch job, removes the two copies and compares the
// number of files in the folder with the stored count. Problems with this
// archive are shown in message boxes and the call returns normally; an error
// it does not handle (a batch file that cannot be written) is thrown as
// RunError.
void ExtractArchiveInto(const std::string& archiveName, const ExtractionInputs& inputs, const AddLogFunction& addLog);
