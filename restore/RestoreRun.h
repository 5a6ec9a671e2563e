#pragma once

#include "store/Run.h"

#include "restore/RestorePart.h"
#include "store/JobRunner.h"
#include "store/RunJournal.h"

#include <optional>
#include <string>
#include <vector>

class MainFields;
class RestoreChoices;
struct LostFolder;
enum class ExtractionResult;
struct ExtractionJob;

// One restore run, without any window: finds the backup dates, lets the user
// choose one, finds that run's archives and extracts them under the restore
// target, up to the run's number of jobs at once, logging each phase.
class RestoreRun : public Run {
public:
    RestoreRun(RunHost& host, RestoreChoices& choices, const MainFields& main, std::string appFolder);

    void FindDates();
    void FindArchives();
    void ExtractArchive(const std::string& archiveName);

    std::vector<std::string> ArchiveList;
    std::string SelectedDate;
    std::vector<std::string> DateList;

protected:
    void steps() override;
    std::string busyLogLine() const override;
    std::string stoppedLogLine(const std::exception& error) const override;
    std::string stoppedBoxText(const std::exception& error) const override;
    std::string doneWord() const override { return "restored"; }

private:
    void copyFoldersAndUncompress();
    void extractAll();
    void extractOneByOne();
    // Counts an extraction done or failed, with its warnings.
    void tallyExtraction(const std::string& archiveName, ExtractionResult result,
        const std::vector<std::string>& warnings, bool singleFiles);
    void finishArchive(const ExtractionJob& job, JobOutcome outcome, const std::string& outputFile);
    void noteArchiveSizes();
    void warnOfSpecials(const std::string& archiveName);
    // What the run holds that was not brought back: folders whose archives
    // cannot be read, those an incomplete run lacks, those the backup left out.
    void reportWhatIsNotThere();
    void reportFolders(const std::vector<std::string>& lines, const std::vector<std::string>& paths,
        const std::string& boxText);
    void reportLostFolders(const std::vector<LostFolder>& lost);
    void reportFailedFolders(const std::string& runFolder);
    void reportIncompleteRun(const std::vector<std::string>& missing);

    RestoreChoices& m_choices;
    const MainFields& m_main;
    ProgressCounter m_progress; // archive sizes, archives and bytes done
    std::optional<RunJournal> m_journal; // the chosen run's, when it has one
    RestorePart m_part; // what of the run the user asked for
    std::vector<std::string> m_runArchives; // every archive of the run, asked for or not
};
