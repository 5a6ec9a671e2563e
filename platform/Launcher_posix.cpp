#include "platform/Launcher.h"

#include "platform/FileOps.h"
#include "platform/JobShell_posix.h"
#include "platform/Processes.h"

#include <climits>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// The lines of a batch file as a shell reading it runs them: split at line
// feeds, each without the carriage return of a CRLF line end; the last line
// may have no line end.
std::vector<std::string> batchLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

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

// A path as the job shell, which works in "/", must be given it.
std::string absolute(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return path;
    char here[PATH_MAX];
    if (!::getcwd(here, sizeof here))
        return path;
    return std::string(here) + "/" + path;
}

bool isPlainShellChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '.'
        || c == '_' || c == '-';
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

Status launchBatchDetached(const std::string& batchFile, const std::string& workingFolder, int slot)
{
    // No folder is no place to run a job in (an empty name would leave the
    // job wherever the shell is), and a NUL cannot reach the shell.
    if (workingFolder.empty() || workingFolder.find('\0') != std::string::npos
        || batchFile.find('\0') != std::string::npos)
        return Status::success();
    // The job shell's death signal follows the thread that started it: a
    // shell started by a thread that ends would be killed with that thread.
    if (::gettid() != ::getpid())
        return Status::failure("Cannot start the job: jobs are started from the main thread only");
    auto bytes = readFile(batchFile);
    if (!bytes)
        return Status::failure("Cannot start the job: " + bytes.error());
    // Quoted, any value is one word, line breaks included.
    std::string command = "quorvel_job " + shellQuoteIfNeeded(absolute(batchFile)) + " "
        + shellQuoteIfNeeded(absolute(workingFolder)) + " " + currentUmask();
    for (const std::string& line : batchLines(*bytes)) {
        command += ' ';
        command += shellQuoteIfNeeded(line);
    }
    command += "\n";
    return sendToJobShell(slot, command);
}

void killBatchJobs()
{
    killJobShells();
}

std::optional<std::uint64_t> batchJobBytesRead(int slot)
{
    return bytesReadInSession(jobShellPid(slot));
}

} // namespace platform
