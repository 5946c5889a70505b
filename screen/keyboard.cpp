// Raw bytes from the current keystroke source. Standard output is flushed
// whenever the editor is about to wait, so a front end sees every message
// before it has to answer.
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include "screen/screen.h"
#include "commands/commands.h"

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

// The end of a terminal's input is its other side going away (a closed
// window): the read fails with EIO, or gives nothing on a terminal in the
// editor's character mode, where no key reads as an end. A terminal in line
// mode ends its input with C-D, which stays an end of input as on a pipe.
static bool inputgone(int fd, int err)
{
    if (err == EIO)
        return true;
    if (err != 0)
        return false;
    if (isatty(fd))
        return termactive();
    return errno == EIO;
}

static int rawgetc()
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
        if (s == &stdinsource && inputgone(s->fd, n < 0 ? errno : 0))
            termgone();
        s->eof = true;
        return -1;
    }
}

// ------------------------------------------------------ UTF-8 from a terminal

static constexpr int REFUSED = -3;

static bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes of the sequence a lead byte starts; 1 for a byte no sequence starts with.
static int seqlength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

// Only printable Latin-1 characters are taken; the free-character code never
// enters the text. A letter an escape key delivers arrives as that key.
int utf8key(const unsigned char *seq, int n)
{
    if (n != 2 || seqlength(seq[0]) != 2 || !continuation(seq[1]))
        return REFUSED;
    int ch = (seq[0] & 0x1F) << 6 | (seq[1] & 0x3F);
    if (ch < 0xA0 || ch > 0xFF || ch == FREECH)
        return REFUSED;
    for (int ix = ESCPLANE1; ix < NUMPLANE && ix < NCHARMAP; ix++) {
        int t = intran[ix];
        if (t >= 2 && t <= 4 && char_map[ix] == ch)
            return KEYENTRY + ix;
    }
    return KEYTEXT + ch;
}

static int pushedback = -1;           // a byte that ended a sequence too soon

int kelgetc()
{
    for (;;) {
        int c;
        if (pushedback >= 0 && inptr == &stdinsource) {
            c = pushedback;
            pushedback = -1;
        } else {
            c = rawgetc();
        }
        if (c < 0x80 || inptr != &stdinsource || !viewutf8keys())
            return c;
        unsigned char seq[4] = {static_cast<unsigned char>(c)};
        int need = seqlength(seq[0]), n = 1;
        while (n < need) {
            int d = rawgetc();
            if (d == -2)
                continue;               // the rest of the sequence is on its way
            if (d < 0)
                return d;
            if (!continuation(static_cast<unsigned char>(d))) {
                pushedback = d;
                break;
            }
            seq[n++] = static_cast<unsigned char>(d);
        }
        int key = utf8key(seq, n);
        if (key != REFUSED)
            return key;
        termbeep();
        termrefresh();                  // a burst of input may end here
    }
}
