// The terminal view: when standard output is a terminal, the editor draws its
// own screen from the "$" messages, as a graphical front end would. A model of
// the screen (VIEWMODEL) takes every message in turn; when the editor is about
// to wait for a key, the rows that changed are handed to curses, which sends
// the terminal only the difference.
//
// Layout: row 0 the status fields, row 1 the ruler, rows windowtop .. lines-3
// the text window (two flag columns, then the text), the help line and the
// command line at the bottom, where the editor's own geometry puts them.
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>
#include "screen/screen.h"
#include "commands/commands.h"
// Last, because curses defines macros with common names.
#define NCURSES_WIDECHAR 1
#include <curses.h>

bool plainstream;

// ------------------------------------------------------------------- model

namespace {

constexpr int TEXTTOP = 2;            // first row of the text window
constexpr int TEXTCOL = 2;            // first text column; 0 and 1 hold the flags
constexpr int RULERROW = 1;
constexpr char waithint[] = "  -- RETURN";

enum : int { FNAME, FMODE, FVIEW, FCORE, FLINE, FCOL, FCOUNT, FCOLOUR };

// Decimal number at p; p moves past it and past one following comma.
int number(const char *&p)
{
    bool neg = *p == '-';
    if (neg)
        p++;
    long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v < 100000000)
            v = v * 10 + (*p - '0');
        p++;
    }
    if (*p == ',')
        p++;
    return static_cast<int>(neg ? -v : v);
}

// Characters a terminal cannot show as they are.
unsigned char shown(unsigned char c)
{
    return c < 32 || (c >= 127 && c < 160) ? '?' : c;
}

unsigned char *cell(VIEWMODEL &v, int row, int col)
{
    return &v.cells[static_cast<size_t>(row) * v.cols + col];
}

// Writes `text` at (row, col) and pads with blanks to `width` cells, all with
// the look `look`; whatever falls outside the screen is dropped.
void put(VIEWMODEL &v, int row, int col, std::string_view text, unsigned char look, int width)
{
    if (row < 0 || row >= v.rows)
        return;
    int n = width > static_cast<int>(text.size()) ? width : static_cast<int>(text.size());
    bool changed = false;
    for (int i = 0; i < n; i++) {
        int c = col + i;
        if (c < 0)
            continue;
        if (c >= v.cols)
            break;
        unsigned char ch = i < static_cast<int>(text.size())
                               ? shown(static_cast<unsigned char>(text[i])) : ' ';
        unsigned char *at = cell(v, row, c);
        unsigned char &lk = v.looks[at - v.cells.data()];
        if (*at != ch || lk != look) {
            *at = ch;
            lk = look;
            changed = true;
        }
    }
    if (changed)
        v.dirty[row] = 1;
}

void clearrows(VIEWMODEL &v, int from, int to)
{
    for (int r = from < 0 ? 0 : from; r <= to && r < v.rows; r++)
        put(v, r, 0, {}, VIEWPLAIN, v.cols);
}

int helprow(const VIEWMODEL &v) { return v.rows - 2; }
int cmdrow(const VIEWMODEL &v) { return v.rows - 1; }
int textend(const VIEWMODEL &v) { return v.rows - 3; }

