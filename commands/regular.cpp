// Opening files to read. Only regular files are read: a device, a FIFO or a
// directory could block the open or never end, so the open does not wait
// and the kind of file is checked before anything is read. A file that a
// command's checker found readable stays open for the command's operation,
// which would otherwise open it a second time; a small file is read whole at
// once and its stream reads from memory.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include "commands/commands.h"

static int keptfd = -1;               // the checked file, open, or -1
static std::string keptname;          // its name as the checker was given it
static int64_t keptsize;              // its size when checked

static int openfd(const char *name, int64_t *size)
{
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = ENOENT;
        return -1;
    }
    if (size != nullptr)
        *size = st.st_size;
    return fd;                        // reads of a regular file never wait: O_NONBLOCK may stay
}

int openregular(const char *name, int64_t *size)
{
    if (keptfd >= 0 && keptname == name) {
        int fd = keptfd;
        keptfd = -1;
        if (size != nullptr)
            *size = keptsize;
        return fd;
    }
    return openfd(name, size);
}

bool keepregular(const char *name)
{
    forgetregular();
    keptfd = openfd(name, &keptsize);
    if (keptfd < 0)
        return false;
    keptname = name;
    return true;
}

void forgetregular()
{
    if (keptfd >= 0)
        close(keptfd);
    keptfd = -1;
}

// ------------------------------------------------------------ whole files

struct wholefile {
    std::string text;
    size_t at = 0;                    // bytes read so far
};

static ssize_t wholeread(void *cookie, char *buf, size_t size)
{
    auto *w = static_cast<wholefile *>(cookie);
    size_t n = std::min(size, w->text.size() - w->at);
    std::memcpy(buf, w->text.data() + w->at, n);
    w->at += n;
    return static_cast<ssize_t>(n);
}

static int wholeclose(void *cookie)
{
    delete static_cast<wholefile *>(cookie);
    return 0;
}

// The rest of fd from its start, read until a read comes back short (the
// end of a regular file): one read when the size is still `size`. Null on
// a read error.
static std::FILE *readwhole(int fd, int64_t size)
{
    auto w = std::make_unique<wholefile>();
    size_t got = 0;
    w->text.resize(static_cast<size_t>(size) + 1);
    for (;;) {
        size_t want = w->text.size() - got;
        ssize_t n = read(fd, w->text.data() + got, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return nullptr;
        got += static_cast<size_t>(n);
        if (static_cast<size_t>(n) < want)
            break;
        w->text.resize(w->text.size() * 2);  // the file grew since it was measured
    }
    w->text.resize(got);
    std::FILE *f = fopencookie(w.get(), "rb", {wholeread, nullptr, nullptr, wholeclose});
    if (f != nullptr)
        w.release();
    return f;
}

std::FILE *fopenregular(const char *name, int64_t *size)
{
    int64_t n = 0;
    int fd = openregular(name, &n);
    if (fd < 0)
        return nullptr;
    if (size != nullptr)
        *size = n;
    std::FILE *f = nullptr;
    if (n <= WHOLEFILESIZE) {
        f = readwhole(fd, n);
        int e = errno;
        close(fd);
        errno = e;
        return f;
    }
    f = fdopen(fd, "rb");
    if (f == nullptr)
        close(fd);
    return f;
}
