#pragma once

#include <string>
#include <vector>

// The two archiver command lines, written into batch jobs. Every name written
// between double quotes has '$', '`', '\' and '"' escaped, so no folder or
// archive name can run a command; plain names stay byte for byte.

// The archiver's switches that decide what goes into an archive and how:
// its format and method, and which entries of the folder it takes. The
// compression line is built from exactly these, and a backup compares them
// to tell whether an earlier run's archives are what it would make itself.
// Redirections, job details, paths, thread counts and the wrapper that
// ends the archiver with its job are not among them. Thread counts in
// particular stay out: a run of several jobs gives each archiver its share
// of the processors, and the number of threads may change an archive's
// bytes but never the files it holds, so an archive made with any number
// of them is one a repeat backup may take over.
const std::vector<std::string>& CompressionContentSwitches();

// Where the job of one slot of a run of several jobs writes, and how many
// threads its archiver may use: each slot has a report file of its own and
// a file for the archiver's progress, which is kept out of the report
// (it is written with backspaces and no line end).
struct SlotLine {
    std::string outputFile; // full path
    std::string progressFile; // full path
    int threads = 0; // 0: the archiver's own choice
};

// Compresses the files directly in the working folder into the archive at
// `archivePath`, a full path (in the run folder), never one in the working
// folder; console output and error messages to "output.txt" in the
// application folder, followed by the archiver's exit status line. With a
// `leaveOutList` (a file of LeaveOutListText), the names in it stay out of
// the archive, taken as they are, wildcards and all.
std::string CompressCommandLine(
    const std::string& appFolder, const std::string& archivePath, const std::string& leaveOutList = {});
// The same for a job in a slot of a run of several jobs.
std::string CompressCommandLine(const std::string& appFolder, const std::string& archivePath,
    const SlotLine& slot, const std::string& leaveOutList = {});

// Extracts "<archiveName>" into the working folder, console output and error
// messages to "output.txt" in the application folder. With `nameList`, only
// the files the list file names, their names taken as they are, not as
// wildcards.
std::string ExtractCommandLine(
    const std::string& appFolder, const std::string& archiveName, const std::string& nameList = {});
// The same for a job in a slot of a run of several jobs.
std::string ExtractCommandLine(const std::string& appFolder, const std::string& archiveName,
    const SlotLine& slot, const std::string& nameList = {});

// True when the file is a whole 7z archive as the archiver leaves it when it
// has finished: the signature, a start header whose checksum holds, and a
// length that reaches exactly to the end of the header it points at. An
// archiver that was killed while writing leaves the start header unwritten
// (zeros) or the file short, so its archive fails this. Reads 32 bytes only.
bool IsCompleteArchive(const std::string& path);

// Lists the entries of the archive at `archivePath` (a full path) in the
// archiver's technical form, one "Path = " line per entry, into "output.txt"
// in the application folder.
std::string ListCommandLine(const std::string& appFolder, const std::string& archivePath);
// The same, the list going into `outputFile` (a full path).
std::string ListCommandLine(
    const std::string& appFolder, const std::string& archivePath, const std::string& outputFile);

// Tests the archive at `archivePath` (a full path) with the archiver's own
// test command, which reads every file in it and checks its CRC; the report
// and the exit status line go to "output.txt" in the application folder.
std::string TestCommandLine(const std::string& appFolder, const std::string& archivePath);
