// Commands on whole files: DELETE, NEWNAME, UPDATE and LIST. Names are
// passed to the system as they are, never through a shell.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include "operations/operations.h"
#include "commands/commands.h"
#include "screen/screen.h"

static char errmesg[ERRMESGSIZE];

[[gnu::format(printf, 1, 2)]] static void refusef(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(errmesg, sizeof errmesg, fmt, ap);
    va_end(ap);
    refuse(errmesg);
}

void deletefile()
{
    if (unlink(curfile) != 0)
        refuse("Unable to delete file");
}

// ------------------------------------------------------------------ NEWNAME

static bool writeall(int fd, const char *buf, ssize_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, buf, static_cast<size_t>(n));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        buf += w;
        n -= w;
    }
    return true;
}

// A move to another file system: the file is copied to a new file beside
// the destination, which takes the destination's name only when complete;
// the source goes last.
static bool movefile(const char *from, const char *to)
{
    int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st;
    std::string tmp = to;
    size_t slash = tmp.rfind('/');
    tmp = (slash == std::string::npos ? std::string(".") : tmp.substr(0, slash)) + "/.kelXXXXXX";
    int out = fstat(in, &st) == 0 && S_ISREG(st.st_mode) ? mkstemp(tmp.data()) : -1;
    bool ok = out >= 0;
    static char buf[1 << 16];
    while (ok) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeall(out, buf, n);
    }
    close(in);
    if (out >= 0) {
        ok = ok && fchmod(out, st.st_mode & 07777) == 0 && fsync(out) == 0;
        ok = close(out) == 0 && ok;
        ok = ok && std::rename(tmp.c_str(), to) == 0;
        if (!ok)
            unlink(tmp.c_str());
    }
    return ok && unlink(from) == 0;
}

// NAME: the corefile takes the file name given.
void namefile() { nmeset(curfile); }

void newname()
{
    if (curfile[0] == 0) {
        refuse("Empty current file name");
        return;
    }
    if (targetstring[0] == 0) {
        refuse("Empty destination file name");
        return;
    }
    struct stat st;
    if (lstat(targetstring, &st) == 0) {
        std::snprintf(errmesg, sizeof errmesg, " Overwrite file:%s?", targetstring);
        if (diserr(errmesg) == 2) {
            del = 2;
            return;
        }
    }
    if (std::rename(curfile, targetstring) == 0)
        return;
    int err = errno;
    if (err == EXDEV && movefile(curfile, targetstring))
        return;
    refusef("Couldn't rename file:errno=%d", err == EXDEV ? errno : err);
}

// ------------------------------------------------------------------- UPDATE

// The corefile written whole to a new file `name`, with the permissions of
// the file it replaces; false, and no file left, when anything failed.
static bool writenew(const char *name, mode_t perms)
{
    int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (fchmod(fd, perms) != 0) {
        // the file keeps the default permissions
    }
    std::FILE *out = fdopen(fd, "wb");
    if (out == nullptr) {
        close(fd);
        unlink(name);
        return false;
    }
    param[2] = 1;
    param[3] = LASTLINE;
    bool ok = pfile(out) == 0;
    ok = std::fflush(out) == 0 && !std::ferror(out) && ok;
    ok = ok && fsync(fileno(out)) == 0;
    ok = std::fclose(out) == 0 && ok;
    if (!ok)
        unlink(name);
    return ok;
}

// The file moves to its ".bak" name and the corefile is saved under the
// file's name. A save that fails leaves the ".bak" file and says so.
void update()
{
    COREFILE &f = curcore();
    if (f.filname[0] == 0) {
        refuse("Empty filename");
        return;
    }
    struct stat st;
    if (stat(f.filname, &st) != 0) {
        refuse("File not saved, do the SAve command first");
        return;
    }
    std::string bak = std::string(f.filname) + ".bak";
    if (std::rename(f.filname, bak.c_str()) != 0) {
        refusef("Unable to create .bak file:errno=%d. Update cancelled.", errno);
        return;
    }
    if (!writenew(f.filname, st.st_mode & 07777)) {
        ioerr = IOWRITE;
        savefailures |= 1u << corenum;
        refusef("Update failed: old file kept as %s", bak.c_str());
        return;
    }
    f.edited = false;
    savefailures &= ~(1u << corenum);
}

// --------------------------------------------------------------------- LIST

// The listing program runs on its own: a forked child forks it and ends at
// once, so the editor reaps the child without waiting for the listing, and
// the listing is adopted by the system. A failed start is told back through
// a pipe that closes by itself when the program starts.
void list()
{
    const char *name = listfile[0] != 0 ? listfile : curcore().filname;
    if (name[0] == 0) {
        refuse("Input file name not specified and No Work file name");
        return;
    }
    const char *init = listinitfile[0] != 0 ? listinitfile : "list.init";
    char from[16], to[16], copies[16];
    std::snprintf(from, sizeof from, "%d", param[2]);
    std::snprintf(to, sizeof to, "%d", param[3]);
    std::snprintf(copies, sizeof copies, "%d", param[4]);
    constexpr int KEPTFDS = 10;       // the program gets none of descriptors 0..9
    int p[2];
    if (pipe(p) != 0) {
        refuse("Error in executing LIST: command not found?");
        return;
    }
    int rd = fcntl(p[0], F_DUPFD_CLOEXEC, KEPTFDS);
    int wr = fcntl(p[1], F_DUPFD_CLOEXEC, KEPTFDS);
    close(p[0]);
    close(p[1]);
    pid_t pid = rd >= 0 && wr >= 0 ? fork() : -1;
    if (pid == 0) {
        pid_t grandchild = fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int e = errno;
                if (write(wr, &e, sizeof e) < 0) {
                    // the editor sees the pipe close without word: nothing more to do
                }
            }
            _exit(0);
        }
        for (int fd = 0; fd < KEPTFDS; fd++)
            close(fd);
        execlp("list", "list", name, from, to, copies, init, static_cast<char *>(nullptr));
        int e = errno;
        if (write(wr, &e, sizeof e) < 0) {
            // nothing more can be told
        }
        _exit(127);
    }
    if (wr >= 0)
        close(wr);
    bool failed = pid < 0;
    if (pid > 0) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        int e = 0;
        ssize_t n;
        while ((n = read(rd, &e, sizeof e)) < 0 && errno == EINTR) {}
        failed = n > 0;
    }
    if (rd >= 0)
        close(rd);
    if (failed)
        refuse("Error in executing LIST: command not found?");
}
