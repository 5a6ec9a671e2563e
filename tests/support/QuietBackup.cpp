#include "tests/support/QuietBackup.h"

#include "backup/BackupRun.h"
#include "pathutil/PathRoutines.h"
#include "tests/support/TestSupport.h"

namespace testsupport {

std::string folderWithFiles(const std::string& parent, const std::string& name)
{
    const std::string folder = parent + "/" + name + "/";
    makeDirs(folder);
    writeText(folder + "a.txt", "a of " + name);
    writeText(folder + "b.txt", "b of " + name);
    return folder;
}

QuietBackup backUpWithoutWindow(const MainFields& fields, const std::string& appFolder,
    const std::function<void(BackupRun&, const std::string&)>& onLine)
{
    QuietBackup done;
    BackupRun* running = nullptr;
    LogHost host([&](const std::string& line) {
        done.log.push_back(line);
        if (onLine && running)
            onLine(*running, line);
    });
    BackupRun run(host, fields, appFolder);
    running = &run;
    run.run();
    done.summary = run.summary();
    done.runFolder = run.RunFolder.empty() ? std::string() : AddBackslash(run.RunFolder);
    return done;
}

} // namespace testsupport
