#pragma once

#include <string>

// The fixed names of the files a batch job uses in the application folder.
// Only one run at a time may use a folder, since the names never change.
// A run that keeps several jobs going gives each job slot names of its own
// (SlotFileName); the first slot has these.
inline constexpr char kBatchFile[] = "temp.bat"; // the job's lines
inline constexpr char kStartMarker[] = "wait2.tmp"; // made by the job's first line
inline constexpr char kFinishMarker[] = "wait.tmp"; // made by its last line
inline constexpr char kOutputFile[] = "output.txt"; // the archiver's report on its last job
inline constexpr char kRunLockFile[] = "run.lock"; // held by the run that uses the folder
inline constexpr char kProgressFile[] = "progress.txt"; // the archiver's progress, in runs of several jobs

// A job file's full path in the application folder.
std::string JobFilePath(const std::string& appFolder, const char* name);

// The name of the job file `name` of job slot `slot`: slot 0's is `name`
// itself, every other slot's has the slot's number before the extension
// ("temp.2.bat"), so that no slot ever reads or removes another's files.
std::string SlotFileName(const char* name, int slot);

// A job slot's file's full path in the application folder.
std::string SlotFilePath(const std::string& appFolder, const char* name, int slot);
