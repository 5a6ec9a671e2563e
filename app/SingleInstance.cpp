#include "app/SingleInstance.h"

#include "AppInfo.h"
#include "platform/UserFolders.h"
#include "platform/UserIdentity.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace {

constexpr int kWaitMs = 2000;

// The user's private state folder: no other user may reach what lies there.
std::string privateFolder()
{
    std::string folder = platform::userStateHome() + "/" + appinfo::kProductName;
    (void)platform::makePrivateFolders(folder);
    return folder;
}

} // namespace

SingleInstance::SingleInstance(const std::string& socketPath, const std::string& lockFile)
    : m_name(socketPath.empty() ? privateFolder() + "/" + platform::perUserName("instance") : socketPath)
    , m_lock(std::make_unique<platform::RunLock>(
          lockFile.empty() ? privateFolder() + "/instance.lock" : lockFile))
{
    // A lock that cannot be had for another reason than a running copy (no
    // state folder) must not keep the program from starting.
    m_first = !m_lock->busy();
    if (!m_first) {
        askFirstCopyToShow();
        return;
    }
    m_server = new QLocalServer(this);
    // The lock is ours, so a socket left by a copy that died is stale.
    QLocalServer::removeServer(QString::fromStdString(m_name));
    (void)m_server->listen(QString::fromStdString(m_name));
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            caller->disconnectFromServer();
            showWindow();
        }
    });
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::askFirstCopyToShow()
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(m_name));
    if (socket.waitForConnected(kWaitMs))
        socket.waitForDisconnected(kWaitMs);
}

void SingleInstance::showWindow()
{
    if (!m_window)
        return;
    m_window->setWindowState((m_window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
