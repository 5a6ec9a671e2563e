#include "platform/Launcher.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// Reads the batch file line by line and runs each line, with the carriage
// return of its CRLF line end dropped; the last line has no line end.
// Globbing is off ("set -f"): the archiver's own patterns such as -i!* must
// reach it as written, not be replaced by matching names in the folder. Each
// line reads /dev/null, not the batch file: a command asking a question (7z
// wanting a password) would otherwise swallow the lines after it, and the
// finish marker would never be made.
// The job's own files, which its first and last lines make (the start and
// finish markers), are for this user only: the shell starts with umask 077.
// The second line, the archiver's, runs with the program's own umask ($1),
// so that the files it extracts get the modes they would get anyway.
const char kBatchInterpreter[] =
    "set -f; n=0; while IFS= read -r l || [ -n \"$l\" ]; do n=$((n+1)); "
    "if [ $n -eq 2 ]; then umask \"$1\"; else umask 077; fi; "
    "eval \"${l%\r}\" < /dev/null; done < \"$0\"";

// The process's umask as octal digits. Reading it means setting it, so it
// is set straight back.
std::string currentUmask()
{
    const mode_t mask = ::umask(077);
    ::umask(mask);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04o", static_cast<unsigned>(mask & 0777));
    return digits;
}

bool isPlainShellChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '.' || c == '_' || c == '-';
}

} // namespace

std::string shellQuoteIfNeeded(const std::string& text)
{
    bool plain = !text.empty();
    for (char c : text)
        plain = plain && isPlainShellChar(c);
    if (plain)
        return text;
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += "'";
    return quoted;
}

Status launchBatchDetached(const std::string& batchFile, const std::string& workingFolder)
{
    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are allowed.
    const std::string programUmask = currentUmask();
    const char* argv[] = {"/bin/sh", "-c", kBatchInterpreter, batchFile.c_str(), programUmask.c_str(), nullptr};
    const char* dir = workingFolder.c_str();

    pid_t child = ::fork();
    if (child < 0)
        return Status::failure(std::string("Cannot start the job: ") + std::strerror(errno));
    if (child == 0) {
        // The intermediate child starts the job and exits at once, so the job
        // is adopted by init and never becomes our zombie.
        ::setsid();
        pid_t job = ::fork();
        if (job != 0)
            ::_exit(job < 0 ? 1 : 0);
        if (::chdir(dir) != 0)
            ::_exit(127); // the job cannot start there: no marker will appear
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (null > 2)
                ::close(null);
        }
        ::close_range(3, ~0U, 0);
        ::execv("/bin/sh", const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Status::failure("Cannot start the job: the launcher failed");
    return Status::success();
}

} // namespace platform
