// Commands, procedures and files: the command line and its table, parameter
// prompting with the brace notation, the input stream with the procedure
// language, and files on disk.
#pragma once
#include <cstdint>
#include <cstdio>
#include "editor/editor.h"

// ----------------------------------------------------------------- input.cpp

// Key types: what `intran` makes of a code, and the row of the edit table
// that acts on it. The stream itself acts on some of them.
enum keytype : int {
    KIGNORED = 0,
    KRETURN = 1,
    KPUNCT = 2,
    KDIGIT = 3,
    KLETTER = 4,
    KRUBOUT = 5,
    KPREFIX1 = 6,
    KPREFIX2 = 7,
    KNUMERIC = 8,
    KIGNORED2 = 9,
    KRESUME = 13,
    KSUSPEND = 14,
    KKILL = 15,
    KACK = 16,
    KMATH = 53,                 // a character of a formula
    KIFCAPT = 107,              // {-}n text RETURN
    KIFEQ = 108,                // {=}n
    KLOOP = 110,                // {<}
    KLOOPEND = 111,             // {>}
    KTEST = 112,                // {^}
    KCOUNT = 113,               // {$}n
    KENDCOUNT = 114,            // {%}
    KIF = 115,                  // {?}
    KELSE = 116,                // {:}
    KENDIF = 117,               // {.} and {&}
    KFN0 = 118,                 // function keys 0..9
    KFN9 = 127,
};

extern unsigned char holdch;          // character delivered by fetchchar
extern int type;                      // its key type
extern int escflg;                    // 0, 128, 256, or 384 while a numeric code is read
extern int transb;                    // 1: letters of key type 4 arrive as capitals
extern int intran[NINTRAN];           // key type of every code
extern unsigned char char_map[NCHARMAP];  // character delivered for key types 2..4
extern char fn[NFNKEYS][FNSIZE];      // function-key strings
extern const char *fnstack[NSTRINGS + 1]; // active strings; null entry = keyboard level
extern int fnptr;                     // 0: no string active
extern const char *loopstack[NLOOPS];
extern int loopptr;
extern int vl_result[NLOOPS];         // result or counter per loop depth
extern int loopdepth;
extern char patt[PATTSIZE];
extern char unified[NCAPTURES][PATTSIZE];  // wildcard captures of the last search
extern int progtrans;                 // 1: ASK answers go to the child program

void initinput();                     // default tables and empty stacks
void fetchchar();
void pushfn(const char *s);
void gcr();                           // waits for RETURN (del 1) or RUB OUT (del 2)
int gnum();
void glett();
int fetchint();
void fetchpatt();
void skiptoend();
void skiptoelse();
void skipendif();
void wildtxt();
void wildrec();
void ask();

// ------------------------------------------------------------- keytables.cpp

// Where each plane of intran starts; escflg holds one of these while a
// prefix or a numeric code is pending.
inline constexpr int ESCPLANE1 = 128;   // after one escape prefix; bytes 128..255
inline constexpr int ESCPLANE2 = 256;   // after the second prefix
inline constexpr int NUMPLANE = 384;    // numeric codes 0..MAXNUMCODE

void initkeytables();                 // default intran and char_map

// --------------------------------------------------------------- cmdline.cpp

// What the command line does around a command.
enum : int {
    CWARN = 1,                        // "Warning: corefile not saved" before the prompting
    CFILENAME = 4,                    // the status line's file name rewritten after
    CCURLINE = 8,                     // the current line number recomputed after
    COWNRESULT = 16,                  // the loop result is left to the operation
    CROOM = 32,                       // refused while the store is full
};

struct CMDSPEC {
    const char *name;         // full name in capitals; first two letters are the code
    int sideffects;           // C... flags: what the command line does around the command
    const char *paramtype;    // two characters per parameter
    const char *defstr;       // defaults separated by '|'
    editop checker;
    editop cmdop;
    const char *prompt;
};

extern const CMDSPEC commands[NCMDS];
extern int cmdptr;                    // row in hand; -1 left command mode; -2 unknown code
extern int del;                       // 0 prompting; 1 RETURN answered; 2 RUB OUT, refused or backed out
bool refuse(const char *message);     // shows the message; del 2; returns false

