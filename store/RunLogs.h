#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The logs of the last backups, kept in the state folder so that the main
// window can show how the last one went even when it ran with the window
// closed (the daily timer), or could not start at all. One file a backup,
// named after the moment it began (UTC), so that the names sort as the
// backups began; its first line names the backup target, the rest are the
// run's log lines as the run wrote them. Only the newest kKeptRunLogs stay.

inline constexpr std::size_t kKeptRunLogs = 30;

// The folder of the kept logs in the state folder.
std::string RunLogFolder(const std::string& stateFolder);

struct KeptRunLog {
    std::string name; // the file's name in RunLogFolder
    std::string path;
    std::int64_t began = 0; // nanoseconds since 1970 (UTC)
    std::string target; // the backup target its first line names
};

// The kept logs, newest first; files of other names are left out.
std::vector<KeptRunLog> KeptRunLogs(const std::string& stateFolder);

// The name of the newest kept log, or empty: one listing of the folder, so
// that a window may look for a new backup every second.
std::string NewestRunLogName(const std::string& stateFolder);

// The file name of a log that began at `began`.
std::string RunLogName(std::int64_t began);

// The log one backup keeps: made when the run begins, each line added to
// it at once, so that the log of a run that is killed holds every line up
// to the kill. Making it removes the oldest logs beyond kKeptRunLogs.
class RunLogWriter {
public:
    RunLogWriter(const std::string& stateFolder, const std::string& target, std::int64_t began);

    // False when the file could not be made; lines are then dropped.
    bool kept() const { return !m_path.empty(); }
    const std::string& name() const { return m_name; }
    const std::string& path() const { return m_path; }

    void line(const std::string& text);

private:
    std::string m_name;
    std::string m_path;
};
