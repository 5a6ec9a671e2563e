#include "app/EndRequests.h"

#include "ui/ProgressWindow.h"

#include <QGuiApplication>
#include <QSessionManager>

EndRequests::EndRequests(QGuiApplication& application)
    : m_signals([](int) { ProgressWindow::stopEveryRunAndQuit(); })
{
    // The session manager asks every program to save its work before the
    // session ends; a run is stopped there, while the program may still
    // write its run folder, rather than killed with the session.
    m_sessionEnd = QObject::connect(&application, &QGuiApplication::commitDataRequest,
        [](QSessionManager&) { ProgressWindow::stopEveryRunAndQuit(); });
}

EndRequests::~EndRequests()
{
    QObject::disconnect(m_sessionEnd);
}
