#pragma once

#include <string>

// The fixed names of the files a batch job uses in the application folder.
// Only one run at a time may use a folder, since the names never change.
inline constexpr char kBatchFile[] = "temp.bat"; // the job's lines
inline constexpr char kStartMarker[] = "wait2.tmp"; // made by the job's first line
inline constexpr char kFinishMarker[] = "wait.tmp"; // made by its last line
inline constexpr char kOutputFile[] = "output.txt"; // the archiver's report on its last job
inline constexpr char kRunLockFile[] = "run.lock"; // held by the run that uses the folder

// A job file's full path in the application folder.
std::string JobFilePath(const std::string& appFolder, const char* name);
