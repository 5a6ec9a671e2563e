#include "app/DesktopNotice.h"

#include "AppInfo.h"
#include "platform/TextConversion.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

bool notifyDesktop(const std::string& summary, const std::string& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface service("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", bus);
    if (!service.isValid())
        return false;
    // Stays until the user has seen it: a failed backup is worth a look.
    const QDBusReply<uint> reply = service.call("Notify", QString(appinfo::kProductName), 0U,
        QString("quorvel-backup"), platform::textFromBytes(summary), platform::textFromBytes(body),
        QStringList(), QVariantMap{ { "urgency", QVariant::fromValue<uchar>(2) } }, 0);
    return reply.isValid();
}
