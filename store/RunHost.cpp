#include "store/RunHost.h"

#include <algorithm>

std::string ErrorBoxText(const std::string& text)
{
    return "Error!\r\n\r\n" + text;
}

std::string ErrorLogLine(const std::string& text)
{
    // One log line per box: its lines joined by blanks, so that nothing a
    // box said is lost once it is closed.
    std::string line = "Error: ";
    bool blank = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && line.back() != ' ')
            line += ' ';
        blank = false;
        line += c;
    }
    return line;
}

void ShowErrorBox(RunHost& host, const std::string& text)
{
    host.log(ErrorLogLine(text));
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

void ProgressCounter::clear()
{
    m_bytes.clear();
    m_pending.clear();
    m_underWay.clear();
    m_counts = {};
}

const RunProgress& ProgressCounter::begin(const std::vector<std::string>& folders)
{
    m_pending.clear();
    m_underWay.clear();
    m_counts = {};
    for (const std::string& folder : folders) {
        if (!m_pending.emplace(folder, true).second)
            continue;
        ++m_counts.foldersTotal;
        if (const auto bytes = m_bytes.find(folder); bytes != m_bytes.end())
            m_counts.bytesTotal += bytes->second;
    }
    return m_counts;
}

const RunProgress& ProgressCounter::done(const std::string& folder)
{
    const auto pending = m_pending.find(folder);
    if (pending == m_pending.end() || !pending->second)
        return m_counts;
    pending->second = false;
    if (const auto under = m_underWay.find(folder); under != m_underWay.end()) {
        m_counts.bytesUnderWay -= under->second;
        m_underWay.erase(under);
    }
    ++m_counts.foldersDone;
    if (const auto bytes = m_bytes.find(folder); bytes != m_bytes.end())
        m_counts.bytesDone += bytes->second;
    return m_counts;
}

void ProgressCounter::underWay(const std::string& folder, int percent)
{
    if (const auto bytes = m_bytes.find(folder); bytes != m_bytes.end())
        underWayBytes(folder, bytes->second / 100 * static_cast<std::uint64_t>(std::clamp(percent, 0, 100)));
}

void ProgressCounter::underWayBytes(const std::string& folder, std::uint64_t bytesThrough)
{
    const auto pending = m_pending.find(folder);
    const auto bytes = m_bytes.find(folder);
    if (pending == m_pending.end() || !pending->second || bytes == m_bytes.end())
        return;
    const std::uint64_t now = std::min(bytesThrough, bytes->second);
    std::uint64_t& noted = m_underWay[folder];
    // An archiver's word never takes back what it said before.
    if (now <= noted)
        return;
    m_counts.bytesUnderWay += now - noted;
    noted = now;
}
