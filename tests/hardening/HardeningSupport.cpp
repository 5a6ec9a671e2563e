#include "tests/hardening/HardeningSupport.h"

#include "backup/windows/frmBackup.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace hardening {

std::string selfPath()
{
    return platform::shortPath("/proc/self/exe");
}

bool canRunUnprivileged()
{
    static const bool can = std::system("test \"$(id -u)\" = 0 && command -v setpriv >/dev/null 2>&1") == 0;
    return can;
}

bool startSelf(QProcess& process, const std::string& testName, const std::map<std::string, std::string>& env,
               bool unprivileged)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList arguments{"--gtest_also_run_disabled_tests",
                          QString::fromStdString("--gtest_filter=" + testName)};
    if (unprivileged) {
        if (!canRunUnprivileged())
            return false;
        arguments.prepend(QString::fromStdString(selfPath()));
        arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments;
        process.start("setpriv", arguments);
    } else {
        process.start(QString::fromStdString(selfPath()), arguments);
    }
    return process.waitForStarted(10000);
}

std::string helperSetting(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

void writeArchiverScript(const std::string& appFolder, const std::string& body)
{
    const std::string script = appFolder + "/7z";
    fs::remove(script);
    testsupport::writeText(script, "#!/bin/sh\nREAL='" + testsupport::archiverPath() + "'\n" + body + "\n");
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
}

bool waitForPath(const std::string& path, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    std::error_code ec;
    while (!fs::exists(fs::symlink_status(path, ec))) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

unsigned modeOf(const std::string& path)
{
    return static_cast<unsigned>(fs::symlink_status(path).permissions()) & 07777;
}

unsigned currentUmask()
{
    testsupport::TempDir dir;
    testsupport::writeText(dir / "probe", "");
    return 0666 & ~modeOf(dir / "probe");
}

std::vector<std::string> canariesBelow(const std::string& root)
{
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().filename().string().starts_with("canary"))
            found.push_back(it->path().string());
    }
    return found;
}

std::vector<std::string> HardeningFixture::backUp(const std::vector<std::string>& sources)
{
    fields.from = sources;
    frmBackup window(fields, app.path());
    EXPECT_TRUE(restoretest::runToEnd(window, 240000)) << "the backup did not end";
    EXPECT_TRUE(window.cmdDone()->isVisible());
    QTest::mouseClick(window.cmdDone(), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    std::vector<std::string> log = window.logLines();
    std::reverse(log.begin(), log.end());
    return log;
}

std::vector<std::string> HardeningFixture::runFolders() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fields.to))
        names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace hardening
