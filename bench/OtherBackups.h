#pragma once

#include <string>
#include <vector>

// Backup programs of other makers, timed on the same tree for comparison:
// restic and borg, as Debian packages them. They keep their repositories
// where they are told and their caches under $HOME / $XDG_CACHE_HOME, which
// the benchmark points at folders of its own.
namespace bench {

// One of the other programs: how to make an empty repository and how to
// back a folder up into it.
class OtherBackup {
public:
    // "restic" or "borg"; `program` is its file, empty when it is not installed.
    OtherBackup(std::string name, std::string program);

    const std::string& name() const { return m_name; }
    bool installed() const { return !m_program.empty(); }

    // Makes an empty repository at `repository` (a path that does not exist yet).
    void init(const std::string& repository) const;

    // Backs `source` up into the repository as its `number`-th backup; the
    // seconds it took. Throws when the program fails.
    double backup(const std::string& repository, const std::string& source, int number) const;

private:
    void run(const std::vector<std::string>& arguments, const std::string& what) const;

    std::string m_name;
    std::string m_program;
};

// restic and borg, each with its file when it is installed.
std::vector<OtherBackup> otherBackups();

// Sets the variables they need to run unattended: restic's password, borg's
// consent to an unencrypted repository in a new place.
void setOtherBackupsEnvironment();

// The full path of a program found on $PATH, or empty.
std::string findProgram(const std::string& name);

} // namespace bench