std::string trimmed(const std::string &s)
{
    size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

void drawstatus(VIEWMODEL &v)
{
    const std::string *f = v.fields;
    std::string right;
    if (!f[FCOLOUR].empty())
        right += f[FCOLOUR] + "  ";
    right += f[FMODE] + "  " + f[FVIEW] + "  core" + f[FCORE] + "  line" + f[FLINE] + "  col" +
             f[FCOL] + "  of " + f[FCOUNT] + " ";
    std::string row;
    int room = v.cols - static_cast<int>(right.size());
    if (room > 0) {
        row = " " + f[FNAME];
        row.resize(room, ' ');
        row += right;
    } else {
        row = right.substr(right.size() - v.cols);
    }
    put(v, 0, 0, row, VIEWBAR, v.cols);
}

void drawruler(VIEWMODEL &v)
{
    put(v, RULERROW, 0, "", VIEWPLAIN, TEXTCOL);
    put(v, RULERROW, TEXTCOL, v.ruler, VIEWPLAIN, v.cols);
}

void drawhelp(VIEWMODEL &v)
{
    std::string text = v.help;
    if (v.waiting)
        text += waithint;
    int n = static_cast<int>(text.size());
    put(v, helprow(v), 0, text, v.helplook, 0);
    put(v, helprow(v), n, "", VIEWPLAIN, v.cols - n);
}

// The prompt of the command line is the mode field while it names a
// command-line mode: "Command", "Filename", "Integer" and the others.
std::string prompt(const VIEWMODEL &v)
{
    std::string mode = trimmed(v.fields[FMODE]);
    if (mode.empty() || mode == "Typing" || mode == "Insert")
        return {};
    return mode + ": ";
}

// The command line's text as shown: its tail when it is wider than the row.
std::string cmdtext(const VIEWMODEL &v)
{
    std::string text = prompt(v) + v.command;
    int room = v.cols - 1;
    if (room > 0 && static_cast<int>(text.size()) > room)
        text.erase(0, text.size() - room);
    return text;
}

void drawcommand(VIEWMODEL &v)
{
    put(v, cmdrow(v), 0, cmdtext(v), VIEWPLAIN, v.cols);
}

void setfield(VIEWMODEL &v, int which, const char *text)
{
    if (v.fields[which] != text) {
        v.fields[which] = text;
        drawstatus(v);
        if (which == FMODE)
            drawcommand(v);
    }
}

void sethelp(VIEWMODEL &v, std::string text, unsigned char look)
{
    v.help = std::move(text);
    v.helplook = look;
    drawhelp(v);
}

// Start of a full redraw: everything but the help line is sent again.
void fullclear(VIEWMODEL &v)
{
    for (std::string &f : v.fields)
        f.clear();
    v.ruler.clear();
    v.command.clear();
    clearrows(v, 0, textend(v));
    drawstatus(v);
    drawcommand(v);
    v.redrawn = true;
}

void textmsg(VIEWMODEL &v, const char *p)
{
    char sub = *p++;
    switch (sub) {
    case 'F': {
        int row = number(p);
        if (row >= TEXTTOP && row <= textend(v))
            put(v, row, 0, std::string_view(p, strnlen(p, 2)), VIEWPLAIN, TEXTCOL);
        break;
    }
    case 'L': {
        int row = number(p);
        if (row >= TEXTTOP && row <= textend(v))
            put(v, row, TEXTCOL, p, VIEWPLAIN, v.cols);
        v.row2 = row == TEXTTOP;
        return;
    }
    case 'R': {
        int row = number(p);
        int col = number(p);
        int width = number(p);
        if (row >= TEXTTOP && row <= textend(v))
            put(v, row, col, p, VIEWFIELD, width);
        break;
    }
    case 'f':
        // After row 2 the whole record is drawn again: the fields of the one
        // shown before go first, since only the new record's fields follow.
        if (v.row2)
            clearrows(v, TEXTTOP + 1, textend(v));
        put(v, TEXTTOP, 0, std::string_view(p, strnlen(p, 2)), VIEWPLAIN, TEXTCOL);
        break;
    case 'x':
        clearrows(v, TEXTTOP, textend(v));
        break;
    default:                          // "$Tsu", "$Tsd": scrolling is never used
        break;
    }
    v.row2 = false;
}

void statusmsg(VIEWMODEL &v, const char *p)
{
    char sub = *p++;
    switch (sub) {
    case 'n': setfield(v, FNAME, p); break;
    case 'm': setfield(v, FMODE, p); break;
    case 'v': setfield(v, FVIEW, p); break;
    case 'w': setfield(v, FCORE, p); break;
    case 'r': setfield(v, FLINE, p); break;
    case 'c': setfield(v, FCOL, p); break;
    case 'l': setfield(v, FCOUNT, p); break;
    case 'M': setfield(v, FCOLOUR, p); break;
    case 't':
        v.ruler = p;
        drawruler(v);
        break;
    case 'e': sethelp(v, p, VIEWERROR); break;
    case 'h': sethelp(v, p, VIEWPLAIN); break;
    case 'f': case 'b': case 'U': sethelp(v, p, VIEWBAR); break;
    case 'i': sethelp(v, std::string("result ") + p, VIEWBAR); break;
    default:                          // "$mV": engine files are not shown
        break;
    }
}

void commandmsg(VIEWMODEL &v, const char *p)
{
    switch (*p++) {
    case 'c':
        if (*p != 0)
            v.command += *p;
        break;
    case 'b':
        if (!v.command.empty())
            v.command.pop_back();
        break;
    case 'x':
        v.command.clear();
        break;
    case 'L':                         // after "$Cx" the line typed so far; else added to it
        v.command += p;
        break;
    case '+':
        v.cmdcur = true;
        return;
    case '-':
        v.cmdcur = false;
        return;
    default:
        return;
    }
    if (v.command.size() > static_cast<size_t>(GWMSGSIZE))
        v.command.erase(0, v.command.size() - GWMSGSIZE);
    drawcommand(v);
}

} // namespace

