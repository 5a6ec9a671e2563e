#include "store/RunHost.h"

std::string ErrorBoxText(const std::string& text)
{
    return "Error!\r\n\r\n" + text;
}

void ShowErrorBox(RunHost& host, const std::string& text)
{
    host.showMessage(ErrorBoxText(text), "Error!", platform::kMsgCritical);
}

std::string MessageLogLine(const std::string& text, const std::string& title)
{
    std::string joined;
    std::string line;
    auto flush = [&] {
        if (!line.empty() && !(joined.empty() && line == title))
            joined += (joined.empty() ? "" : " / ") + line;
        line.clear();
    };
    for (char c : text) {
        if (c == '\r' || c == '\n')
            flush();
        else
            line += c;
    }
    flush();
    return "Box:     " + title + " " + joined;
}
