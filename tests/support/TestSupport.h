#pragma once

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "store/RunHost.h"

#include <chrono>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder (or under `base`),
// named `prefix` and six random characters, removed with all its contents
// when the object goes unless kept. `path()` has no trailing separator.
class TempDir {
public:
    explicit TempDir(const std::string& base = "", const std::string& prefix = "quorvel-test-");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    // Leaves the folder in place when the object goes.
    void keep() { m_keep = true; }

private:
    std::string m_path;
    bool m_keep = false;
};

// Removes a tree, making unreadable folders readable first.
void removeTree(const std::string& path);

void makeDirs(const std::string& path);
void writeText(const std::string& path, const std::string& bytes);
// A file of random bytes, which the archiver takes seconds to compress.
void writeRandomFile(const std::string& path, int megabytes);
std::string readText(const std::string& path);

// Every path below `root`, at any depth, whose name `wanted` accepts;
// folders that cannot be read are passed over.
std::vector<std::string> pathsBelow(
    const std::string& root, const std::function<bool(const std::string&)>& wanted);

// The names in a folder, hidden ones included, sorted.
std::vector<std::string> allNames(const std::string& folder);

// The names in a backup target that are not hidden: its run folders, without
// the store's own files (its identity, the check record).
std::vector<std::string> runNames(const std::string& backupTarget);

// The names in a backup's run folder, sorted, the run's own record left out:
// the archives and count files, and the marker of a run not complete.
std::vector<std::string> runFolderNames(const std::string& runFolder);

// The permission bits of a path (not following a link), as octal digits' value.
unsigned modeOf(const std::string& path);

// The permission bits that a new file made by this process loses: its umask.
unsigned currentUmask();

// Every message box shown while this object lives is recorded instead of
// shown, and answered from the queue (or with the default answer).
struct ShownBox {
    std::string text;
    std::string title;
    int style;
};
class ScriptedMessageBoxes {
public:
    explicit ScriptedMessageBoxes(platform::MsgAnswer defaultAnswer = platform::MsgAnswer::No);
    ~ScriptedMessageBoxes();
    void queueAnswer(platform::MsgAnswer answer) { m_answers.push_back(answer); }
    // Every box with this title gets this answer, leaving the queue alone.
    void answerAlways(const std::string& title, platform::MsgAnswer answer) { m_always[title] = answer; }
    const std::vector<ShownBox>& shown() const { return m_shown; }
    // The boxes shown, leaving out those with the title.
    std::vector<ShownBox> shownExcept(const std::string& title) const;

private:
    platform::MessageBoxHandler m_previous;
    platform::MsgAnswer m_default;
    std::deque<platform::MsgAnswer> m_answers;
    std::map<std::string, platform::MsgAnswer> m_always;
    std::vector<ShownBox> m_shown;
};

// A clock a test can set and move; installed while the object lives.
class TestClock : public platform::Clock {
public:
    TestClock();
    ~TestClock() override;
    std::tm localNow() const override { return m_local; }
    std::chrono::steady_clock::time_point monotonicNow() const override;
    void setLocal(int year, int month, int day, int hour, int minute, int second);
    // Adds to the monotonic time (the real one keeps running underneath).
    void advance(std::chrono::milliseconds by) { m_offset += by; }

private:
    std::tm m_local{};
    std::chrono::milliseconds m_offset{ 0 };
};

// A local time as the clock gives it: the month counted from 1, whether
// summer time holds left to the system.
std::tm localTime(int year, int month, int day, int hour, int minute, int second);

// The date text of a local time, as a run folder is named after it.
std::string dateText(int year, int month, int day, int hour, int minute, int second);

// Switches LC_ALL to a locale for the object's life; `ok()` is false when the
// locale is not available here.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name);
    ~ScopedLocale();
    bool ok() const { return m_ok; }

private:
    std::string m_previous;
    bool m_ok;
};

// An application folder for one test: a fresh temporary folder holding a
// "7z" link to the real archiver (unless withArchiver is false), removed
// with the object. Runs and windows are handed its path.
class ScopedAppFolder {
public:
    explicit ScopedAppFolder(bool withArchiver = true);
    const std::string& path() const { return m_dir.path(); }

private:
    TempDir m_dir;
};

// A run's host for tests without a window: log lines go to `onLog`, message
// boxes to the message-box handler (see ScriptedMessageBoxes).
class LogHost : public RunHost {
public:
    explicit LogHost(std::function<void(const std::string&)> onLog = {})
        : m_onLog(std::move(onLog))
    {
    }
    void log(const std::string& line) override
    {
        if (m_onLog)
            m_onLog(line);
    }
    platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) override
    {
        return platform::showMessage(text, title, style);
    }

private:
    std::function<void(const std::string&)> m_onLog;
};

// The real 7z archiver's path as found at configure time.
std::string archiverPath();

// Puts a "7z" link to the real archiver into a folder, as the build puts one
// beside the program; throws when it cannot.
void linkArchiver(const std::string& folder);

// Lists the names stored in a 7z archive, running the real archiver.
std::vector<std::string> archiveEntries(const std::string& archive);

// The log without the lines that report on the run as a whole (its errors,
// warnings and closing summary), which tests of their own check. A run's own
// "Error:   " line (a padded prefix) stays.
std::vector<std::string> withoutRunReport(std::vector<std::string> log);

} // namespace testsupport
