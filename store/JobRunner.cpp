#include "store/JobRunner.h"

#include "store/JobFiles.h"
#include "store/JobSlots.h"
#include "store/RunHost.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"

JobOutcome RunBatchJob(
    const std::string& appFolder, const BatchJob& job, int slot, const std::function<void()>& whileWaiting)
{
    // One job is a run of one slot, by default the one with the fixed file names.
    JobSlots jobSlots(appFolder, 1, slot);
    jobSlots.start(0, job);
    return jobSlots.waitForOne(whileWaiting).outcome;
}

void DeleteBatchFile(const std::string& appFolder)
{
    if (appFolder.empty())
        return; // never "/temp.bat"
    (void)platform::deleteFile(JobFilePath(appFolder, kBatchFile));
}

std::string RunLockFile(const std::string& appFolder)
{
    return appFolder.empty() ? std::string() : JobFilePath(appFolder, kRunLockFile);
}

std::string JobFilePath(const std::string& appFolder, const char* name)
{
    return AddBackslash(appFolder) + name;
}

std::string SlotFileName(const char* name, int slot)
{
    std::string file = name;
    if (slot == 0)
        return file;
    const std::size_t dot = file.rfind('.');
    return file.substr(0, dot) + "." + std::to_string(slot) + file.substr(dot);
}

std::string SlotFilePath(const std::string& appFolder, const char* name, int slot)
{
    return AddBackslash(appFolder) + SlotFileName(name, slot);
}

std::string AnotherRunText(const std::string& appFolder)
{
    return ErrorBoxText("Another backup or restore is running with the program's folder " + appFolder
        + "\r\n\r\nWait until it has finished, then start again.");
}
