#pragma once

#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// How far a run is: folders (a backup's folders, a restore's archives) done
// of the total, and the bytes they hold done of the bytes of all of them. A
// folder counts as done once the run is over with it, however that went.
struct RunProgress {
    std::size_t foldersDone = 0;
    std::size_t foldersTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    // Of the folders not done yet, the bytes their archivers have worked
    // through so far, by the archivers' own word: what moves while a large
    // folder takes long.
    std::uint64_t bytesUnderWay = 0;
};

// What a run needs from whoever shows it: a log for its progress lines and a
// way to put a message box before the user. A window shows both; a run with
// no window at all gives them another form.
class RunHost {
public:
    virtual ~RunHost() = default;

    // Adds a line to the run's log.
    virtual void log(const std::string& line) = 0;

    // Shows a message box and returns the button pressed.
    virtual platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) = 0;

    // How far the run is; called once before the first folder and once after
    // each. A host without a way to show it ignores it.
    virtual void progress(const RunProgress& progress) { (void)progress; }
};

// Keeps a run's progress by folder: the bytes of each folder are noted as
// they become known (a backup's walk, a restore's look at its archives),
// `begin` fixes the folders the run works through, and `done` counts one of
// them with its bytes, whether it was worked on, taken over or failed.
class ProgressCounter {
public:
    // Notes the bytes a folder holds; a folder never noted holds none.
    void setBytes(const std::string& folder, std::uint64_t bytes) { m_bytes[folder] = bytes; }
    // Forgets every folder noted and every count.
    void clear();
    // The run works through `folders` from now on, none of them done yet.
    const RunProgress& begin(const std::vector<std::string>& folders);
    // Counts `folder` done with its bytes; a folder outside the run, or one
    // already counted, changes nothing.
    const RunProgress& done(const std::string& folder);
    // Notes that the archiver of `folder`, not done yet, is `percent` of
    // the way through its bytes.
    void underWay(const std::string& folder, int percent);
    // The same by bytes: the archiver of `folder` has gone through `bytes`
    // (counted up to the folder's own bytes).
    void underWayBytes(const std::string& folder, std::uint64_t bytes);
    const RunProgress& counts() const { return m_counts; }

private:
    std::unordered_map<std::string, std::uint64_t> m_bytes;
    std::unordered_map<std::string, bool> m_pending; // the run's folders: true while not done
    std::unordered_map<std::string, std::uint64_t> m_underWay; // bytes gone through, by folder
    RunProgress m_counts;
};

// The text of an "Error!" box that reports `text`.
std::string ErrorBoxText(const std::string& text);

// The log line that keeps what an "Error!" box reporting `text` said:
// "Error: " and the text on one line.
std::string ErrorLogLine(const std::string& text);

// Shows `text` in an "Error!" box with the error icon, after putting it into
// the log as an ErrorLogLine.
void ShowErrorBox(RunHost& host, const std::string& text);

// A message box as one log line, for a run whose boxes nobody is there to
// see: "Box:     ", the title, then the text's lines joined by " / ", the
// title left out where the text repeats it.
std::string MessageLogLine(const std::string& text, const std::string& title);
