// A scheduled backup that does not end complete sends a desktop
// notification, one that could not start too; one that succeeds sends none;
// the check after a scheduled backup sends one when it finds damage. The
// program runs as a process of its own, with no display, on a private
// session bus where this test plays the notification service.
#include "app/MainSettings.h"
#include "platform/SettingsFile.h"
#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace fs = std::filesystem;

// The notification service as the desktop offers it, recording each notice.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
    QStringList bodies;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
        const QStringList&, const QVariantMap&, int)
    {
        summaries << summary;
        bodies << body;
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

    // Runs a scheduled backup of `sources` and returns its exit status,
    // answering the bus while it runs; `during` is called as it runs until
    // it returns true.
    int scheduledBackup(
        const std::vector<std::string>& sources,
        const std::function<bool(QProcess&)>& during = [](QProcess&) { return true; })
    {
        platform::SettingsFile store(m_home / "config/Quorvel Backup/settings.ini");
        saveMainSettings(store, { sources, m_data / "target", m_data / "target" });
        QProcessEnvironment env;
        env.insert("HOME", QString::fromStdString(m_home.path()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_home / "config"));
        env.insert("PATH", "/usr/bin:/bin");
        env.insert("QUORVEL_SCHEDULED", "1");
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        // Run folders are named to the second.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QString::fromStdString(m_program / "Vimblor"), { "--backup" });
        EXPECT_TRUE(program.waitForStarted());
        bool done = false;
        for (int i = 0; i < 6000 && !program.waitForFinished(10); ++i) {
            QCoreApplication::processEvents();
            if (!done)
                done = during(program);
        }
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
    EXPECT_EQ(scheduledBackup({ m_data / "source" }), 0);
    EXPECT_TRUE(m_service.summaries.isEmpty());

    // A source folder that is gone: the run ends with a failure.
    EXPECT_EQ(scheduledBackup({ m_data / "gone" }), 1);
    EXPECT_EQ(m_service.summaries, QStringList{ "Backup not complete" });
    EXPECT_EQ(m_service.bodies.value(0).toStdString(),
        "The scheduled backup left out 1 folder: " + m_data / "gone"
            + ". Its log is in the journal (journalctl --user -u quorvel-backup).");
}

TEST_F(ScheduledNotice, AFailedRunNamesThreeFoldersThenHowManyMore)
{
    std::vector<std::string> gone;
    for (const char* name : { "a", "b", "c", "d", "e" })
        gone.push_back(m_data / name);
    EXPECT_EQ(scheduledBackup(gone), 1);
    ASSERT_EQ(m_service.bodies.size(), 1);
    EXPECT_EQ(m_service.bodies[0].toStdString(),
        "The scheduled backup left out 5 folders: " + gone[0] + ", " + gone[1] + ", " + gone[2]
            + " and 2 more. Its log is in the journal (journalctl --user -u quorvel-backup).");
}

TEST_F(ScheduledNotice, ARunThatCannotStartTellsWhyInOneLine)
{
    makeDirs(m_data / "source");
    // The backup target among the source folders would be stored into itself.
    EXPECT_EQ(scheduledBackup({ m_data / "source", m_data / "target" }), 2);
    ASSERT_EQ(m_service.summaries, QStringList{ "Backup not started" });
    const std::string body = m_service.bodies[0].toStdString();
    EXPECT_EQ(body.rfind("The scheduled backup did not start: Backup not started... The source folder "
                      + m_data / "target" + " is the backup target",
                  0),
        0u)
        << body;
    EXPECT_EQ(body.find_first_of("\r\n"), std::string::npos) << body;

    // No archiver beside the program.
    fs::remove(m_program / "7z");
    EXPECT_EQ(scheduledBackup({ m_data / "source" }), 2);
    ASSERT_EQ(m_service.bodies.size(), 2);
    EXPECT_EQ(m_service.bodies[1].toStdString(),
        "The scheduled backup did not start: The archiver 7z is not there: " + m_program / "7z");
}

TEST_F(ScheduledNotice, AStoppedRunSaysSo)
{
    makeDirs(m_data / "source/big");
    writeRandomFile(m_data / "source/big/blob.bin", 200);
    const auto stopOnceBegun = [this](QProcess& program) {
        for (const auto& run : fs::directory_iterator(m_data / "target"))
            if (fs::is_directory(run) && !fs::is_empty(run)) {
                ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
                return true;
            }
        return false;
    };
    EXPECT_EQ(scheduledBackup({ m_data / "source" }, stopOnceBegun), 1);
    ASSERT_EQ(m_service.summaries, QStringList{ "Backup not complete" });
    EXPECT_EQ(m_service.bodies[0].toStdString(),
        "The scheduled backup was stopped before its end. Its log is in the journal "
        "(journalctl --user -u quorvel-backup).");
}

TEST_F(ScheduledNotice, ARunThatEndsWithoutReachingItsEndSaysSo)
{
    makeDirs(m_data / "source");
    writeText(m_data / "source/file.txt", "x");
    // A folder where the count file of each archive belongs: the run cannot
    // write it and ends there, its folder left marked incomplete.
    writeArchiverScript(m_program.path(),
        "for a in \"$@\"; do case \"$a\" in *.7z) mkdir -p \"$a.dat\";; esac; done\nexec \"$REAL\" \"$@\"");
    EXPECT_EQ(scheduledBackup({ m_data / "source" }), 1);
    ASSERT_EQ(m_service.summaries, QStringList{ "Backup not complete" });
    EXPECT_EQ(m_service.bodies[0].toStdString(),
        "The scheduled backup was cut short and did not reach its end. Its log is in the journal "
        "(journalctl --user -u quorvel-backup).");
}

TEST_F(ScheduledNotice, DamageFoundByTheCheckAfterAScheduledBackupIsNoticed)
{
    for (const char* name : { "source/one", "source/two" }) {
        makeDirs(m_data / name);
        writeText(m_data / name + "/file.txt", name);
    }
    // Older than the newest change a backup trusts, so that the next
    // backup takes the archives over.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const std::vector<std::string> sources{ m_data / "source/one", m_data / "source/two" };
    EXPECT_EQ(scheduledBackup(sources), 0);
    // Its check found both archives sound: nothing to tell.
    EXPECT_TRUE(m_service.summaries.isEmpty()) << m_service.bodies.join("|").toStdString();

    std::string archive;
    for (const auto& run : fs::directory_iterator(m_data / "target")) {
        if (run.is_directory() && !run.path().filename().string().starts_with("."))
            archive = run.path() / ArchiveName(m_data / "source/two/");
    }
    ASSERT_TRUE(fs::is_regular_file(archive)) << archive;
    {
        std::fstream file(archive, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(40);
        const char byte = static_cast<char>(file.get() ^ 0x21);
        file.seekp(40);
        file.put(byte);
    }

    // The backup itself ends complete, taking the damaged file over; the
    // check after it finds the damage and says so on the desktop.
    EXPECT_EQ(scheduledBackup(sources), 0);
    ASSERT_EQ(m_service.summaries, QStringList{ "Backups damaged" });
    EXPECT_EQ(m_service.bodies[0].toStdString(),
        "The archiver's test found 1 damaged archive: " + m_data / "source/two"
            + ". The next backup compresses them anew; Vimblor --check names every run that holds them.");
}

} // namespace
} // namespace testsupport

#include "ScheduledNoticeTest.moc"
