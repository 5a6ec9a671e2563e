// A scheduled backup that ends with failures sends a desktop notification;
// one that succeeds sends none. The program runs as a process of its own,
// with no display, on a private session bus where this test plays the
// notification service.
#include "app/MainSettings.h"
#include "platform/SettingsFile.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// The notification service as the desktop offers it, recording each notice.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
        const QStringList&, const QVariantMap&, int)
    {
        summaries << summary;
        return static_cast<uint>(summaries.size());
    }
};

namespace testsupport {
namespace {

class ScheduledNotice : public ::testing::Test {
protected:
    // The bus connection needs the application object from its start.
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "scheduled_notice_tests";
        static char* argv[] = { name, nullptr };
        static QCoreApplication application(argc, argv);
    }

    void SetUp() override
    {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        m_bus.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        ASSERT_TRUE(m_bus.waitForStarted());
        ASSERT_TRUE(m_bus.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QDBusConnection connection = QDBusConnection::connectToBus(m_address, "notices");
        ASSERT_TRUE(connection.isConnected());
        ASSERT_TRUE(connection.registerObject(
            "/org/freedesktop/Notifications", &m_service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService("org.freedesktop.Notifications"));
        fs::copy_file(std::string(std::getenv("QUORVEL_TEST_BIN")) + "/Vimblor", m_program / "Vimblor");
        linkArchiver(m_program.path());
        makeDirs(m_data / "target");
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus("notices");
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.kill();
            m_bus.waitForFinished();
        }
    }

    // Runs a scheduled backup of `source` and returns its exit status,
    // answering the bus while it runs.
    int scheduledBackup(const std::string& source)
    {
        platform::SettingsFile store(m_home / "config/Quorvel Backup/settings.ini");
        saveMainSettings(store, { { source }, m_data / "target", m_data / "target" });
        QProcessEnvironment env;
        env.insert("HOME", QString::fromStdString(m_home.path()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_home / "config"));
        env.insert("PATH", "/usr/bin:/bin");
        env.insert("QUORVEL_SCHEDULED", "1");
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QString::fromStdString(m_program / "Vimblor"), { "--backup" });
        EXPECT_TRUE(program.waitForStarted());
        for (int i = 0; i < 6000 && !program.waitForFinished(10); ++i)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return program.exitCode();
    }

    QProcess m_bus;
    QString m_address;
    FakeNotifications m_service;
    TempDir m_program;
    TempDir m_home;
    TempDir m_data;
};

TEST_F(ScheduledNotice, FailureSendsANoticeAndSuccessNone)
{
    makeDirs(m_data / "source");
    writeText(m_data / "source/file.txt", "x");
    EXPECT_EQ(scheduledBackup(m_data / "source"), 0);
    EXPECT_TRUE(m_service.summaries.isEmpty());

    // A source folder that is gone: the run ends with a failure.
    EXPECT_EQ(scheduledBackup(m_data / "gone"), 1);
    EXPECT_EQ(m_service.summaries, QStringList{ "Backup not complete" });
}

} // namespace
} // namespace testsupport

#include "ScheduledNoticeTest.moc"
