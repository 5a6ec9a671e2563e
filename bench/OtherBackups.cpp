#include "bench/OtherBackups.h"

#include "bench/BenchSystem.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace bench {

OtherBackup::OtherBackup(std::string name, std::string program)
    : m_name(std::move(name))
    , m_program(std::move(program))
{
}

void OtherBackup::init(const std::string& repository) const
{
    if (m_name == "restic")
        run({ "--quiet", "--repo", repository, "init" }, "init");
    else
        run({ "init", "--encryption", "none", repository }, "init");
}

double OtherBackup::backup(const std::string& repository, const std::string& source, int number) const
{
    const double start = nowSeconds();
    if (m_name == "restic")
        run({ "--quiet", "--repo", repository, "backup", source }, "backup");
    else
        run({ "create", repository + "::run" + std::to_string(number), source }, "create");
    return nowSeconds() - start;
}

void OtherBackup::run(const std::vector<std::string>& arguments, const std::string& what) const
{
    std::vector<std::string> argv{ m_program };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // Their output is their progress and statistics; errors still show.
    const Spawned done = spawnAndWait(argv, false);
    if (!done.ok)
        throw std::runtime_error(
            m_name + " " + what + " failed (status " + std::to_string(done.status) + ")");
}

std::vector<OtherBackup> otherBackups()
{
    return { OtherBackup("restic", findProgram("restic")), OtherBackup("borg", findProgram("borg")) };
}

void setOtherBackupsEnvironment()
{
    ::setenv("RESTIC_PASSWORD", "bench", 1);
    ::unsetenv("RESTIC_REPOSITORY");
    ::unsetenv("RESTIC_PASSWORD_FILE");
    ::unsetenv("RESTIC_PASSWORD_COMMAND");
    ::setenv("BORG_UNKNOWN_UNENCRYPTED_REPO_ACCESS_IS_OK", "yes", 1);
    ::setenv("BORG_RELOCATED_REPO_ACCESS_IS_OK", "yes", 1);
    ::unsetenv("BORG_REPO");
    ::unsetenv("BORG_PASSPHRASE");
}

std::string findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace bench
