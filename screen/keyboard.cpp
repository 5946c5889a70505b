// Raw bytes from the current keystroke source. Standard output is flushed
// whenever the editor is about to wait, so a front end sees every message
// before it has to answer.
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include "screen/screen.h"

KEYSOURCE stdinsource = {0, 0, 0, false, {}};
KEYSOURCE *inptr = &stdinsource;

// Waits until the source or the signal pipe has something; false when a
// signal must be acted on first.
static bool waitinput(int fd)
{
    if (sigfd < 0)
        return true;
    pollfd fds[2] = {{fd, POLLIN, 0}, {sigfd, POLLIN, 0}};
    for (;;) {
        int n = poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            return !sigpoll();
        if (n < 0)
            return true;                // let read() report the error
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (read(sigfd, drain, sizeof drain) > 0) {}
            if (sigpoll())
                return false;
        }
        if (fds[0].revents)
            return true;
    }
}

int kelgetc()
{
    KEYSOURCE *s = inptr;
    if (s->pos < s->len)
        return s->buf[s->pos++];
    if (s->eof)
        return -1;
    flushout();
    if (sigpoll() || !waitinput(s->fd))
        return -2;
    for (;;) {
        ssize_t n = read(s->fd, s->buf, sizeof s->buf);
        if (n > 0) {
            s->pos = 1;
            s->len = static_cast<int>(n);
            return s->buf[0];
        }
        if (n < 0 && errno == EINTR) {
            if (sigpoll())
                return -2;
            continue;
        }
        s->eof = true;
        return -1;
    }
}
