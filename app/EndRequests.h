#pragma once

#include "platform/StopSignals.h"

#include <QMetaObject>

class QGuiApplication;

// While it lives, a signal to end (SIGTERM, SIGINT) and the end of the
// desktop session stop the run of every progress window as the user's stop
// does, without asking, and the program ends once those runs have taken
// their closing steps; with no run going it ends at once. Nothing is lost
// that a stop by the user would keep: the run folder stays marked as not
// complete and the log ends with the run's summary.
class EndRequests {
public:
    explicit EndRequests(QGuiApplication& application);
    ~EndRequests();
    EndRequests(const EndRequests&) = delete;
    EndRequests& operator=(const EndRequests&) = delete;

    // False when the signals could not be caught and keep ending the program at once.
    bool catchesSignals() const { return m_signals.active(); }

private:
    platform::StopSignals m_signals;
    QMetaObject::Connection m_sessionEnd;
};
