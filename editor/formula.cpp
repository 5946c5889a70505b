// Formula lines: typing and rubbing out characters and nodes, tables and
// their rows and columns, and the formula cursor (character, whole node,
// table cell). A formula is a line whose structural codes stand between the
// ordinary characters: a node is its node code, its parts separated by
// FBAR, and FEND; a table is an FTABLE node whose rows are separated by
// FROWBAR and columns by FBAR. Node codes and separators are recognised
// through isnode and isbar, and the layout through the layout routines.
#include <cstring>
#include <vector>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"

int greenx, greeny;
int curtabnode;
int64_t tabptr;

// The character that creates each node, its code, and the separators of its body.
struct NODETYPE {
    unsigned char typed;
    unsigned char code;
    int bars;
};
static constexpr NODETYPE nodetable[] = {
    {'{', 0xFA, 0},
    {'(', 0xFB, 0},
    {'!', 0xF8, 2},
    {0xE2, 0xF9, 0},
    {0xE3, 0xF7, 0},
    {0xE4, 0xFC, 2},
    {0xE5, FTABLE, 0},
    {0xE6, 0xFD, 1},
    {0xE9, 0xFE, 2},
};

// Layout of the table under the green cursor, filled by the layout routines.
struct NODEINFO {
    int numrows;
    int numcols;
};
static NODEINFO tabinfo;

bool isnode(unsigned char) { return false; }
bool isbar(unsigned char) { return false; }
void countrowcol() {}
void gettabrowcol() {}

// ---------------------------------------------------------------- helpers

// The character in column `col` of the current line; -1 outside the text.
static int at(int col)
{
    const LINE *line = curcore().lnptr;
    if (line->object == 2 || col < 1 || col > line->length)
        return -1;
    return textbase[line->index + col - 1];
}

static bool nodeat(int col)
{
    int ch = at(col);
    return ch >= 0 && isnode(static_cast<unsigned char>(ch));
}

static bool barat(int col)
{
    int ch = at(col);
    return ch >= 0 && isbar(static_cast<unsigned char>(ch));
}

static const NODETYPE *findnode(unsigned char c)
{
    for (const NODETYPE &n : nodetable)
        if (n.typed == c)
            return &n;
    return nullptr;
}

// Column of the FEND closing the node or part that column `col` is in (the
// node whose code is there, when it is one), at most one past the end.
static int closing(int col)
{
    int level = 0;
    for (;; col++) {
        int ch = at(col);
        if (ch < 0)
            return col;
        if (isnode(static_cast<unsigned char>(ch))) {
            level++;
        } else if (ch == FEND) {
            if (level <= 1)
                return col;
            level--;
        }
    }
}

// --------------------------------------------------------------- entering

// Inserts `n` characters at the cursor, padding the line up to it; the
// cursor does not move. Nothing changes when the store refuses them.
bool insmath(const unsigned char *s, int n)
{
    COREFILE &c = curcore();
    if (n <= 0)
        return true;
    if (c.lnptr == c.header || c.lnptr->object == 2 || c.curcol < 1)
        return false;
    int pad = c.curcol - 1 - c.lnptr->length;
    if (pad < 0)
        pad = 0;
    if (!canstore(int64_t{pad} + n))
        return false;
    for (int i = 0; i < pad + n; i++) {
        if (!cadd(' ')) {
            dropadded(i);
            return false;
        }
    }
    cinsert(n);
    std::memmove(textbase + curptr(), s, static_cast<size_t>(n));
    return true;
}

void insnode(unsigned char code, int bars)
{
    unsigned char node[8];
    int n = 0;
    node[n++] = code;
    for (int i = 0; i < bars && i < 5; i++)
        node[n++] = FBAR;
    node[n++] = FEND;
    if (insmath(node, n))
        curcore().lnptr->object = 3;
}

