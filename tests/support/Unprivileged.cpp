#include "tests/support/Unprivileged.h"

#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

const char kRerunSetting[] = "QUORVEL_UNPRIVILEGED_RERUN";

} // namespace

std::string selfPath()
{
    return platform::shortPath("/proc/self/exe");
}

bool canRunUnprivileged()
{
    static const bool can = std::system("test \"$(id -u)\" = 0 && command -v setpriv >/dev/null 2>&1") == 0;
    return can;
}

bool permissionsIgnored()
{
    TempDir dir;
    const std::string locked = dir / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::none);
    return platform::listFolder(locked, true).ok();
}

bool startSelf(QProcess& process, const std::string& testName, const std::map<std::string, std::string>& env,
    bool unprivileged)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList arguments{ "--gtest_also_run_disabled_tests",
        QString::fromStdString("--gtest_filter=" + testName) };
    if (unprivileged) {
        if (!canRunUnprivileged())
            return false;
        arguments.prepend(QString::fromStdString(selfPath()));
        arguments = QStringList{ "--reuid=65534", "--regid=65534", "--clear-groups" } + arguments;
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

int rerunUnprivileged()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test)
        return -1;
    // The other user keeps the program's state in a folder of its own, as
    // it would in its own home.
    const TempDir state("", "quorvel-state-");
    std::filesystem::permissions(state.path(), std::filesystem::perms::all);
    QProcess rerun;
    if (!startSelf(rerun, std::string(test->test_suite_name()) + "." + test->name(),
            { { kRerunSetting, "1" }, { "XDG_STATE_HOME", state.path() } }, true))
        return -1;
    rerun.waitForFinished(-1);
    if (rerun.exitStatus() != QProcess::NormalExit)
        return 128;
    return rerun.exitCode();
}

bool isUnprivilegedRerun()
{
    return std::getenv(kRerunSetting) != nullptr;
}

} // namespace testsupport
