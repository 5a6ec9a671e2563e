#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

// SIGHUP comes when the terminal a run was started from is closed: the run
// stops as it does for SIGTERM, rather than die with its archive half made.
const int kStopSignals[] = { SIGTERM, SIGINT, SIGHUP };

// The pipe's ends; the handler may touch nothing else.
int g_pipe[2] = { -1, -1 };

void onStopSignal(int signal)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a signal to act on; one more adds nothing.
    (void)!::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void setHandler(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on, so that no read or write of the run
    // fails because a signal came in between.
    action.sa_flags = SA_RESTART;
    (void)::sigaction(signal, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal))
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readSignals(); });
    for (int signal : kStopSignals)
        setHandler(signal, onStopSignal);
    m_active = true;
}

StopSignals::~StopSignals()
{
    if (!m_active)
        return;
    for (int signal : kStopSignals)
        setHandler(signal, SIG_DFL);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::readSignals()
{
    unsigned char received[16];
    ssize_t n = 0;
    while ((n = ::read(g_pipe[0], received, sizeof received)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            m_onSignal(received[i]);
    }
}

} // namespace platform