void bldmath()
{
    COREFILE &c = curcore();
    if (c.curflag == 2)
        c.curflag = 1;
    redisplay = RWINDOW;
    if (c.curflag != 1 || holdch == FREECH || c.lnptr->object == 2)
        return;
    unsigned char ch = holdch;
    int under = at(c.curcol);
    const NODETYPE *node = findnode(ch);
    if (type != KMATH && mode != 2 && under != FEND && !nodeat(c.curcol) && !barat(c.curcol)) {
        int before = c.lnptr->length;
        extline();                      // beyond the end: the line grows to the cursor
        if (c.curcol > c.lnptr->length) {
            dropadded(c.lnptr->length - before);
            return;
        }
        textbase[curptr()] = ch;
        rightm();
    } else if (node != nullptr) {
        insnode(node->code, node->bars);
    } else if (insmath(&ch, 1)) {
        rightm();
    }
    redisplay = RWINDOW;
}

// The next line's text joins the formula at the cursor and the line goes.
void recmath()
{
    COREFILE &c = curcore();
    LINE *line = c.lnptr;
    LINE *next = line->down;
    if (next == c.header || (next->object != 0 && next->object != 3))
        return;
    if (next->length > 0 && !insmath(textbase + next->index, next->length))
        return;
    c.lnptr = next;
    removeline();
    c.lnptr = line;
    redisplay = RWINDOW;
}

// ------------------------------------------------------------------ tables

static bool ontablemarker()
{
    const COREFILE &c = curcore();
    return c.curflag == 3 && at(c.curcol) == FTABLE;
}

void instabcol()
{
    COREFILE &c = curcore();
    if (!ontablemarker())
        return;
    int keep = c.curcol;
    std::vector<int> rowends;           // where each row ends: a row separator or the table's end
    int level = 0;
    for (int col = keep + 1;; col++) {
        int ch = at(col);
        if (ch < 0) {
            rowends.push_back(col);
            break;
        }
        if (isnode(static_cast<unsigned char>(ch))) {
            level++;
        } else if (ch == FEND) {
            if (level == 0) {
                rowends.push_back(col);
                break;
            }
            level--;
        } else if (ch == FROWBAR && level == 0) {
            rowends.push_back(col);
        }
    }
    for (auto it = rowends.rbegin(); it != rowends.rend(); ++it) {
        c.curcol = *it;
        if (!insmath(&FBAR, 1))
            break;
    }
    c.curcol = keep;
    redisplay = RWINDOW;
}

void instabrow()
{
    COREFILE &c = curcore();
    if (!ontablemarker())
        return;
    int keep = c.curcol;
    countrowcol();
    int bars = tabinfo.numcols > 1 ? tabinfo.numcols - 1 : 0;
    std::vector<unsigned char> row(static_cast<size_t>(bars) + 1, FBAR);
    row[0] = FROWBAR;
    c.curcol = closing(keep);
    insmath(row.data(), static_cast<int>(row.size()));
    c.curcol = keep;
    redisplay = RWINDOW;
}

// Moves tabptr and the cursor over `num` separators c1 or c2 of the outer
// level, forward (direction 1) to just after the last one, or back
// (direction 2) onto it; with `bflag` the other side of it. Stops at the
// node's end or start. Returns how many were passed.
int skipbars(int num, unsigned char c1, unsigned char c2, int direction, int bflag)
{
    COREFILE &c = curcore();
    int col = c.curcol;
    int level = 0, count = 0;
    if (direction == 1) {
        while (count < num) {
            int ch = at(col);
            if (ch < 0)
                break;
            if (isnode(static_cast<unsigned char>(ch))) {
                level++;
            } else if (ch == FEND) {
                if (level == 0)
                    break;
                level--;
            } else if (level == 0 && (ch == c1 || ch == c2)) {
                count++;
            }
            col++;
        }
        if (bflag && count == num && count > 0)
            col--;
    } else {
        while (count < num && col > 1) {
            int ch = at(col - 1);
            if (ch == FEND) {
                level++;
            } else if (ch >= 0 && isnode(static_cast<unsigned char>(ch))) {
                if (level == 0)
                    break;
                level--;
            } else if (level == 0 && (ch == c1 || ch == c2)) {
                count++;
            }
            col--;
        }
        if (bflag && count == num && count > 0)
            col++;
    }
    c.curcol = col;
    if (c.lnptr->object != 2)
        tabptr = c.lnptr->index + col - 1;
    return count;
}

