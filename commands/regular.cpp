// Opening files to read. Only regular files are read: a device, a FIFO or a
// directory could block the open or never end, so the open does not wait
// and the kind of file is checked before anything is read.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "commands/commands.h"

int openregular(const char *name)
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
    return fd;                        // reads of a regular file never wait: O_NONBLOCK may stay
}

std::FILE *fopenregular(const char *name)
{
    int fd = openregular(name);
    if (fd < 0)
        return nullptr;
    std::FILE *f = fdopen(fd, "rb");
    if (f == nullptr)
        close(fd);
    return f;
}
