#include "platform/JobShell_posix.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// The job shell: one /bin/sh started with the first job, reading commands
// from a socket for as long as the program runs (its input ends with the
// program). Each job is one command sent to it,
//   quorvel_job BATCH FOLDER UMASK LINE...
// with every value quoted, which the shell reads in one go: the lines are
// the batch file's, read by the launcher, each without its line end. The
// shell runs the job itself, so starting a job costs no fork of this program
// (whose memory map may be large), no start of a new shell and no fork of the
// job shell either: only the archiver's own fork and exec, as a plain shell
// loop has them. Nor does the shell read the batch file a byte at a time, as
// a shell's `read` does.
//
// quorvel_job goes into the folder and runs the lines in order. Globbing is
// off ("set -f"): the archiver's own patterns such as -i!* must reach it as
// written, not be replaced by matching names in the folder. The job reads
// /dev/null: a command asking a question (7z wanting a password) must not
// wait for an answer. The job's own files, which its first and last lines
// make (the start and finish markers), are for this user only: those lines
// run with umask 077. The second line, the archiver's, runs with the
// program's own umask, so that the files it extracts get the modes they
// would get anyway. The job, and the archiver it runs, hold the batch file
// open while they run, so that a living job can be found among the
// processes. Its output goes where the job shell's goes, to /dev/null. A
// folder the job cannot enter runs nothing. A line the shell cannot parse
// ends that line, not the shell ("command eval"). When the job is over the
// shell goes back to "/" and writes one byte to the socket: the launcher
// counts these to know that the shell is free for the next job.
//
// The archiver a job runs is the shell's child, not the program's, so the
// shell's death signal does not reach it. The shell's guard does: a
// background part of the shell, started before the first job, that waits
// on a pipe only the program writes to (descriptor 4 when the shell starts,
// closed in the shell itself at once). When the program ends, however it
// ends, the pipe reads its end and the guard kills the shell's process
// group: the shell, the archiver and itself. So a killed program leaves no
// archiver writing on into a run that is over, and no job pays for a
// wrapper's start.
//
// A job that is still running when the next one is launched (one that never
// got going in time and was given up) keeps its shell: the launcher leaves
// that shell to it and starts a new one, so every job starts at once, as a
// detached job would. A left shell ends when its job is over and it finds
// its input closed; the launcher reaps it then, and lets its guard go.
const char kJobShellSetup[] = "set -f\n"
                              "{ read -r _; kill -s KILL 0; } <&4 &\n"
                              "exec 4<&-\n"
                              "quorvel_job() {\n"
                              "  { if CDPATH= cd -P -- \"$2\"; then m=$3; shift 3; n=0\n"
                              "      for l in \"$@\"; do n=$((n+1))\n"
                              "        if [ $n -eq 2 ]; then umask \"$m\"; else umask 077; fi\n"
                              "        command eval \"$l\"\n"
                              "      done\n"
                              "    fi\n"
                              "  } 3< \"$1\" < /dev/null\n"
                              "  cd /\n"
                              "  echo >&0\n"
                              "}\n";

// Starts the job shell, /bin/sh reading commands from `input`, in a session
// of its own, in "/", with standard output and error on /dev/null, the
// reading end of its guard's pipe `guard` as descriptor 4, no other
// descriptors and the signals as a new program has them. The shell is killed
// when the program ends, however it ends: a job shell left behind by a
// killed program would go on running its archiver into a run that is over.
// That death signal is tied to the thread that forks, so jobs are started
// from the main thread only (launchBatchDetached refuses any other); a shell
// whose program died before the signal was set ends at once. Between fork
// and exec the child makes plain system calls only.
Result<pid_t> spawnJobShell(int input, int guard)
{
    const pid_t parent = ::getpid();
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull < 0)
        return Result<pid_t>::failure(std::string("Cannot start the job shell: ") + std::strerror(errno));
    sigset_t allSignals;
    sigset_t previous;
    sigfillset(&allSignals);
    // No handler of the program's may run in the child before exec.
    ::pthread_sigmask(SIG_SETMASK, &allSignals, &previous);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(127);
        struct sigaction defaults = {};
        defaults.sa_handler = SIG_DFL;
        for (int signal = 1; signal < NSIG; ++signal)
            (void)::sigaction(signal, &defaults, nullptr);
        // Moved out of the way first: a program started with a standard
        // descriptor closed may have been given any of them as 0, 1, 2 or 4.
        const int in = ::fcntl(input, F_DUPFD_CLOEXEC, 10);
        const int out = ::fcntl(devNull, F_DUPFD_CLOEXEC, 10);
        const int watched = ::fcntl(guard, F_DUPFD_CLOEXEC, 10);
        if (in < 0 || out < 0 || watched < 0 || ::setsid() < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0
            || ::dup2(out, 2) < 0 || ::dup2(watched, 4) < 0 || ::chdir("/") != 0)
            ::_exit(127);
        // What dup2 made keeps no close-on-exec flag; the rest goes.
        ::close(3);
        ::close_range(5, ~0U, 0);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        char* argv[] = { const_cast<char*>("/bin/sh"), const_cast<char*>("-s"), nullptr };
        ::execve("/bin/sh", argv, environ);
        ::_exit(127);
    }
    const int error = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(devNull);
    if (pid < 0)
        return Result<pid_t>::failure(std::string("Cannot start the job shell: ") + std::strerror(error));
    return pid;
}