void viewsize(VIEWMODEL &v, int rows, int cols)
{
    v.rows = rows < 0 ? 0 : rows;
    v.cols = cols < 0 ? 0 : cols;
    size_t n = static_cast<size_t>(v.rows) * v.cols;
    v.cells.assign(n, ' ');
    v.looks.assign(n, VIEWPLAIN);
    v.dirty.assign(v.rows, 1);
    drawstatus(v);
    drawruler(v);
    drawhelp(v);
    drawcommand(v);
}

void viewfeed(VIEWMODEL &v, const char *msg)
{
    if (msg == nullptr || msg[0] != '$' || v.rows <= 0 || v.cols <= 0)
        return;
    const char *p = msg + 2;
    char cls = msg[1];
    if (cls != 'T')
        v.row2 = false;
    switch (cls) {
    case 'T':
        textmsg(v, p);
        break;
    case 'm':
        statusmsg(v, p);
        break;
    case 'C':
        commandmsg(v, p);
        break;
    case 'c':
        if (*p != 0 && v.prow >= TEXTTOP && v.prow <= textend(v)) {
            put(v, v.prow, v.pcol, std::string_view(p, 1), VIEWPLAIN, 1);
            v.pcol++;
        }
        break;
    case 'p':
        v.prow = number(p);
        v.pcol = number(p);
        break;
    case '+':
        v.textcur = true;
        break;
    case '-':
        v.textcur = false;
        break;
    case 'e':
        v.waiting = *p == '+';
        if (!v.waiting && v.helplook == VIEWERROR)
            v.help.clear();           // answered: the error goes
        drawhelp(v);
        break;
    case 'b':
        v.bell = true;
        break;
    case 'X': case 'W':
        fullclear(v);
        break;
    default:
        break;
    }
}

std::string viewrow(const VIEWMODEL &v, int row)
{
    if (row < 0 || row >= v.rows)
        return {};
    auto at = v.cells.begin() + static_cast<ptrdiff_t>(row) * v.cols;
    return std::string(at, at + v.cols);
}

void viewcursor(const VIEWMODEL &v, int &row, int &col)
{
    if (v.waiting) {
        row = helprow(v);
        col = static_cast<int>(v.help.size() + sizeof waithint - 1);
    } else if (v.cmdcur) {
        row = cmdrow(v);
        col = static_cast<int>(cmdtext(v).size());
    } else {
        row = v.prow;
        col = v.pcol;
    }
    row = row < 0 ? 0 : (row >= v.rows ? v.rows - 1 : row);
    col = col < 0 ? 0 : (col >= v.cols ? v.cols - 1 : col);
}

