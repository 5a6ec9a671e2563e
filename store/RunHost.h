#pragma once

#include "platform/MessageBox.h"

#include <cstddef>
#include <string>

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

    // How far the run is: `done` of its `total` folders are over. A host
    // without a way to show it ignores it.
    virtual void progress(std::size_t done, std::size_t total)
    {
        (void)done;
        (void)total;
    }
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
