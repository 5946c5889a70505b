// Files on disk: the checkers the file commands run before their operation,
// string files (procedures and templates) read whole into memory with the
// brace notation between '~' characters, and text files read into and
// written from corefiles, line ranges and object prefixes included.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#if __has_include(<stdio_ext.h>)
#include <stdio_ext.h>
#endif
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include "commands/commands.h"
#include "screen/screen.h"
#include "operations/operations.h"

char stringbuf[STRINGFILESIZE];       // string file being read for a template
uint32_t savefailures;

// Procedures run from their own buffers: a procedure may load another one
// while its own text is still on the input stack. With at most NSTRINGS
// strings stacked, one of these is always free.
static char procbuf[NSTRINGS + 1][STRINGFILESIZE];

// ------------------------------------------------------------ checkers

static bool named()
{
    return curfile[0] != 0 || refuse("Empty filename");
}

// A file that opens for reading (a regular file, so not a directory).
static bool readable(const char *name)
{
    int fd = openregular(name);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

// The file stays open for the operation (see keepregular).
void fpr()
{
    if (named() && !keepregular(curfile))
        refuse("File not found (or no read permission)");
}

bool fprs()
{
    return curfile[0] != 0 && readable(curfile);
}

void fpw()
{
    if (!named())
        return;
    int fd = open(curfile, O_WRONLY | O_NONBLOCK);  // a FIFO without a reader must not block
    if (fd < 0) {
        refuse("File not found (or no write permission)");
        return;
    }
    close(fd);
}

void faw()
{
    if (!named())
        return;
    int fd = open(curfile, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
        savefailures |= 1u << corenum;
        refuse("File already exists (or no write permission)");
        return;
    }
    close(fd);
}

void fpx()
{
    if (!named())
        return;
    struct stat st;
    if (stat(curfile, &st) != 0 || S_ISDIR(st.st_mode))
        refuse("Requested file cannot be located (or is not executable)!");
}

// ------------------------------------------------------------ string files

// Reads file `name` into buf as a string: CR dropped, LF stored as RETURN,
// '~' switching the brace notation on and off. At most size - 1 characters
// are kept, then a NUL. A longer file is cut with " File Truncated " (a
// rubout answer sets del to 2). Returns the length, -1 when the file cannot
// be opened.
int readfile(const char *name, char *buf, int size)
{
    if (size < 1)
        return -1;
    std::FILE *f = fopenregular(name);
    if (f == nullptr)
        return -1;
    int n = 0;
    bool on = false;
    bool cut = false;
    ctrlmode = 0;
    xlate = 1;
    for (int ch; (ch = std::getc(f)) != EOF && ch != 0xFF;) {
        if (ch == '\r')
            continue;
        if (ch == '~') {
            on = !on;
            continue;
        }
        char out[2];
        char *p = out;
        int k = 1;
        if (ch == '\n')
            out[0] = 13;
        else if (on)
            k = transchar(static_cast<char>(ch), &p);
        else
            out[0] = static_cast<char>(ch);
        if (n + k > size - 1) {
            cut = true;
            break;
        }
        for (int j = 0; j < k; j++)
            buf[n++] = out[j];
    }
    buf[n] = 0;
    std::fclose(f);
    if (cut && diserr(" File Truncated ") == 2)
        del = 2;
    return n;
}

// A procedure buffer that no stacked string is reading from.
static char *freeprocbuf()
{
    std::less<const char *> below;
    for (auto &b : procbuf) {
        bool used = false;
        for (int i = 1; i <= fnptr && i <= NSTRINGS; i++) {
            const char *s = fnstack[i];
            if (s != nullptr && !below(s, b) && below(s, b + STRINGFILESIZE))
                used = true;
        }
        if (!used)
            return b;
    }
    return nullptr;
}

void loadfile()
{
    char *b = freeprocbuf();
    if (b == nullptr) {               // cannot happen: one buffer more than strings
        del = 2;
        return;
    }
    if (readfile(curfile, b, STRINGFILESIZE) < 0) {
        refuse("File not found (or no read permission)");
        return;
    }
    if (del == 2)
        return;
    pushfn(b);
}

// ------------------------------------------------------------ text files

int lfonly = 1;                       // 1: lines are written with LF; 0: with CR LF
int fetchstyle = 1;                   // 1: backslash prefixes give objects; 2: every line is text
int octflag = 0;                      // 0: TAB expanded to the next stop on reading; 1: kept
int ioerr;                            // outcome of the last transfer: 0 or one of IOTRUNC..IONOFILE
int linetype;                         // object of the line gline read last
volatile std::sig_atomic_t abortreq;  // the interrupt key asks the load in hand to stop
volatile std::sig_atomic_t endreq;    // set by the handler of the ending signals

static std::FILE *fptr;               // the file being read
static int64_t pichandle;             // picture of the line-drawing line read last

void initfiles()
{
    savefailures = 0;
    lfonly = 1;
    fetchstyle = 1;
    octflag = 0;
    ioerr = 0;
    linetype = 0;
    abortreq = 0;
}

int tabcol(int col)
{
    if (col < lmargin)
        return 0;
    if (col == lmargin || col >= rmargin)
        return 1;
    if (col <= NTABCOLS)
        return tabs[col] != 0;
    return col % 8 == 0;
}

// Line drawings carry no data in this system: the reader finds no picture
// (handle 0) and never fails, the writer writes nothing.
// Until they do, a line that would start one is read as text, whole, so
// that it is written back as it was.
static constexpr bool PICTURES = false;
static int64_t fetchpic() { return 0; }
static int savepic(std::FILE *, const LINE *) { return 0; }

static int64_t dropped;               // bytes 255 left out since the load began

// The record check of FETCH, APPEND and INSERT with a check string in
// recboolcheck: whether a line just read is kept. The check itself is the
// search's record check (a record line is kept when its check bits, with
// the don't-care mask, give the required value; other lines are dropped).
static bool recordcheck(const LINE *line)
{
    return line == curcore().lnptr && reccheck();
}

// First and last line of a transfer, from param[2] and param[3]. Both 0
// mean the whole file; the default last line reaches the end, however
// many lines the file or the corefile holds.
static void lrange(int &first, int &last)
{
    first = param[2];
    last = param[3];
    if (first == 0 && last == 0) {
        first = 1;
        last = LASTLINE;
    }
    if (last >= LASTLINE)
        last = INT_MAX;
}

static void freearena(int64_t from, int64_t to)
{
    if (to > from)
        std::memset(textbase + from, FREECH, static_cast<size_t>(to - from));
}

static int prefixobject(unsigned char c)
{
    switch (c) {
    case 'r': return 1;
    case 'l': return 2;
    case 'm': return 3;
    case 'h': return 4;
    case 'a': return 6;
    default: return -1;
    }
}

// A stream only this thread uses: no lock taken per call.
static void ownstream(std::FILE *f)
{
#if __has_include(<stdio_ext.h>)
    __fsetlocking(f, FSETLOCKING_BYCALLER);
#else
    (void)f;
#endif
}

// Copies to `to` the run of plain characters (blank to byte 254) that the
// stream already holds in its buffer, at most `room` of them, and returns how
// many. With glibc, getc_unlocked takes each character from between
// _IO_read_ptr and _IO_read_end of the stream; this takes a whole run from
// there in the same way. Elsewhere it copies nothing and getc_unlocked reads
// every character.
static size_t plainrun(std::FILE *in, unsigned char *to, int64_t room)
{
#if defined(__GLIBC__)
    const auto *p = reinterpret_cast<const unsigned char *>(in->_IO_read_ptr);
    const auto *e = reinterpret_cast<const unsigned char *>(in->_IO_read_end);
    if (p == nullptr || p >= e || room <= 0)
        return 0;
    size_t most = static_cast<size_t>(e - p);
    if (static_cast<uint64_t>(room) < most)
        most = static_cast<size_t>(room);
    size_t n = 0;
    while (n < most && p[n] >= ' ' && p[n] != FREECH)
        n++;
    std::memcpy(to, p, n);
    in->_IO_read_ptr += n;
    return n;
#else
    (void)in, (void)to, (void)room;
    return 0;
#endif
}

// Reads one line of `in` into the arena from avail without claiming the
// space: the caller allocates the line. A line ends at LF or VT, or at the
// end of the file when it holds anything but CRs. CR and byte 255 (the
// arena's free mark) are dropped, TAB is expanded unless octflag is set,
// trailing blanks are trimmed and a backslash prefix gives the object.
// Sets ioerr to IOEOF when the file has no further line, to IOTRUNC when the
// line would pass hiaddr or the file cannot be read; either way nothing is
// kept and 0 is returned.
int gline(std::FILE *in)
{
    const int64_t start = avail;
    const int64_t end = hiaddr < TEXTSIZE ? hiaddr : TEXTSIZE;
    int64_t at = start;
    bool any = false;
    int err = 0;
    int c;
    for (;;) {
        if (size_t n = plainrun(in, textbase + at, end - at); n > 0) {
            at += static_cast<int64_t>(n);
            any = true;
        }
        c = getc_unlocked(in);
        if (c >= ' ' && c != FREECH) {       // the common case, kept short
            if (at >= end) {
                err = IOTRUNC;
                break;
            }
            textbase[at++] = static_cast<unsigned char>(c);
            any = true;
            continue;
        }
        if (c == EOF || c == '\n' || c == 11)
            break;
        if (c == '\r')
            continue;
        any = true;
        if (c == FREECH) {
            dropped++;
            continue;
        }
        if (c == '\t' && octflag == 0) {
            do {
                if (at >= end) {
                    err = IOTRUNC;
                    break;
                }
                textbase[at++] = ' ';
            } while (!tabcol(static_cast<int>(at - start) + 1));
        } else if (at >= end) {
            err = IOTRUNC;
        } else {
            textbase[at++] = static_cast<unsigned char>(c);
        }
        if (err != 0)
            break;
    }
    if (c == EOF && std::ferror(in))
        err = IOTRUNC;
    else if (c == EOF && !any && err == 0)
        err = IOEOF;
    if (err != 0) {
        ioerr = err;
        freearena(start, at);
        return 0;
    }
    while (at > start && textbase[at - 1] == ' ')
        textbase[--at] = FREECH;
    int n = static_cast<int>(at - start);
    linetype = n == 0 ? 5 : 0;
    if (fetchstyle == 1 && n >= 2 && textbase[start] == '\\') {
        int object = prefixobject(textbase[start + 1]);
        if (object == 2 && !PICTURES) {
            object = -1;
        } else if (object == 2) {
            freearena(start, at);
            n = 0;
            pichandle = fetchpic();
        } else if (object >= 0) {
            std::memmove(textbase + start, textbase + start + 2, static_cast<size_t>(n - 2));
            freearena(at - 2, at);
            n -= 2;
        }
        if (object >= 0)
            linetype = object;
    }
    return n;
}

// Reads past one line; IOEOF when there was none.
static void skipline(std::FILE *in)
{
    bool any = false;
    int c;
    while ((c = getc_unlocked(in)) != EOF && c != '\n' && c != 11)
        if (c != '\r')
            any = true;
    if (c == EOF && std::ferror(in))
        ioerr = IOTRUNC;
    else if (c == EOF && !any)
        ioerr = IOEOF;
}

// Reads the lines of curfile in the range after the current line, each
// becoming the current line in turn. Stops early with IOTRUNC when the store
// runs out of room or records, or when the interrupt key asks for it.
void gfile()
{
    abortreq = 0;
    dropped = 0;
    int first, last;
    lrange(first, last);
    bool check = recboolcheck[0] != 0;
    ioerr = 0;
    fptr = fopenregular(curfile);
    if (fptr == nullptr) {
        ioerr = IONOFILE;
        return;
    }
    static char inbuf[1 << 16];
    std::setvbuf(fptr, inbuf, _IOFBF, sizeof inbuf);
    ownstream(fptr);
    COREFILE &f = curcore();
    while (last >= 1 && ioerr == 0) {
        if (first < 2) {
            if (reserve == nullptr) {
                ioerr = IOTRUNC;
                break;
            }
            int n = gline(fptr);
            if (ioerr == 0) {
                allocln(linetype, n);
                LINE *line = f.lnptr;
                if (linetype == 2)
                    line->index = pichandle;
                if (!check) {
                    if (linetype != 5)
                        linkphys();
                } else if (recordcheck(line)) {
                    linkphys();
                } else {
                    removeline();     // the current line is the one before it again
                    avail -= n;
                }
            }
        } else {
            skipline(fptr);
        }
        if (first > 1)
            first--;
        last--;
        if (stopping()) {
            abortreq = 0;
            if (ioerr == 0)
                ioerr = IOTRUNC;
        }
        if (reserve == nullptr && ioerr == 0)
            ioerr = IOTRUNC;
    }
    std::fclose(fptr);
    fptr = nullptr;
}

// Refusals and warnings wait for an answer: rubout makes the command fail.
static void complain(const char *message)
{
    if (diserr(message) == 2)
        del = 2;
}

void getfile()
{
    gfile();
    if (ioerr == IOTRUNC)
        complain(" File Truncated ");
    else if (ioerr == IOPIC)
        complain(" Bad Picture Encountered ");
    else if (ioerr == IONOFILE)
        refuse("File not found (or no read permission)");
    if (dropped > 0) {                // the arena cannot hold them
        char msg[80];
        std::snprintf(msg, sizeof msg, " %lld characters of code 255 dropped ",
                      static_cast<long long>(dropped));
        diserr(msg);
    }
}

void fetchfile()
{
    removefile();
    initfile();
    garbage();
    getfile();
    COREFILE &f = curcore();
    if (f.lncount == 0) {
        allocln(5, 0);
        makeobject();
    }
    nmeset(curfile);
    wrwholescreen();
}

// INSERT and APPEND: the file's lines follow `after`; the cursor stays.
static void readafter(LINE *after)
{
    COREFILE &f = curcore();
    LINE *keep = f.lnptr;
    int col = f.curcol;
    f.lnptr = after;
    getfile();
    f.lnptr = keep;
    f.curcol = col;
    f.edited = true;
    redisplay = RWINDOW;
}

void insrtfile()
{
    readafter(curcore().lnptr);
}

void appendfile()
{
    readafter(curcore().header->up);
}

// ------------------------------------------------------------ writing

const char *lineprefix(int object)
{
    switch (object) {
    case 0:
    case 5: return "";
    case 1: return "\\r";
    case 2: return "\\l";
    case 3: return "\\m";
    case 4: return "\\h";
    case 6: return "\\a";
    default: return nullptr;          // not written
    }
}

static bool lineend(std::FILE *out)
{
    if (lfonly == 0 && putc_unlocked('\r', out) == EOF)
        return false;
    return putc_unlocked('\n', out) != EOF;
}

// The line's characters and its line end; false when the stream refused them.
static bool putl(std::FILE *out, const LINE *line)
{
    if (line->object != 2 && line->length > 0) {
        auto n = static_cast<size_t>(line->length);
        if (std::fwrite(textbase + line->index, 1, n, out) != n)
            return false;
    }
    return lineend(out);
}

// One line with its object prefix; a line drawing's data follows its line.
static bool pline(std::FILE *out, const LINE *line)
{
    const char *p = lineprefix(line->object);
    if (p == nullptr)
        return true;
    if (p[0] != 0 && std::fwrite(p, 1, 2, out) != 2)
        return false;
    if (!putl(out, line))
        return false;
    return line->object != 2 || savepic(out, line) == 0;
}

int pfile(std::FILE *out)
{
    int first, last;
    lrange(first, last);
    ioerr = 0;
    detrfile();
    const COREFILE &f = curcore();
    for (const LINE *line = f.header->down; line != f.header && last >= 1; line = line->down) {
        if (first < 2 && !pline(out, line)) {
            ioerr = IOWRITE;
            break;
        }
        if (first > 1)
            first--;
        last--;
    }
    if (std::ferror(out))
        ioerr = IOWRITE;
    return ioerr;
}

// Flushes and closes a stream pfile wrote to; false when anything failed on
// the way. With `sync` the data reaches the disk before the file is renamed.
static bool finish(std::FILE *out, bool ok, bool sync)
{
    if (std::fflush(out) != 0 || std::ferror(out))
        ok = false;
    if (ok && sync && fsync(fileno(out)) != 0)
        ok = false;
    if (std::fclose(out) != 0)
        ok = false;
    return ok;
}

static void writestream(std::FILE *out)
{
    static char outbuf[1 << 16];
    std::setvbuf(out, outbuf, _IOFBF, sizeof outbuf);
    ownstream(out);
}

// Writes the range to file `name`, opened with `how` ("wb" truncates, "ab"
// appends). An append that fails takes a regular file back to its old end.
static bool putfile(const char *name, const char *how)
{
    std::FILE *out = std::fopen(name, how);
    if (out == nullptr)
        return false;
    writestream(out);
    int keep = -1;
    off_t size = 0;
    struct stat st;
    if (how[0] == 'a' && fstat(fileno(out), &st) == 0 && S_ISREG(st.st_mode)) {
        size = st.st_size;
        keep = dup(fileno(out));
    }
    bool ok = finish(out, pfile(out) == 0, false);
    if (keep >= 0) {
        if (!ok && ftruncate(keep, size) != 0) {
            // nothing more can be done: the message says the write failed
        }
        close(keep);
    }
    return ok;
}

// Writes the range over file `name` itself. The text is made in memory
// first, and a regular file gets the room for it before a byte of the old
// text is touched: a file system without that room leaves the file whole.
static bool putinplace(const char *name)
{
    char *data = nullptr;
    size_t size = 0;
    std::FILE *mem = open_memstream(&data, &size);
    if (mem == nullptr)
        return false;
    bool ok = pfile(mem) == 0;
    ok = std::fclose(mem) == 0 && ok;
    std::unique_ptr<char, decltype(&std::free)> text(data, &std::free);
    if (!ok)
        return false;
    int fd = open(name, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && size > 0 && posix_fallocate(fd, 0, static_cast<off_t>(size)) != 0) {
        close(fd);
        return false;
    }
    for (size_t done = 0; ok && done < size;) {
        ssize_t n = regular ? pwrite(fd, data + done, size - done, static_cast<off_t>(done))
                            : write(fd, data + done, size - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            ok = false;
    }
    if (ok && regular && (ftruncate(fd, static_cast<off_t>(size)) != 0 || fsync(fd) != 0))
        ok = false;
    return close(fd) == 0 && ok;
}

// Replaces file `name` by the range without ever leaving it half written:
// a regular file is written whole to a new file in its directory, with its
// permissions, which then takes its place. Devices, pipes, files with more
// than one link, and files in a directory where nothing can be created are
// written in place.
static bool replacefile(const char *name)
{
    char real[PATH_MAX];
    const char *target = realpath(name, real) != nullptr ? real : name;
    struct stat st;
    if (stat(target, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
        return putinplace(name);
    std::string tmp = target;
    size_t slash = tmp.rfind('/');
    tmp = (slash == std::string::npos ? std::string(".") : tmp.substr(0, slash)) + "/.kelXXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return putinplace(name);
    if ((st.st_uid != geteuid() || st.st_gid != getegid()) && fchown(fd, st.st_uid, st.st_gid) != 0) {
        // the new file stays ours: only its owner differs from the old one's
    }
    bool ok = fchmod(fd, st.st_mode & 07777) == 0;
    std::FILE *out = fdopen(fd, "wb");
    if (out == nullptr) {
        close(fd);
        ok = false;
    } else {
        writestream(out);
        ok = finish(out, ok && pfile(out) == 0, true);
    }
    if (ok && std::rename(tmp.c_str(), target) != 0)
        ok = false;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

static void writefailed()
{
    savefailures |= 1u << corenum;
    if (ioerr == 0)
        ioerr = IOWRITE;
    diserr(" Write Failed ");
    del = 2;
}

// The checker created the file empty; a failed write takes it away again,
// so that the command can be repeated.
void savefile()
{
    if (!putfile(curfile, "wb")) {
        unlink(curfile);
        writefailed();
        return;
    }
    curcore().edited = false;
    savefailures &= ~(1u << corenum);
}

void ovrwritefile()
{
    COREFILE &f = curcore();
    if (std::strncmp(curfile, f.filname, sizeof f.filname) != 0 &&
        diserr(" Check name, not file fetched ") == 2) {
        del = 2;
        return;
    }
    if (!replacefile(curfile)) {
        writefailed();
        return;
    }
    f.edited = false;
    savefailures &= ~(1u << corenum);
}

void join()
{
    if (!putfile(curfile, "ab"))
        writefailed();
}
