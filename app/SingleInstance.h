#pragma once

#include "platform/RunLock.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>

class QLocalServer;
class QWidget;

// One copy of the program per user: two copies would each save their own
// list of sources over the other's. The first copy holds a per-user lock for
// its whole life and listens on a local socket in the user's private state
// folder; a later copy finds the lock taken, asks the first one to bring its
// window to the front, and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `socketPath` and `lockFile` empty mean the program's own, per user.
    explicit SingleInstance(const std::string& socketPath = {}, const std::string& lockFile = {});
    ~SingleInstance() override;

    // True in the first copy. In a later one, the first copy has been asked
    // to show its window.
    bool first() const { return m_first; }

    // The window brought to the front when a later copy starts.
    void raiseOnRequest(QWidget* window) { m_window = window; }

private:
    void askFirstCopyToShow();
    void showWindow();

    std::string m_name;
    std::unique_ptr<platform::RunLock> m_lock;
    QLocalServer* m_server = nullptr;
    QPointer<QWidget> m_window;
    bool m_first = false;
};
