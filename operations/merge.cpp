// The merge engine: a template with "#n" references is expanded with the
// fields of the current record, in the free part of the arena. Its users:
// merging into corefile 16, field assignment from corefile 17, and
// expression templates.
#include <cmath>
#include <cstdio>
#include <cstring>
#include "operations/operations.h"
#include "commands/commands.h"
#include "screen/screen.h"

const char *mrgptr;
int mrglen;
int mrgcnt;
int64_t mrgavail;
char terminate = '|';
int mrgnumfields;
int64_t fieldptr[NMRGFIELDS + 1];
int mrgflen[NMRGFIELDS + 1];

static constexpr int MRGCORE = 16;    // receives merged text
static constexpr int ASSIGNCORE = 17; // holds the field assignments

// --------------------------------------------------------------- fields

// The fields of the current record from the cursor (from column 1 on a
// record line): on a record line the pieces between "|", on a text line
// the words, continuing in the text view over the following lines that
// start at the left margin.
void mrgsetup()
{
    const COREFILE &c = curcore();
    const LINE *line = c.lnptr;
    mrgnumfields = 0;
    if (line == c.header || line->object == 2 || line->object < 0)
        return;
    bool record = line->object == 1;
    terminate = record ? '|' : ' ';
    int col = record ? 1 : (c.curcol < 1 ? 1 : c.curcol);
    for (;;) {
        int64_t at = line->index + col - 1, end = line->index + line->length;
        if (record) {
            while (at < end && mrgnumfields < NMRGFIELDS) {
                int64_t start = at;
                while (at < end && textbase[at] != '|')
                    at++;
                mrgnumfields++;
                fieldptr[mrgnumfields] = start;
                mrgflen[mrgnumfields] = static_cast<int>(at - start);
                at++;                 // past the "|"
            }
            return;
        }
        while (at < end && mrgnumfields < NMRGFIELDS) {
            while (at < end && textbase[at] == ' ')
                at++;
            if (at == end)
                break;
            int64_t start = at;
            while (at < end && textbase[at] != ' ')
                at++;
            mrgnumfields++;
            fieldptr[mrgnumfields] = start;
            mrgflen[mrgnumfields] = static_cast<int>(at - start);
        }
        if (c.viewtype != 0 || mrgnumfields >= NMRGFIELDS)
            return;
        line = line->down;
        if (line == c.header || line->object != 0)
            return;
        int first = 0;                // column of the first non-blank character
        for (int i = 0; i < line->length && first == 0; i++)
            if (textbase[line->index + i] != ' ')
                first = i + 1;
        if (first != lmargin)
            return;
        col = 1;
    }
}

// -------------------------------------------------------------- expansion

// Gives the arena from `from` up to `to` back to the free characters.
static void unmerge(int64_t from, int64_t to)
{
    if (to > from)
        std::memset(textbase + from, FREECH, static_cast<size_t>(to - from));
}

int merge()
{
    mrgsetup();
    mrgavail = avail;
    mrgcnt = 0;
    fperror = 0;
    const unsigned char *t = reinterpret_cast<const unsigned char *>(mrgptr);
    int64_t out = avail;
    auto put = [&out](unsigned char ch) {
        if (out >= TEXTSIZE)
            return false;
        textbase[out++] = ch;
        return true;
    };
    bool room = true;
    while (room && mrgcnt < mrglen && fperror == 0) {
        unsigned char ch = t[mrgcnt++];
        if (ch == '#' && mrgcnt < mrglen && t[mrgcnt] >= '0' && t[mrgcnt] <= '9') {
            int n = 0;
            while (mrgcnt < mrglen && t[mrgcnt] >= '0' && t[mrgcnt] <= '9') {
                if (n <= NMRGFIELDS)
                    n = n * 10 + (t[mrgcnt] - '0');
                mrgcnt++;
            }
            if (n < 1 || n > mrgnumfields) {
                fperror = 3;
                break;
            }
            for (int i = 0; room && i < mrgflen[n]; i++)
                room = put(textbase[fieldptr[n] + i]);
        } else if (ch != '`' && ch != FREECH) {
            room = put(ch);
        }
    }
    if (!room) {
        unmerge(avail, out);
        diserr(" Merge does not fit in the store ");
        return -1;
    }
    return static_cast<int>(out - avail);
}

