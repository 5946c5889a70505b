// Record templates: the template string that places each field of a record
// on the screen, its layout into frow/fcol/maxfieldlen/ftype, its drawing in
// the record-template view, and TEMPLATE, which loads record and merge
// templates from files.
#include <cstdio>
#include <cstring>
#include <string>
#include "operations/operations.h"
#include "commands/commands.h"
#include "screen/screen.h"

const char *tempbufptr = nullptr;
const char *mrgbufptr = nullptr;
char templerr[TEMPLERRSIZE];

static std::string recordtempl;       // the loaded record template, ended by TEMPLEND
static std::string mergetempl;        // the loaded merge template

void inittemplates()
{
    std::string().swap(recordtempl);
    std::string().swap(mergetempl);
    tempbufptr = nullptr;
    mrgbufptr = nullptr;
    templerr[0] = 0;
}

// ------------------------------------------------------------------ layout

namespace {

// A walk over a template string. Rows and columns are those of the
// template; a field's screen position is two rows lower and a column right.
struct layout {
    const unsigned char *p = nullptr;
    int row = 1, col = 1;
    int line = 1;                     // line of the template file, for messages
    bool draw = false;
    bool placed = false;              // the front end's cursor is at row, col

    bool fail(const char *what)
    {
        std::snprintf(templerr, sizeof templerr, "Template line %d: %s", line, what);
        return false;
    }
    bool rowok(int r) const { return r >= 0 && r <= depth - 1; }
    bool colok(int c) const { return c >= 1 && c <= swidth; }
    bool inwindow(int r, int c) const { return rowok(r) && colok(c); }

    // A number of at most five digits after a directive letter; -1 if none.
    int number()
    {
        int n = -1;
        for (int digits = 0; *p >= '0' && *p <= '9'; p++, digits++)
            if (digits < 5)
                n = (n < 0 ? 0 : n * 10) + (*p - '0');
        return n;
    }

    // "#n/w/t" with p on the '#'.
    bool field()
    {
        p++;
        int n = number();
        if (n < 1 || n > NFIELDS)
            return fail("field number outside 1 to 100");
        int width = -1;
        char ftyp = 0;
        if (*p == '/') {
            p++;
            if (*p == '-')
                return fail("negative field width");
            bool typenext = true;     // "/t" may follow "/w" or stand alone
            if (*p >= '0' && *p <= '9') {
                width = number();
                typenext = *p == '/';
                if (typenext)
                    p++;
            }
            if (typenext && *p > ' ' && *p < 127 && *p != '{' && *p != '}')
                ftyp = static_cast<char>(*p++);
        }
        if (!inwindow(row, col))
            return fail("field outside the window");
        frow[n] = row + 2;
        fcol[n] = col + 1;
        if (width >= 0)
            maxfieldlen[n] = width;
        if (ftyp != 0)
            ftype[n] = ftyp;
        if (n > numfields)
            numfields = n;
        return true;
    }

    // Text past the right edge is not drawn; below the window it is refused.
    bool text(unsigned char ch)
    {
        if (!rowok(row))
            return fail("row outside the window");
        if (!colok(col))
            return true;
        if (draw) {
            if (!placed)
                postcur(col + 1, row + 2);
            placed = true;
            putch(ch);
        }
        col++;
        return true;
    }

    // One directive group, p past its '{'.
    bool group()
    {
        for (;;) {
            unsigned char ch = *p;
            if (ch == ' ' || ch == ',' || ch == 0) {
                p++;
            } else if (ch == '}') {
                p++;
                return true;
            } else if (ch == 'c' || ch == 'r') {
                p++;
                int n = number();
                if (ch == 'c' ? !colok(n) : !rowok(n))
                    return fail(ch == 'c' ? "column outside the window" : "row outside the window");
                (ch == 'c' ? col : row) = n;
                placed = false;
            } else if (ch == '#') {
                if (!field())
                    return false;
            } else if (ch == TEMPLEND) {
                return fail("directive group not closed");
            } else {
                return fail("unknown directive");
            }
        }
    }

    bool run()
    {
        while (*p != TEMPLEND) {
            unsigned char ch = *p;
            if (ch == 13) {
                row++;
                col = 1;
                line++;
                placed = false;
                p++;
            } else if (ch == '{') {
                p++;
                if (!group())
                    return false;
            } else if (ch == '}') {
                return fail("'}' outside a directive group");
            } else if (ch == '#' && p[1] >= '0' && p[1] <= '9') {
                if (!field())
                    return false;
                placed = false;
            } else {
                if (!text(ch))
                    return false;
                p++;
            }
        }
        return true;
    }
};

}  // namespace

int writetemplate(int draw)
{
    defaultlayout();
    templerr[0] = 0;
    if (tempbufptr == nullptr)
        return 0;
    numfields = 0;
    layout l;
    l.p = reinterpret_cast<const unsigned char *>(tempbufptr);
    l.draw = draw != 0 && visible;
    return l.run() ? 0 : 1;
}

void distemplate()
{
    writetemplate(1);
}

// A new record template in use: laid out, and drawn in the template view.
// Returns writetemplate's answer.
int usetemplate(const char *templ)
{
    tempbufptr = templ;
    COREFILE &c = curcore();
    if (c.viewtype != 2 && c.viewtype != 7)
        return writetemplate(0);
    clrtextzone();
    int bad = writetemplate(1);
    redisplay = RWINDOW;
    return bad;
}

// ------------------------------------------------------------- TEMPLATE

// TEMPLATE 0 or 1 loads curfile as the record template, 2 as the merge
// template. Returns false when nothing was loaded.
static bool settemplate(int kind)
{
    static char buf[STRINGFILESIZE];
    int n = readfile(curfile, buf, STRINGFILESIZE);
    if (n < 0) {
        diserr("File not found (or no read permission)");
        return false;
    }
    if (del == 2)                     // a truncated file was declined
        return false;
    if (kind == 2) {
        mergetempl.assign(buf, static_cast<size_t>(n));
        mrgbufptr = mergetempl.c_str();
        return true;
    }
    recordtempl.assign(buf, static_cast<size_t>(n));
    recordtempl.push_back(static_cast<char>(TEMPLEND));
    return true;
}

void setspecs()
{
    int kind = param[1];
    if (kind > 2) {
        diserr(" Template type must be 0, 1 or 2 ");
        del = 2;
        return;
    }
    if (!settemplate(kind)) {
        del = 2;
        return;
    }
    if (kind == 2)
        return;
    if (usetemplate(recordtempl.c_str())) {
        diserr(templerr);
        del = 2;
    }
}