// ------------------------------------------------------------- the terminal

namespace {

VIEWMODEL screenview;                 // what the terminal shows, or will
bool viewing;                         // the view draws on standard output
bool utf8;                            // the locale's characters are UTF-8
bool latin1;                          // the locale's characters are Latin-1
bool utf8in;                          // keys typed on the terminal are UTF-8

wchar_t glyph(unsigned char c)
{
    if (c < 128 || utf8 || latin1)
        return static_cast<wchar_t>(c);
    return L'?';
}

attr_t lookattr(unsigned char look)
{
    switch (look) {
    case VIEWBAR: return A_REVERSE;
    case VIEWERROR: return A_REVERSE | A_BOLD;
    case VIEWFIELD: return A_UNDERLINE;
    default: return A_NORMAL;
    }
}

void paintrow(int row, std::vector<cchar_t> &line)
{
    VIEWMODEL &v = screenview;
    for (int c = 0; c < v.cols; c++) {
        size_t i = static_cast<size_t>(row) * v.cols + c;
        wchar_t w[2] = {glyph(v.cells[i]), 0};
        setcchar(&line[c], w, lookattr(v.looks[i]), 0, nullptr);
    }
    mvadd_wchnstr(row, 0, line.data(), v.cols);
}

// Keys already typed, or a string being read: the screen can wait.
bool keyspending()
{
    if (fnptr > 0 && fnstack[fnptr] != nullptr)
        return true;
    return inptr != nullptr && inptr->pos < inptr->len;
}

} // namespace

// Standard output is the terminal and curses is about to start on it: the
// view takes the locale's characters, which curses must know from the start.
void viewprepare()
{
    std::setlocale(LC_CTYPE, "");
    const char *set = nl_langinfo(CODESET);
    utf8 = std::strcmp(set, "UTF-8") == 0;
    latin1 = std::strcmp(set, "ISO-8859-1") == 0;
}

void viewcancel()
{
    std::setlocale(LC_CTYPE, "C");
    utf8 = latin1 = false;
}

// On a terminal every printable Latin-1 character is drawn as itself: the
// view, unlike a front end, knows the locale's characters.
void viewstart()
{
    if (utf8 || latin1)
        for (int c = 0xa0; c < 0xff; c++)
            if (c != 0xad)            // the soft hyphen stays a hyphen
                outtran[c] = static_cast<unsigned char>(c);
    viewing = true;
    utf8in = utf8 && isatty(STDIN_FILENO);
    viewsize(screenview, LINES, COLS);
}

bool viewactive() { return viewing; }
bool viewutf8keys() { return viewing && utf8in; }

void viewmessage(const char *msg)
{
    if (msg[0] == '$' && (msg[1] == 'X' || msg[1] == 'W') &&
        (screenview.rows != LINES || screenview.cols != COLS))
        viewsize(screenview, LINES, COLS);
    viewfeed(screenview, msg);
}

// Called before every key is read. After the terminal was handed back to the
// shell, the screen returns with the next full redraw, so that what the shell
// left stays readable until then.
void viewrefresh()
{
    VIEWMODEL &v = screenview;
    if (!viewing || keyspending())
        return;
    if (isendwin()) {
        if (!v.redrawn)
            return;
        clearok(curscr, TRUE);
    }
    v.redrawn = false;
    if (v.rows != LINES || v.cols != COLS) {
        viewsize(v, LINES, COLS);
        clearok(curscr, TRUE);
    }
    std::vector<cchar_t> line(static_cast<size_t>(v.cols) + 1);
    for (int r = 0; r < v.rows; r++) {
        if (v.dirty[r]) {
            paintrow(r, line);
            v.dirty[r] = 0;
        }
    }
    int row, col;
    viewcursor(v, row, col);
    move(row, col);
    if (v.bell) {
        v.bell = false;
        beep();
    }
    refresh();
}