int skipforward(int num, unsigned char c1, unsigned char c2)
{
    return skipbars(num, c1, c2, 1, 0);
}

int skipback(int num, unsigned char c1, unsigned char c2)
{
    return skipbars(num, c1, c2, 2, 0);
}

// Whether the node enclosing the cursor is a table.
static bool intable()
{
    COREFILE &c = curcore();
    int keep = c.curcol;
    int code = 0;
    while (true) {
        code = moveleft();
        if (code == 0 || isnode(static_cast<unsigned char>(code)))
            break;
        c.curcol--;                     // over the separator, on to the part before
    }
    c.curcol = keep;
    return code == FTABLE;
}

void downrow()
{
    COREFILE &c = curcore();
    if (c.curflag == 2 && intable()) {
        int keep = c.curcol;
        if (skipforward(1, FROWBAR, FROWBAR) == 0)
            c.curcol = keep;
    }
    redisplay = RFORMULA;
}

void uprow()
{
    COREFILE &c = curcore();
    if (c.curflag == 2 && intable()) {
        int keep = c.curcol;
        if (skipbars(2, FROWBAR, FROWBAR, 2, 1) == 0)
            c.curcol = keep;            // already in the first row
    }
    redisplay = RFORMULA;
}

// ----------------------------------------------------------- cursor moves

// Back to the start of the part the cursor is in: stops after a separator
// of the outer level or a node code, or at column 1. Returns the character
// it stopped at, 0 at column 1.
int moveleft()
{
    COREFILE &c = curcore();
    int col = c.curcol;
    int end = c.lnptr->object == 2 ? 0 : c.lnptr->length;
    if (col > end + 1)
        col = end + 1;
    int level = 0;
    while (col > 1) {
        int ch = at(col - 1);
        if (ch == FEND) {
            level++;
        } else if (ch >= 0 && isnode(static_cast<unsigned char>(ch))) {
            if (level == 0) {
                c.curcol = col;
                return ch;
            }
            level--;
        } else if (ch >= 0 && level == 0 && isbar(static_cast<unsigned char>(ch))) {
            c.curcol = col;
            return ch;
        }
        col--;
    }
    c.curcol = 1;
    return 0;
}

// Forward to the FEND of the node whose code is under the cursor.
void moveright()
{
    COREFILE &c = curcore();
    c.curcol = closing(c.curcol);
}

// Back to the code of the node the cursor is in, or to column 1.
void moveback()
{
    COREFILE &c = curcore();
    for (;;) {
        int ch = moveleft();
        if (ch == 0)
            return;
        c.curcol--;                     // onto the separator or the node code
        if (isnode(static_cast<unsigned char>(ch)))
            return;
    }
}

int curnode()
{
    const COREFILE &c = curcore();
    int n = 0;
    for (int col = 1; col < c.curcol; col++) {
        if (nodeat(col))
            n++;
        else if (at(col) < 0)
            break;
    }
    return n;
}

// Width of the rest of the part under a whole-node cursor: up to the next
// separator of the outer level or the node's end; 0 on the node's end.
static int rightmost()
{
    const COREFILE &c = curcore();
    if (at(c.curcol) == FEND)
        return 0;
    int level = 0, n = 0;
    for (int col = c.curcol;; col++, n++) {
        int ch = at(col);
        if (ch < 0)
            return n;
        if (isnode(static_cast<unsigned char>(ch))) {
            level++;
        } else if (ch == FEND) {
            if (level == 0)
                return n;
            level--;
        } else if (level == 0 && isbar(static_cast<unsigned char>(ch))) {
            return n;
        }
    }
}

