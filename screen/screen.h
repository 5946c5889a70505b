// Screen, keyboard and front end: the display that turns state into "$"
// messages, the terminal layer, and the line protocol on standard output.
#pragma once
#include <cstdint>
#include "editor/editor.h"

// --------------------------------------------------------------- display.cpp

// Screen geometry (rows and columns from 0); the text window's rows are
// the store's (editor.h).
extern int helpline;                  // row of the help line
extern int cmdline;                   // row of the command line
extern int swidth;                    // text columns
extern int overlap;                   // columns kept visible by a sideways shift
extern int shiftc;                    // columns moved by one sideways shift
extern int pshift;                    // text columns scrolled off to the left
extern int rightcol;                  // last text column shown

extern int visible;                   // 0: nothing is drawn or written
extern int oldcore, oldline, oldcol, oldlncnt, oldcoreview;  // status last sent
extern bool bhelp;                    // the help line holds a message
extern const char *const views[NVIEWS];
extern const char fullmsg[];
extern unsigned char outtran[256];    // output translation of text characters
extern char gwmsg[GWMSGSIZE];         // every message is built here

// Record layout of the current template, per field number 1..NFIELDS.
extern int numfields;
extern int frow[NFIELDS + 1], fcol[NFIELDS + 1], maxfieldlen[NFIELDS + 1];
extern char ftype[NFIELDS + 1];
extern int fieldnum;                  // field under the cursor
extern int64_t recptr;                // arena offset of the field's first character
extern int fieldsiz;                  // its length
extern int64_t disrecptr;             // drawing position

void initdisplay();                   // initial values of everything above
void defaultlayout();                 // six fields of width 5 per row from row 3
void display();
void discur();
void putstats();
void gendis();
void wrline(LINE *line, int row);
void wrtext(LINE *line, int row);
void distxt();
void disrec();
void wrecord();
void disfield();
void wfield();
void wflag();
void findfield();
void fieldlen();
void putch(unsigned char c);
void putstg(int64_t index, int count, int row);
void putstring(const char *text, int code);
int diserr(const char *message);      // shows the message, waits for RETURN or RUB OUT; returns del
void progress(const char *message);
void clearhelp();
void putfname();
void putresult();
void putfloat();
void putbool();
void prtabs();
void distemplate();                   // the record template's text (view type 2)

// -------------------------------------------------------------- protocol.cpp

extern char shadow_cmdline[SHADOWSIZE + 1];
extern int shadow_ptr;
extern void (*gwtap)(const char *msg);  // sees every message before the forwarding
                                        // rule; null unless a test listens

void gwtransmit(const char *msg);
bool forwarded(const char *msg);      // the forwarding rule alone
void txtcur();
void rmtxtcur();
void cmdcur();
void rmcmdcur();
void clrtextzone();
void postcur(int column, int row);
void ibeep();
void backspace();
void putcmdlett(char c);
void flushout();                      // flush standard output before a wait
int msgnum(int at, int value, int width);  // decimal value into gwmsg at `at`, right-
                                           // aligned in `width`; returns the end

// -------------------------------------------------------------- keyboard.cpp

// A source of keystrokes read a byte at a time: standard input or a driver pipe.
struct KEYSOURCE {
    int fd;
    int pos, len;
    bool eof;
    unsigned char buf[4096];
};

extern KEYSOURCE stdinsource;
extern KEYSOURCE *inptr;              // where keyboard-level input comes from

int kelgetc();                        // next byte of inptr; -1 at end of file;
                                      // -2 when a signal interrupted the wait
                                      // (the caller looks at the string stack again);
                                      // from a UTF-8 terminal also KEYENTRY + index or
                                      // KEYTEXT + character (below)

// A Latin-1 letter typed on a UTF-8 terminal arrives as the key entry of the
// escape planes that delivers it (KEYENTRY plus its index in intran), or, when
// no entry does, as that text character (KEYTEXT plus the character).
inline constexpr int KEYENTRY = 0x1000;
inline constexpr int KEYTEXT = 0x2000;
int utf8key(const unsigned char *seq, int n);  // a whole UTF-8 sequence as such a
                                              // key; -3 when it is refused

// -------------------------------------------------------------- terminal.cpp
#include <signal.h>

