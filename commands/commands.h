// Commands, procedures and files: the command line and its table, parameter
// prompting with the brace notation, the input stream with the procedure
// language, and files on disk.
#pragma once
#include <cstdint>
#include "editor/editor.h"

// ----------------------------------------------------------------- input.cpp

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
void gcr();
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

struct CMDSPEC {
    const char *name;         // full name in capitals; first two letters are the code
    int sideffects;           // 1 warn unsaved; 4 putfname; 8 curline; 16 no result; 32 refused when full
    const char *paramtype;    // two characters per parameter
    const char *defstr;       // defaults separated by '|'
    editop checker;
    editop cmdop;
    const char *prompt;
};

extern const CMDSPEC commands[NCMDS];
extern int cmdptr;                    // row in hand; -1 left command mode; -2 unknown code
extern int del;                       // 2: refused or backed out

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

// ----------------------------------------------------------------- files.cpp

extern char stringbuf[STRINGFILESIZE];  // procedure, template and merge files

void fpr();
void fpw();
void faw();
void fpx();
bool fprs();                          // can curfile be read (silently)
int readfile(const char *name, char *buf, int size);
void loadfile();
void fetchfile();
void appendfile();
void insrtfile();
void savefile();
void ovrwritefile();
void join();