void leftm()
{
    COREFILE &c = curcore();
    switch (c.curflag) {
    case 3:
        if (greenx > 0)
            greenx--;
        break;
    case 2:
        if (c.curcol > 1) {
            c.curcol--;
            moveleft();
        }
        break;
    default:
        curleft();
        if (at(c.curcol) == FEND)
            moveback();
        break;
    }
    redisplay = RFORMULA;
}

void rightm()
{
    COREFILE &c = curcore();
    int end = c.lnptr->object == 2 ? 0 : c.lnptr->length;
    switch (c.curflag) {
    case 3:
        if (greenx < tabinfo.numcols)
            greenx++;
        break;
    case 2:
        c.curcol += rightmost();
        break;
    default:
        if (nodeat(c.curcol))
            moveright();
        if (c.curcol <= end)
            c.curcol++;
        else
            c.curcol = end + 1;
        break;
    }
    redisplay = RFORMULA;
}

void upm()
{
    COREFILE &c = curcore();
    switch (c.curflag) {
    case 3:
        if (greeny > 0)
            greeny--;
        break;
    case 2:
        moveback();
        c.curflag = 1;
        break;
    default:
        if (c.curcol > 1) {
            moveleft();
            c.curflag = 2;
        }
        break;
    }
    redisplay = RFORMULA;
}

void downm()
{
    COREFILE &c = curcore();
    switch (c.curflag) {
    case 3:
        if (greeny < tabinfo.numrows)
            greeny++;
        break;
    case 2:
        c.curflag = 1;
        break;
    default:
        if (nodeat(c.curcol)) {
            c.curflag = 2;
            c.curcol++;
        }
        break;
    }
    redisplay = RFORMULA;
}

void greencur()
{
    COREFILE &c = curcore();
    if (c.curflag == 1 && at(c.curcol) == FTABLE) {
        c.curflag = 3;
        greenx = greeny = 0;
        tabptr = curptr();
        curtabnode = curnode();
        countrowcol();
    } else if (c.curflag == 3) {
        c.curflag = 1;
    }
    redisplay = RFORMULA;
}

// ---------------------------------------------------------------- rub-out

// `n` characters from the cursor move out of the formula onto a new formula
// line after the current one; the cursor stays on the current line.
void copymathitem(int n)
{
    COREFILE &c = curcore();
    LINE *line = c.lnptr;
    if (n <= 0 || line->object == 2 || c.curcol < 1 || c.curcol + n - 1 > line->length)
        return;
    if (reserve == nullptr || avail + n > TEXTSIZE)
        return;
    std::memcpy(textbase + avail, textbase + curptr(), static_cast<size_t>(n));
    allocln(3, n);
    linkphys();
    c.lnptr = line;
    cremove(n);
}

// The node whose code is under the cursor, up to its FEND.
void copynode()
{
    COREFILE &c = curcore();
    int end = closing(c.curcol);
    int last = at(end) == FEND ? end : end - 1;
    copymathitem(last - c.curcol + 1);
}

// The rest of the formula item from the cursor, up to its closing code.
void copyform()
{
    COREFILE &c = curcore();
    int level = 0, col = c.curcol;
    for (;; col++) {
        int ch = at(col);
        if (ch < 0)
            break;
        if (isnode(static_cast<unsigned char>(ch)))
            level++;
        else if (ch == FEND && level-- == 0)
            break;
    }
    copymathitem(col - c.curcol);
}

void rubmath()
{
    COREFILE &c = curcore();
    if (c.lnptr->object != 2) {
        if (c.curflag == 1) {
            int ch = at(c.curcol);
            if (ch < 0 || ch == FEND)
                leftm();
            else if (isnode(static_cast<unsigned char>(ch)))
                copynode();
            else if (!isbar(static_cast<unsigned char>(ch)))
                cremove(1);
        } else if (c.curflag == 2 && c.curcol != 1) {
            copyform();
        }
    }
    redisplay = RWINDOW;
}