extern int sigfd;                     // read end of the signal wake-up pipe, -1 when none
extern int hardscrl;                  // hardware scrolling: never set
extern int windresize;                // the window size changed

// The expression evaluator sets fparmed while it evaluates and looks at
// fpfault after every step: a first arithmetic-fault signal meanwhile only
// sets fpfault, and the evaluation ends with an overflow error. A second
// one (a fault that would repeat) or one with nothing armed puts the
// terminal back and ends the program as usual.
extern volatile sig_atomic_t fparmed;
extern volatile sig_atomic_t fpfault;

// Window sizes outside these bounds are taken as the nearest bound, so the
// window always has a row and a column and a text row fits in one message.
inline constexpr int MINLINES = 5;
inline constexpr int MAXLINES = 1000;
inline constexpr int MINCOLS = 4;
inline constexpr int MAXCOLS = 900;

void stermpars();
int getwindsize();
int setgeometry(int rows, int cols);  // the window's rows and columns, each taken
                                      // within the bounds above; 1 when the text
                                      // depth or width changed, else 0
void physterm();
void setintran();
void set_suspend();
void scrclear();
void restorecursor();
void call_set_background();
void initerm();
void reseterm();
void call_enter_ca_mode();
void call_exit_ca_mode();
void call_init_2string();
void call_clr_eol();
void call_clear_screen();
void call_cursor_address(int row, int column);
void call_reset_prog_mode();
void call_initscr();
void call_intrflush();
int get_columns();
int get_lines();
void termrefresh();                   // curses refresh, when a terminal is in use
void termbeep();                      // the terminal bell through curses
void setsig();
bool sigpoll();                       // carries out signals noted by the handlers;
                                      // true when one was pending
void setwindsize(int lines, int columns);  // size reported without a terminal
bool termactive();                    // curses drives a terminal
void IntHandler(int sig);
void SuspHandler(int sig);
void ResHandler(int sig);
void FpHandler(int sig);
void PipeHandler(int sig);
void WindowHandler(int sig);
void ChldHandler(int sig);
void EndHandler(int sig);
void checkend();                      // ends the editor when a signal asked for it
void termgone();                      // the terminal has gone: ends as a hangup signal does
bool takeinterrupt();                 // true, once, after the interrupt key

// ---------------------------------------------------------------- render.cpp
#include <string>
#include <vector>

// The terminal view: a model of the screen built from the "$" messages.
enum : unsigned char {
    VIEWPLAIN = 0,                    // looks of a cell
    VIEWBAR = 1,                      // status row and results: reverse
    VIEWERROR = 2,                    // an error on the help line
    VIEWFIELD = 3,                    // the extent of a record field
};

struct VIEWMODEL {
    int rows = 0, cols = 0;
    std::vector<unsigned char> cells; // rows x cols Latin-1 characters
    std::vector<unsigned char> looks; // rows x cols looks
    std::vector<char> dirty;          // rows changed since they were last painted
    std::string fields[8];            // file name, mode, view, corefile, line, column,
                                      // line count, cursor colour: as last sent
    std::string ruler;
    std::string help;                 // help line text
    unsigned char helplook = VIEWPLAIN;
    bool waiting = false;             // an error waits for its answer
    std::string command;              // the command line as typed
    bool textcur = false, cmdcur = false;  // which cursor the editor shows
    int prow = 2, pcol = 2;           // the text cursor's row and column
    bool bell = false;                // a bell is due
    bool redrawn = false;             // a full redraw came since the last painting
    bool row2 = false;                // the last message drew row 2 of the window
};

extern bool plainstream;              // the forwarded lines even on a terminal (-s)

void viewsize(VIEWMODEL &v, int rows, int cols);  // empty screen of that size
void viewfeed(VIEWMODEL &v, const char *msg);     // one message into the model
std::string viewrow(const VIEWMODEL &v, int row); // one row's characters
void viewcursor(const VIEWMODEL &v, int &row, int &col);  // where the cursor goes

void viewprepare();                   // before curses starts on standard output
void viewcancel();                    // curses did not start after all
void viewstart();                     // curses runs: the view draws from now on
bool viewactive();
bool viewutf8keys();                  // typed keys arrive as UTF-8
void viewmessage(const char *msg);    // every message gwtransmit receives
void viewrefresh();                   // paint what changed, unless keys are waiting
