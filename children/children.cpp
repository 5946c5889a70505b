// The driver program on two pipes: starting it, suspending, resuming and
// killing it, switching the keystroke input between keyboard and driver, and
// the writes that go to it (acknowledgements, answers, EMIT's line ranges).
#include <cerrno>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdio_ext.h>
#include <sys/wait.h>
#include <unistd.h>
#include "children/children.h"
#include "commands/commands.h"

int progstate;
int child_pid;
int voluntary;
KEYSOURCE kelinput = {-1, 0, 0, true, {}};
FILE *keloutput;

static bool tookinput;                // suspending took the input away from the driver
static bool abandoned;                // the interrupt key stopped a write to the driver
static bool told;                     // ... and the user has been told so

// ------------------------------------------------------------ writing to it

namespace {

// Holds the broken-pipe signal back while the driver is written to: a driver
// that has gone shows as a failed write, handled where it happens, and no
// signal is left over to end a driver started after it.
struct pipeguard {
    sigset_t old;
    pipeguard()
    {
        sigset_t s;
        sigemptyset(&s);
        sigaddset(&s, SIGPIPE);
        sigprocmask(SIG_BLOCK, &s, &old);
    }
    ~pipeguard()
    {
        sigset_t s;
        sigpending(&s);
        if (sigismember(&s, SIGPIPE) && !sigismember(&old, SIGPIPE)) {
            sigemptyset(&s);
            sigaddset(&s, SIGPIPE);
            timespec now{};
            while (sigtimedwait(&s, nullptr, &now) < 0 && errno == EINTR) {}
        }
        sigprocmask(SIG_SETMASK, &old, nullptr);
    }
    pipeguard(const pipeguard &) = delete;
    pipeguard &operator=(const pipeguard &) = delete;
};

bool running() { return progstate == 1 && keloutput != nullptr; }

// The end of a write to the driver: flushed, or the driver is gone.
bool finished(bool ok)
{
    ok = ok && std::fflush(keloutput) == 0;
    if (!ok) {
        bool interrupted = abandoned;
        killprog();
        told = interrupted;
        if (interrupted) {
            diserr("Write to driver interrupted; driver ended");
            del = 2;
        }
    }
    return ok;
}

// The driver's standard input: a non-blocking pipe written through stdio.
// A full pipe is waited on together with the signal pipe, so that the
// interrupt key can abandon a write to a driver that has stopped reading.
ssize_t pipewrite(void *cookie, const char *buf, size_t size)
{
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
    size_t done = 0;
    while (done < size && !abandoned) {
        ssize_t n = write(fd, buf + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return -1;
        if (takeinterrupt() || endreq != 0) {  // the key, or the editor is to end
            abandoned = true;
            errno = EINTR;
            return -1;
        }
        pollfd fds[2] = {{fd, POLLOUT, 0}, {sigfd, POLLIN, 0}};
        if (poll(fds, sigfd >= 0 ? 2 : 1, -1) > 0 && (fds[1].revents & POLLIN)) {
            char drain[64];
            while (read(sigfd, drain, sizeof drain) > 0) {}
        }
    }
    return abandoned ? -1 : static_cast<ssize_t>(done);
}

int pipeclose(void *cookie)
{
    return close(static_cast<int>(reinterpret_cast<intptr_t>(cookie)));
}

FILE *pipestream(int fd)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return nullptr;
    cookie_io_functions_t io{nullptr, pipewrite, nullptr, pipeclose};
    return fopencookie(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), "w", io);
}

// Signals go to the driver's process group, so that whatever it started
// stops, goes on or ends with it; to the driver alone when it has no group.
void signaldriver(int pid, int sig)
{
    if (kill(-pid, sig) != 0)
        kill(pid, sig);
}

// With `discard`, text not yet written is dropped instead of waited for.
void closepipes(bool discard)
{
    if (keloutput != nullptr) {
        pipeguard g;
        if (discard)
            __fpurge(keloutput);
        std::fclose(keloutput);
        keloutput = nullptr;
    }
    if (kelinput.fd >= 0)
        close(kelinput.fd);
    kelinput = {-1, 0, 0, true, {}};
    if (inptr == &kelinput)
        inptr = &stdinsource;
    progstate = 0;
    tookinput = false;
    abandoned = false;
}

} // namespace

bool childvprintf(const char *fmt, va_list ap)
{
    if (!running())
        return false;
    pipeguard g;
    return finished(std::vfprintf(keloutput, fmt, ap) >= 0);
}

bool childprintf(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    bool ok = childvprintf(fmt, ap);
    va_end(ap);
    return ok;
}

void acknowledge()
{
    childprintf("\n");
}

// ------------------------------------------------------------ the child