bool mergeeval(const char *templ, int length)
{
    mrgptr = templ;
    mrglen = length;
    int n = merge();
    if (n < 0 || fperror != 0) {      // the evaluation fails with the merge
        if (n >= 0)
            unmerge(avail, avail + n);
        fperror = 1;
        return false;
    }
    dijkstra(textbase + avail, n);
    unmerge(avail, avail + n);
    return fperror == 0;
}

// ------------------------------------------------------- into corefile 16

// Expands mrgptr for the current record and adds the expansion, cut at
// RETURN codes, as lines after corefile 16's cursor line.
static void domerge()
{
    int n = merge();
    if (n < 0)
        return;
    if (fperror != 0) {
        unmerge(avail, avail + n);
        diserr(" Merge field missing ");
        fperror = 0;
        return;
    }
    int keep = corenum;
    corenum = MRGCORE;
    COREFILE &m = curcore();
    int64_t end = avail + n;
    for (int64_t start = avail;;) {
        int64_t at = start;
        while (at < end && textbase[at] != 13)
            at++;
        int len = static_cast<int>(at - start);
        const LINE *before = m.lnptr;
        avail = start;                // allocln takes the line's text from avail
        if (len == 0) {
            allocln(5, 0);
        } else {
            allocln(0, len);
            if (m.lnptr != before)
                linkphys();
        }
        if (m.lnptr == before) {      // no line record to be had
            unmerge(start, end);
            avail = start;
            diserr(" Merge does not fit in the store ");
            break;
        }
        if (at == end)
            break;
        textbase[at] = FREECH;        // the RETURN itself is no text
        start = at + 1;
        if (start == end) {           // nothing follows the last RETURN
            avail = end;
            break;
        }
    }
    m.disln = m.lnptr;
    m.curline = distance(m.header, m.lnptr);
    m.edited = true;
    corenum = keep;
    if (keep == MRGCORE)
        redisplay = RWINDOW;
}

void mrgtext()
{
    mrgptr = mrgstring;
    mrglen = static_cast<int>(std::strlen(mrgstring));
    domerge();
}

void mrgrec()
{
    if (mrgbufptr == nullptr) {
        diserr(" No merge template ");
        return;
    }
    mrgptr = mrgbufptr;
    mrglen = static_cast<int>(std::strlen(mrgbufptr));
    domerge();
}

// ------------------------------------------------------ expression templates

void mrgexp()
{
    if (mergeeval(expression, static_cast<int>(std::strlen(expression)))) {
        numstack[ni - 1] = fp_num;
        ni--;
    }
    showregister();
}

// Field assignments: each line "#n:template" of corefile 17 sets field n of
// the current record to the template's value, or to "****" when it fails.
void mrgassign()
{
    COREFILE &c = curcore();
    const COREFILE &a = core[ASSIGNCORE];
    if (c.lnptr->object != 1)
        return;
    char text[STRINGFILESIZE];
    for (const LINE *l = a.header->down; l != a.header; l = l->down) {
        if (l->object < 0 || l->object == 2 || l->length < 3)
            continue;
        int len = l->length < STRINGFILESIZE - 1 ? l->length : STRINGFILESIZE - 1;
        std::memcpy(text, textbase + l->index, static_cast<size_t>(len));
        text[len] = 0;
        int i = 1, n = 0;
        if (text[0] != '#' || text[1] < '0' || text[1] > '9')
            continue;
        for (; i < len && text[i] >= '0' && text[i] <= '9'; i++)
            if (n <= NFIELDS)
                n = n * 10 + (text[i] - '0');
        if (i >= len || text[i] != ':')
            continue;
        mrgsetup();
        if (n < 1 || n > mrgnumfields)
            continue;
        bool ok = mergeeval(text + i + 1, len - i - 1);
        double value = fp_num;
        if (ok)
            ni--;
        fperror = 0;
        c.curcol = static_cast<int>(fieldptr[n] - c.lnptr->index) + 1;
        char shown[32];
        if (ok) {
            erasefield();
            std::snprintf(shown, sizeof shown, "%.8g", value);
        } else {
            std::snprintf(shown, sizeof shown, "****");
        }
        typestring(shown, bldrec);
    }
    redisplay = RWINDOW;
}
