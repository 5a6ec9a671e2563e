#include "app/cli/ConsoleHost.h"

#include "app/cli/CommandLine.h"
#include "platform/MessageBox.h"
#include "platform/StopSignals.h"
#include "platform/TextConversion.h"
#include "store/Run.h"

#include <ostream>

ConsoleHost::ConsoleHost(std::ostream& out, std::string busyText)
    : m_out(out)
    , m_busyText(std::move(busyText))
{
}

void ConsoleHost::log(const std::string& line)
{
    m_out << platform::displayText(line) << std::endl;
}

platform::MsgAnswer ConsoleHost::showMessage(const std::string& text, const std::string& title, int style)
{
    if (!m_busyText.empty() && text == m_busyText)
        m_busy = true;
    else if (style == platform::kMsgCritical)
        ++m_errors;
    log(MessageLogLine(text, title));
    return platform::SafeAnswer(style);
}

int runToEnd(Run& run, const ConsoleHost& host)
{
    const platform::StopSignals stopSignals([&run](int) { run.requestStop(); });
    run.run();
    if (host.busy())
        return kExitCannotStart;
    const RunSummary& summary = run.summary();
    if (host.errors() > 0 || summary.failed > 0 || summary.stopped)
        return kExitFailed;
    return kExitDone;
}
