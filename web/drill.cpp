// A drill process and the pipes to it: start in a temporary directory of its
// own, one line out, one line back within a time, and an end that always
// reaps the process and removes the directory.
#include "web/web.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Variables a drill may need from the server's environment; nothing else
// of it is passed on.
static constexpr const char *passenv[] = {
    "PATH", "KEL_PACKS", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS",
};

static void closefd(int &fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

bool drill_start(drill &d, const std::string &program,
                 const std::vector<std::string> &args,
                 const std::string &tmproot, std::string &error)
{
    std::string tmpl = tmproot + "/session-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        error = "cannot make a session directory in " + tmproot + ": " + strerror(errno);
        return false;
    }
    d.dir = tmpl;
    d.buf.clear();

    int inpipe[2], outpipe[2];
    if (pipe2(inpipe, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + strerror(errno);
        drill_stop(d, 0);
        return false;
    }
    if (pipe2(outpipe, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + strerror(errno);
        close(inpipe[0]);
        close(inpipe[1]);
        drill_stop(d, 0);
        return false;
    }
    std::string errfile = d.dir + "/stderr";

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, inpipe[0], 0);
    posix_spawn_file_actions_adddup2(&fa, outpipe[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&fa, d.dir.c_str());

    // The server blocks its stop signals in every thread and ignores SIGPIPE;
    // the drill starts with neither, in a process group of its own so that
    // ending it ends anything it started.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, deflt;
    sigemptyset(&none);
    sigemptyset(&deflt);
    sigaddset(&deflt, SIGPIPE);
    sigaddset(&deflt, SIGTERM);
    sigaddset(&deflt, SIGINT);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &deflt);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    std::vector<std::string> envs = {
        "HOME=" + d.dir, "TMPDIR=" + d.dir, "XDG_DATA_HOME=" + d.dir,
        "XDG_CONFIG_HOME=" + d.dir, "XDG_CACHE_HOME=" + d.dir, "LC_ALL=C.UTF-8",
    };
    for (const char *name : passenv)
        if (const char *v = getenv(name))
            envs.push_back(std::string(name) + "=" + v);
    std::vector<char *> envp;
    for (std::string &e : envs)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid;
    int rc = posix_spawn(&pid, program.c_str(), &fa, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    close(inpipe[0]);
    close(outpipe[1]);
    if (rc != 0) {
        close(inpipe[1]);
        close(outpipe[0]);
        error = "cannot start " + program + ": " + strerror(rc);
        drill_stop(d, 0);
        return false;
    }
    d.pid = pid;
    d.in = inpipe[1];
    d.out = outpipe[0];
    return true;
}

bool drill_send(drill &d, const std::string &line)
{
    if (d.in < 0)
        return false;
    std::string text = line + "\n";
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = write(d.in, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

static bool takeline(drill &d, std::string &line)
{
    std::size_t nl = d.buf.find('\n');
    if (nl == std::string::npos)
        return false;
    line.assign(d.buf, 0, nl);
    d.buf.erase(0, nl + 1);
    return true;
}

int drill_read(drill &d, std::string &line, int ms)
{
    if (takeline(d, line))
        return 1;
    if (d.out < 0)
        return 0;
    auto deadline = steady::now() + std::chrono::milliseconds(ms);
    char chunk[4096];
    for (;;) {
        if (d.buf.size() > WEB_LINE_MAX)
            return -2;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
        if (left <= 0)
            return -1;
        pollfd p = {d.out, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -2;
        if (r == 0)
            return -1;
        ssize_t n = read(d.out, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return -2;
        if (n == 0) {
            closefd(d.out);
            return 0;
        }
        d.buf.append(chunk, static_cast<std::size_t>(n));
        if (takeline(d, line))
            return 1;
    }
}

bool drill_ready(drill &d)
{
    if (d.buf.find('\n') != std::string::npos)
        return true;
    if (d.out < 0)
        return false;
    pollfd p = {d.out, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

void drill_close_input(drill &d)
{
    closefd(d.in);
}

void drill_stop(drill &d, int ms)
{
    closefd(d.in);
    if (d.pid > 0) {
        // The drill is waited for without being reaped, so that its process
        // group id stays its own while the group is killed.
        auto exited = [&](int flags) {
            siginfo_t si{};
            int r;
            while ((r = waitid(P_PID, static_cast<id_t>(d.pid), &si, WEXITED | WNOWAIT | flags)) < 0 && errno == EINTR) {
            }
            return r < 0 || si.si_pid == d.pid;
        };
        if (!exited(WNOHANG)) {
            kill(-d.pid, SIGTERM);
            auto deadline = steady::now() + std::chrono::milliseconds(ms);
            while (!exited(WNOHANG) && steady::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (!exited(WNOHANG)) {
                kill(-d.pid, SIGKILL);
                exited(0);
            }
        }
        kill(-d.pid, SIGKILL);        // anything it left running in its group
        int status;
        while (waitpid(d.pid, &status, 0) < 0 && errno == EINTR) {
        }
        d.pid = -1;
    }
    closefd(d.out);
    d.buf.clear();
    if (!d.dir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(d.dir, ec);
        d.dir.clear();
    }
}

std::string drill_last_words(const drill &d)
{
    if (d.dir.empty())
        return "";
    std::ifstream f(d.dir + "/stderr");
    std::string line, last;
    while (std::getline(f, line))
        if (!line.empty())
            last = line;
    if (last.size() > WEB_ERRTEXT_MAX)
        last.resize(WEB_ERRTEXT_MAX);
    return last;
}
