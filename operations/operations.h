// Editing operations: search and change, star and rectangular blocks, line editing,
// sort, reformat, records and merge, registers and expressions, settings.
#pragma once
#include <array>
#include "editor/editor.h"

// ------------------------------------------------------------- settings.cpp

extern int lmargin, rmargin;          // margins, 1 and 72 at start
extern char tabs[NTABCOLS + 1];       // tab stop flags for columns 1..144
extern int autowrapflag;              // 1: automatic word wrap
extern int dectabflag;                // 1: decimal tab entry
extern int fperror;                   // evaluator error: 1 syntax, 2 overflow, 3 merge field
extern double fpresultvalue;          // the register shown by putfloat
extern char checkerrors[200];         // check errors of the last search (putbool)
extern char checkstring[200];         // check string of the last search (putbool)
extern int hyphlevel;                 // hyphenation level 0..3
extern int jmode;                     // 1: lines are right-justified

void initsettings();
void autowrap();
void decbldtxt();

// ------------------------------------------------------------ search
void find(); void resfind(); void resnumber(); void rescheck(); void extchk();
void scantext(); void findchk(); void changechk(); void change();
void nextword();                      // the scanner to the start of the next word

// ------------------------------------------------------------ blocks
void makestars(); void recover(); void delete_(); void copyop(); void gen_moveblock();
void gen_sleep();

// ------------------------------------------------------------ rect
void makecstars(); void clearallstars(); void deleterect(); void insertrect();
void copyrect(); void insertcols(); void overwrect(); void cpclrrect();
void cpclrovrect();

// ------------------------------------------------------------ lineedit
void begline(); void endline(); void deline(); void marleft(); void maright();
void splitline(); void joinline(); void repchar(); void repline(); void delword();
void delwordend(); void xnextword(); void xprevword(); void xnextnumx(); void flipchar();
void manynulines(); void ldenter(); void ldexit(); void lddelin(); void lddelout();
void ldleft(); void ldright(); void ldup(); void lddown(); void deletefile();
void swautowrap(); void decimaltab(); void gotobottom(); void list(); void newname();
void update(); void shift();

// ------------------------------------------------------------ sort
void sortchk(); void sort(); void skey();

// ----------------------------------------------------------------- sort.cpp

extern int sortdir;                   // 0 ascending, any other digit descending
extern int keylength;                 // last key column; below 0 columns to the left; 0 no sort
extern int sortln1, sortln2;          // first and last line of the range
extern int sortpos;                   // cursor column when SORT was given
extern int sorttable;                 // collation: 0 signed bytes, 1 unaccented, 2 accents
extern const std::array<int, 256> unaccented;  // base letter in lower case, 127 for others
extern const std::array<int, 256> accents;     // accent class of each code

void initsort();
int linecmp(const LINE *a, const LINE *b);  // -1, 0, 1 by the keys of the current corefile

// ------------------------------------------------------------ reformat
void reformat(); void flushleft(); void flushright(); void fcenter(); void falign();
void tabset(); void tabcur();

// ------------------------------------------------------------ records
void mrgexp(); void mrgtext(); void mrgassign(); void mrgrec(); void viewterm();
void setspecs(); void view();

// ------------------------------------------------------------ registers
void compute0(); void reginc(); void regclear(); void regdis(); void regshow();
void evaluate();

// ------------------------------------------------------------ settings
void show(); void silent(); void hyphenset(); void justset(); void marginchk();
void objset(); void coreset(); void inkeyset(); void outkeyset(); void option();
void settabs(); void window();

// ------------------------------------------------------------- position.cpp

void positchk();                      // POSITION: column 0 keeps the cursor's column
void positn();                        // POSITION: line and column from the top
void advance();                       // ADVANCE: lines and columns from the cursor
