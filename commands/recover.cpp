// Recovery files: when the editor is told to end by a signal, every corefile
// with unsaved changes is written beside its file as "<name>.save", or as
// "kel<n>.save" in the working directory when it has no name. An existing
// file is never written over: a number is added to the name instead.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include "commands/commands.h"

inline constexpr int NRECOVERYNAMES = 100;   // "<name>.save", then "<name>.save1" ...

// Creates a new recovery file for corefile n; -1 when every name is taken.
static int createrecovery(int n, std::string &name)
{
    const COREFILE &f = core[n];
    std::string base = f.filname[0] != 0 ? std::string(f.filname) + ".save"
                                         : "kel" + std::to_string(n) + ".save";
    for (int i = 0; i < NRECOVERYNAMES; i++) {
        name = i == 0 ? base : base + std::to_string(i);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

static bool writerecovery(int n, std::string &name)
{
    int fd = createrecovery(n, name);
    if (fd < 0)
        return false;
    std::FILE *out = fdopen(fd, "wb");
    if (out == nullptr) {
        close(fd);
        unlink(name.c_str());
        return false;
    }
    int keep = corenum;
    corenum = n;
    param[2] = param[3] = 0;          // every line
    bool ok = pfile(out) == 0;
    corenum = keep;
    ok = std::fflush(out) == 0 && fsync(fileno(out)) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    if (!ok)
        unlink(name.c_str());
    return ok;
}

int recoverfiles()
{
    int failed = 0;
    for (int n = 0; n < NCORE; n++) {
        if (core[n].header == nullptr || !core[n].edited)
            continue;
        std::string name;
        if (writerecovery(n, name)) {
            std::fprintf(stderr, "kel: corefile %d saved in %s\n", n, name.c_str());
        } else {
            std::fprintf(stderr, "kel: corefile %d could not be saved\n", n);
            failed++;
        }
    }
    return failed;
}

// ------------------------------------------------- from a signal handler

// When the editor cannot reach the point where it ends by itself, a second
// ending signal writes the recovery files from its handler. Only calls that
// are safe there are made (open, write, fsync, close), names and messages
// are built by hand, and the line chain is read with every step checked,
// since the interrupted code may have been changing it.
namespace {

inline constexpr size_t FASTBUFSIZE = 1 << 16;
char fastbuf[FASTBUFSIZE];
size_t fastused;
bool fastok;

void fastflush(int fd)
{
    size_t done = 0;
    while (fastok && done < fastused) {
        ssize_t n = write(fd, fastbuf + done, fastused - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            fastok = false;
    }
    fastused = 0;
}

void fastput(int fd, const void *data, size_t n)
{
    const char *p = static_cast<const char *>(data);
    while (n > 0 && fastok) {
        if (fastused == FASTBUFSIZE)
            fastflush(fd);
        size_t k = std::min(n, FASTBUFSIZE - fastused);
        std::memcpy(fastbuf + fastused, p, k);
        fastused += k;
        p += k;
        n -= k;
    }
}

// Appends text to a name of `size` bytes, always terminated.
void addname(char *name, size_t size, const char *text)
{
    size_t used = std::strlen(name);
    for (; *text != 0 && used + 1 < size; text++)
        name[used++] = *text;
    name[used] = 0;
}

void addnumber(char *name, size_t size, int n)
{
    char digits[12];
    int k = 0;
    do {
        digits[k++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0 && k < 11);
    char text[12];
    for (int i = 0; i < k; i++)
        text[i] = digits[k - 1 - i];
    text[k] = 0;
    addname(name, size, text);
}

void say(const char *text)
{
    ssize_t n = write(STDERR_FILENO, text, std::strlen(text));
    (void)n;
}

bool fastwrite(int n, int fd)
{
    const COREFILE &f = core[n];
    fastused = 0;
    fastok = true;
    int64_t left = int64_t{f.lncount} + TEXTSIZE;  // a chain that loops still ends
    for (const LINE *l = f.header->down; l != nullptr && l != f.header && left > 0 && fastok;
         l = l->down, left--) {
        const char *p = lineprefix(l->object);
        if (p == nullptr)
            continue;
        fastput(fd, p, std::strlen(p));
        if (l->object != 2 && l->length > 0 && l->index >= 0 && l->index + l->length <= TEXTSIZE)
            fastput(fd, textbase + l->index, static_cast<size_t>(l->length));
        fastput(fd, lfonly == 0 ? "\r\n" : "\n", lfonly == 0 ? 2 : 1);
    }
    fastflush(fd);
    return fsync(fd) == 0 && fastok;
}

} // namespace

void recoverfast()
{
    for (int n = 0; n < NCORE; n++) {
        if (core[n].header == nullptr || !core[n].edited)
            continue;
        char base[NAMESIZE + 16] = "";
        if (core[n].filname[0] != 0) {
            char given[NAMESIZE];
            std::memcpy(given, core[n].filname, NAMESIZE);
            given[NAMESIZE - 1] = 0;
            addname(base, sizeof base, given);
        } else {
            addname(base, sizeof base, "kel");
            addnumber(base, sizeof base, n);
        }
        addname(base, sizeof base, ".save");
        char name[NAMESIZE + 32];
        int fd = -1;
        for (int i = 0; i < NRECOVERYNAMES && fd < 0; i++) {
            name[0] = 0;
            addname(name, sizeof name, base);
            if (i > 0)
                addnumber(name, sizeof name, i);
            fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        char msg[sizeof name + 64] = "kel: corefile ";
        addnumber(msg, sizeof msg, n);
        if (fd >= 0 && fastwrite(n, fd)) {
            addname(msg, sizeof msg, " saved in ");
            addname(msg, sizeof msg, name);
        } else {
            if (fd >= 0)
                unlink(name);
            addname(msg, sizeof msg, " could not be saved");
        }
        if (fd >= 0)
            close(fd);
        addname(msg, sizeof msg, "\n");
        say(msg);
    }
}