// Both pipes are close-on-exec, so a shell escape or a later driver does not
// hold them open; dup2 gives the driver its own copies without the flag.
// The forked process only moves descriptors and runs the program.
static int setpipe(const char *path, char *const argv[])
{
    int kelpipe[2], progpipe[2];
    if (pipe2(kelpipe, O_CLOEXEC) != 0)
        return -1;
    if (pipe2(progpipe, O_CLOEXEC) != 0) {
        close(kelpipe[0]);
        close(kelpipe[1]);
        return -1;
    }
    flushout();
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(progpipe[0], STDIN_FILENO);
        dup2(kelpipe[1], STDOUT_FILENO);
        for (int fd : {kelpipe[0], kelpipe[1], progpipe[0], progpipe[1]})
            if (fd > STDERR_FILENO)
                close(fd);
        execv(path, argv);
        _exit(1);
    }
    if (pid > 0)
        setpgid(pid, pid);            // either side may come first
    close(kelpipe[1]);
    close(progpipe[0]);
    FILE *out = pid > 0 ? pipestream(progpipe[1]) : nullptr;
    if (out == nullptr) {
        close(progpipe[1]);
        close(kelpipe[0]);
        if (pid > 0) {
            signaldriver(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        }
        return -1;
    }
    keloutput = out;
    kelinput = {kelpipe[0], 0, 0, false, {}};
    return pid;
}

// RUN: the file the checker looked at. A name without a slash is taken in
// the working directory, never looked up on the search path.
void runprog()
{
    if (progstate != 0) {
        refuse("Program already running");
        return;
    }
    char name[STRPARSIZE];
    std::memcpy(name, curfile, sizeof name);
    name[STRPARSIZE - 1] = '\0';
    char path[STRPARSIZE + 2] = "";
    if (std::strchr(name, '/') == nullptr)
        std::strcpy(path, "./");
    std::strcat(path, name);
    char *argv[] = {name, nullptr};

    int pid = setpipe(path, argv);
    if (pid < 0) {
        refuse("Can't set up pipes");
        return;
    }
    child_pid = pid;
    progstate = 1;
    progtrans = 1;
    tookinput = false;
    inptr = &kelinput;
}

// A stopped driver types nothing: the keyboard has the input until the
// driver runs again.
void suspendprog()
{
    if (progstate == 0 || child_pid <= 0)
        return;
    progstate = 2;
    signaldriver(child_pid, SIGSTOP);
    if (inptr == &kelinput) {
        inptr = &stdinsource;
        tookinput = true;
    }
}

void resumeprog()
{
    if (progstate != 2 || child_pid <= 0) {
        diserr(" No suspended program! ");
        return;
    }
    progstate = 1;
    signaldriver(child_pid, SIGCONT);
    if (tookinput) {
        inptr = &kelinput;
        tookinput = false;
    }
    if (voluntary)
        acknowledge();
}

// The driver is ended and its status collected, so none is left behind.
void killprog()
{
    if (progstate == 0)
        return;
    int pid = child_pid;
    child_pid = 0;
    if (pid > 0)
        signaldriver(pid, SIGKILL);
    closepipes(true);
    if (pid > 0)
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
}

// The driver's end noticed by its exit rather than by the end of its output:
// what it started is ended too, so that nothing else holds the pipe open, and
// the output it left is still read up to the end, which gives the keyboard
// back. Its status is collected, so no zombie is left.
void reapdriver()
{
    int pid = child_pid;
    if (pid <= 0 || waitpid(pid, nullptr, WNOHANG) != pid)
        return;
    child_pid = 0;
    kill(-pid, SIGKILL);
    if (progstate == 2)               // the keyboard has the input already
        closepipes(true);
}

// The editor ends: the driver sees the end of both pipes and finishes by
// itself; a stopped one is continued first.
void endchildren()
{
    if (progstate == 0)
        return;
    int pid = child_pid;
    bool stopped = progstate == 2;
    closepipes(false);
    child_pid = 0;
    if (pid > 0) {
        if (stopped)
            signaldriver(pid, SIGCONT);
        waitpid(pid, nullptr, WNOHANG);
    }
}

// ------------------------------------------------------------ SWITCH

static void tokeyboard()
{
    inptr = &stdinsource;
    tookinput = false;
    gwtransmit("$mU###");
}

void swinput()
{
    switch (param[1]) {
    case 0:
        voluntary = 1;
        suspendprog();
        tokeyboard();
        break;
    case 1:
        resumeprog();
        if (progstate == 1)
            inptr = &kelinput;
        break;
    case 2:
        killprog();
        tokeyboard();
        break;
    default:
        break;
    }
}

// ------------------------------------------------------------ EMIT

// The range of the current corefile as a file is written, then the end mark.
static bool putrange(FILE *out)
{
    bool ok = pfile(out) == 0;
    return std::fputs("$$$\r\n", out) >= 0 && ok;
}

// EMIT corefile | first | last | 0 standard output, 1 the driver.
void emit()
{
    bool todriver = param[4] == 1;
    if (todriver && !running())
        return;
    int was = corenum;
    if (param[1] >= 1 && param[1] <= 18)
        corenum = param[1];
    bool ok;
    told = false;
    if (todriver) {
        pipeguard g;
        ok = finished(putrange(keloutput));
    } else {
        flushout();
        ok = putrange(stdout);
        ok = std::fflush(stdout) == 0 && ok;
        clearerr(stdout);
    }
    corenum = was;
    if (!ok && !told) {
        diserr(" Write Failed ");
        del = 2;
    }
}