void prcmnd();
int getcmnd();

// ---------------------------------------------------------------- params.cpp

extern char pstring[PSTRINGSIZE];
extern int param[NPARAMS];
extern char curfile[STRPARSIZE], scanpattern[STRPARSIZE], mrgstring[STRPARSIZE],
    expression[STRPARSIZE], sysstring[STRPARSIZE], termstring[STRPARSIZE],
    picstring[STRPARSIZE], mathstring[STRPARSIZE], recboolcheck[STRPARSIZE],
    targetstring[STRPARSIZE], listfile[STRPARSIZE], listinitfile[STRPARSIZE],
    v_error[STRPARSIZE];
extern int ctrlmode, xlate, ctrlmask;

void getparam();
void prmptpar(int m);
int transchar(char c, char **out);
int untranschar(char c, char **out);
// The string variable of a 'c' or 'f' qualifier '1' to 'G', and whether the
// brace notation applies to it; null for another qualifier.
char *stringdest(char qualifier, bool *translated);

// ----------------------------------------------------------------- files.cpp
#include <csignal>
#include <cstdio>

// The default last line of a file command; as the last line of a transfer
// it reaches the end of the file or corefile, however long.
inline constexpr int LASTLINE = 200000;

// Values of ioerr.
inline constexpr int IOTRUNC = 1;     // load cut short: store full, interrupted, read error
inline constexpr int IOEOF = 2;       // the file has no further line
inline constexpr int IOPIC = 3;       // bad picture
inline constexpr int IOWRITE = 4;     // a write failed
inline constexpr int IONOFILE = 5;    // the file could not be opened

extern char stringbuf[STRINGFILESIZE];  // procedure, template and merge files
extern int lfonly;                    // 1: lines written with LF; 0: with CR LF
extern int fetchstyle;                // 1: backslash prefixes give objects; 2: all text
extern int octflag;                   // 0: TAB expanded on reading; 1: kept
extern int ioerr;                     // outcome of the last transfer, 0 or IOTRUNC..IONOFILE
extern int linetype;                  // object of the line gline read last
extern volatile std::sig_atomic_t abortreq;  // set by the interrupt key: stop the load
extern volatile std::sig_atomic_t endreq;    // a hangup, quit or termination signal
                                             // waits to end the editor: its number

// Long work (loading, searching, generating, analysing) looks at this often
// and gives up when it holds: the interrupt key or an ending signal asks for
// it. Cheap enough for every pass of an inner loop.
inline bool stopping() { return abortreq != 0 || endreq != 0; }

void initfiles();                     // the settings above to their start values
int tabcol(int col);                  // 1 when col is a tab stop
int gline(std::FILE *in);             // one line into the arena at avail; its length
void gfile();                         // the range of curfile after the current line
void getfile();                       // gfile, then its messages
int pfile(std::FILE *out);            // the range of the current corefile; 0 or IOWRITE
const char *lineprefix(int object);   // a line's prefix in files; null: not written

void fpr();
void fpw();
void faw();
void fpx();
bool fprs();                          // can curfile be read (silently)
int readfile(const char *name, char *buf, int size);
// regular.cpp: a regular file opened to read (a descriptor, or a stream);
// anything else fails as a missing file would. `size` gets the file's size
// when it was opened. keepregular opens a file and keeps it for the next
// open of the same name, until forgetregular (at the end of each command).
int openregular(const char *name, int64_t *size = nullptr);
std::FILE *fopenregular(const char *name, int64_t *size = nullptr);
bool keepregular(const char *name);   // false: could not be opened
void forgetregular();
// Corefiles (bit n) whose last SAVE, OVERWRITE or UPDATE failed; a run that
// ends with one of them still unsaved ends with status 1.
extern uint32_t savefailures;
// recover.cpp: every corefile with unsaved changes into a new recovery
// file, each reported on standard error; the number that failed.
int recoverfiles();
void recoverfast();                   // the same from a signal handler, as a last resort
void loadfile();
void fetchfile();
void appendfile();
void insrtfile();
void savefile();
void ovrwritefile();
void join();
