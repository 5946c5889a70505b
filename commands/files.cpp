// Files on disk: the checkers the file commands run before their operation,
// and string files (procedures and templates) read whole into memory, with
// the brace notation between '~' characters.
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include "commands/commands.h"
#include "screen/screen.h"

char stringbuf[STRINGFILESIZE];       // string file being read for a template

// Procedures run from their own buffers: a procedure may load another one
// while its own text is still on the input stack. With at most NSTRINGS
// strings stacked, one of these is always free.
static char procbuf[NSTRINGS + 1][STRINGFILESIZE];

// ------------------------------------------------------------ checkers

static bool refuse(const char *message)
{
    diserr(message);
    del = 2;
    return false;
}

static bool named()
{
    return curfile[0] != 0 || refuse("Empty filename");
}

// A file that opens for reading and is not a directory.
static bool readable(const char *name)
{
    int fd = open(name, O_RDONLY);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    close(fd);
    return ok;
}

void fpr()
{
    if (named() && !readable(curfile))
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
    int fd = open(curfile, O_WRONLY);
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
    std::FILE *f = std::fopen(name, "rb");
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

void fetchfile() {}
void appendfile() {}
void insrtfile() {}
void savefile() {}
void ovrwritefile() {}
void join() {}
