#include "tests/backup/BackupTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace backuptest {

std::vector<std::string> allNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string onlyRunFolder(const std::string& backupTarget)
{
    std::vector<std::string> names = allNames(backupTarget);
    if (names.size() != 1)
        return {};
    return backupTarget + "/" + names.front();
}

std::vector<std::string> archivesBelow(const std::string& root)
{
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() >= 3 && name.compare(name.size() - 3, 3, ".7z") == 0)
            found.push_back(it->path().string());
    }
    return found;
}

bool permissionsIgnored()
{
    testsupport::TempDir dir;
    const std::string locked = dir / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::none);
    return platform::listFolder(locked, true).ok();
}

bool isUnprivilegedRerun()
{
    return std::getenv("QUORVEL_UNPRIVILEGED_RERUN") != nullptr;
}

int rerunUnprivileged()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string self = platform::shortPath("/proc/self/exe");
    if (!test || self.empty() || std::system("command -v setpriv >/dev/null 2>&1") != 0)
        return -1;
    const std::string command = "QUORVEL_UNPRIVILEGED_RERUN=1 setpriv --reuid=65534 --regid=65534 "
                                "--clear-groups '" +
                                self + "' --gtest_filter='" + test->test_suite_name() + "." + test->name() + "'";
    const int status = std::system(command.c_str());
    return status < 0 ? -1 : status;
}

} // namespace backuptest
