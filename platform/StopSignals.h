#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP into a call from the event loop: the signal
// handler only writes the signal's number into a pipe, and the call runs
// when the event loop (or a run letting events run) next looks at it, where
// it may do whatever the program's own events may do. While the object
// lives the three signals no longer end the program by themselves; when it
// goes, their default actions come back. One at a time in a program.
class StopSignals {
public:
    explicit StopSignals(std::function<void(int signal)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the pipe or the handlers could not be set up; the signals
    // then keep their default actions.
    bool active() const { return m_active; }

private:
    void readSignals();

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
};

} // namespace platform