// How long the launcher waits for the job shell to say that its last job is
// over. The shell says so right after the job's finish marker, long before
// the next job is launched; only a job that is really still running keeps it
// waiting this long, and then the next job gets a shell of its own.
constexpr int kFreeWaitMs = 100;

// The job shell of the program, and the socket its jobs are sent on.
// For the user-interface thread only.
class JobShell {
public:
    // Makes sure a shell is there and free to take a job at once.
    Status prepare()
    {
        reapLeftShells();
        if (running() && !isFree())
            leave();
        if (!running())
            return start();
        return Status::success();
    }

    // Sends one job. False when the job shell is no longer there to read it.
    bool sendJob(const std::string& command)
    {
        if (!send(command))
            return false;
        ++m_unfinished;
        return true;
    }

    // Lets go of the shell: its input is closed, so it ends once it is
    // done with what it is running; it is reaped when it has.
    void leave()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        // The guard's pipe is there exactly while the shell is.
        if (m_pid > 0)
            m_left.push_back({ m_pid, m_guard });
        m_pid = -1;
        m_guard = -1;
        m_unfinished = 0;
        reapLeftShells();
    }

private:
    Status start()
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return Status::failure(std::string("Cannot start the job shell: ") + std::strerror(errno));
        // The guard's pipe: only this program holds its writing end, which
        // no child keeps past its exec.
        int guard[2];
        if (::pipe2(guard, O_CLOEXEC) != 0) {
            const int error = errno;
            ::close(ends[0]);
            ::close(ends[1]);
            return Status::failure(std::string("Cannot start the job shell: ") + std::strerror(error));
        }
        auto shell = spawnJobShell(ends[1], guard[0]);
        ::close(ends[1]);
        ::close(guard[0]);
        if (!shell) {
            ::close(ends[0]);
            ::close(guard[1]);
            return Status::failure(shell.error());
        }
        m_pid = *shell;
        m_socket = ends[0];
        m_guard = guard[1];
        m_unfinished = 0;
        if (!send(kJobShellSetup)) {
            leave();
            return Status::failure("Cannot start the job shell: it ended at once");
        }
        return Status::success();
    }

    bool send(const std::string& commands)
    {
        const char* data = commands.data();
        std::size_t left = commands.size();
        while (left > 0) {
            // MSG_NOSIGNAL: a job shell that has gone must not end the program with SIGPIPE.
            const ssize_t n = ::send(m_socket, data, left, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        return true;
    }

    // True when the shell has said that every job it was given is over,
    // waiting a little for the last word. A shell that has ended (its end of
    // the socket closed) is let go of, and false is returned.
    bool isFree()
    {
        bool waited = false;
        for (;;) {
            char acks[64];
            const ssize_t n = ::recv(m_socket, acks, sizeof acks, MSG_DONTWAIT);
            if (n > 0) {
                m_unfinished -= std::min<long>(m_unfinished, n);
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                leave();
                return false;
            }
            if (m_unfinished == 0)
                return true;
            if (waited || errno == EINTR)
                return false;
            pollfd ready{ m_socket, POLLIN, 0 };
            (void)::poll(&ready, 1, kFreeWaitMs);
            waited = true;
        }
    }

    // Reaps the shells let go of that have ended; none is waited for.
    void reapLeftShells()
    {
        std::erase_if(m_left, [](const LeftShell& left) {
            const pid_t reaped = ::waitpid(left.pid, nullptr, WNOHANG);
            const bool gone = reaped == left.pid || (reaped < 0 && errno == ECHILD);
            // Its guard is let go of with it: the group it would end is empty now.
            if (gone && left.guard >= 0)
                ::close(left.guard);
            return gone;
        });
    }

public:
    // Ends every job at once: each shell's session (the shell and the
    // archiver it runs) is killed and reaped, so nothing of it writes on.
    void killAll()
    {
        leave();
        for (const LeftShell& left : m_left) {
            (void)::kill(-left.pid, SIGKILL);
            while (::waitpid(left.pid, nullptr, 0) < 0 && errno == EINTR) { }
            if (left.guard >= 0)
                ::close(left.guard);
        }
        m_left.clear();
    }
    bool running() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

private:
    struct LeftShell {
        pid_t pid;
        int guard;
    };

    pid_t m_pid = -1;
    int m_socket = -1;
    int m_guard = -1; // the writing end of the shell's guard pipe
    long m_unfinished = 0; // jobs sent that the shell has not said are over
    std::vector<LeftShell> m_left; // shells let go of, not yet reaped
};

// One job shell for each place a job may run in at the same time: a job
// slot's earlier job is over before the slot's next one is launched, so its
// shell is free at once, and the jobs of other slots never make it wait.
std::map<int, JobShell>& jobShells()
{
    static std::map<int, JobShell> shells;
    return shells;
}

} // namespace

Status sendToJobShell(int slot, const std::string& command)
{
    JobShell& shell = jobShells()[slot];
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (auto ready = shell.prepare(); !ready)
            return ready;
        if (shell.sendJob(command))
            return Status::success();
        // The job shell has gone (someone ended it): a new one takes the job.
        shell.leave();
    }
    return Status::failure("Cannot start the job: the job shell does not take it");
}

void killJobShells()
{
    for (auto& [slot, shell] : jobShells())
        shell.killAll();
}

pid_t jobShellPid(int slot)
{
    return jobShells()[slot].pid();
}

} // namespace platform
