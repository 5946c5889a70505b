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
extern int scanunit;                  // search unit 0..7
extern int lrcswitch;                 // alignment: 0 left, 1 centre, 2 right, 3 on a character

void initsettings();
void autowrap();
void decbldtxt();

// ------------------------------------------------------------ search
void find(); void resfind(); void resnumber(); void rescheck(); void extchk();
void scantext(); void findchk(); void changechk(); void change();
void nextword();                      // the scanner to the start of the next word
void initsearch();                    // captures, check state and statistics cleared
bool reccheck();                      // the current line passes the record check of recboolcheck

// ------------------------------------------------------------ blocks
void makestars(); void recover(); void delete_(); void copyop(); void gen_moveblock();
void gen_sleep();
extern unsigned pauselength;          // seconds the pause key waits (3)

// ------------------------------------------------------------ rect
void makecstars(); void clearallstars(); void deleterect(); void insertrect();
void copyrect(); void insertcols(); void overwrect(); void cpclrrect();
void cpclrovrect();

// ------------------------------------------------------------ lineedit
void begline(); void endline(); void deline(); void marleft(); void maright();
void splitline(); void joinline(); void repchar(); void repline(); void delword();
void delwordend(); void xnextword(); void xprevword(); void xnextnumx(); void flipchar();
void nuline(); void manynulines(); void ldenter(); void ldexit(); void lddelin(); void lddelout();
void ldleft(); void ldright(); void ldup(); void lddown(); void deletefile();
void swautowrap(); void decimaltab(); void gotobottom(); void list(); void namefile(); void newname();
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

// ------------------------------------------------------------ templates.cpp
// Record templates: "{r c}" directive groups, text, and "#n/w/t" fields.

inline constexpr unsigned char TEMPLEND = 4;    // ends a record template
inline constexpr int TEMPLERRSIZE = 80;

extern const char *tempbufptr;        // record template in use, ended by TEMPLEND;
                                      // null: the default layout
extern const char *mrgbufptr;         // merge template (TEMPLATE 2); null when none
extern char templerr[TEMPLERRSIZE];   // why the last layout stopped, naming the line

void inittemplates();
// Lays the record template out into frow, fcol, maxfieldlen, ftype and
// numfields, drawing its text when `draw`; 1 when it has an error (the
// fields before it keep their places, the rest the default layout).
int writetemplate(int draw);
int usetemplate(const char *templ);   // make it the template in use; writetemplate's answer
void setspecs();

// ---------------------------------------------------------------- merge.cpp

extern const char *mrgptr;            // template being expanded
extern int mrglen;                    // its length
extern int mrgcnt;                    // characters of it consumed
extern int64_t mrgavail;              // where the expansion starts (avail)
extern char terminate;                // field separator: '|' on records, blank on text
extern int mrgnumfields;              // fields of the current record, at most NMRGFIELDS
extern int64_t fieldptr[NMRGFIELDS + 1];  // arena position of each field, from 1
extern int mrgflen[NMRGFIELDS + 1];   // each field's length

void mrgsetup();                      // the fields of the current record
// Expands mrgptr at avail in the free part of the arena; returns its length,
// or -1 (with a message, the arena untouched) when it does not fit. A
// reference to a missing field stops it with fperror 3.
int merge();
// Expands `templ` and evaluates the expansion; the arena is left as it was.
// On success the result is on the number stack and true is returned.
bool mergeeval(const char *templ, int length);
void mrgexp(); void mrgtext(); void mrgassign(); void mrgrec();

// ---------------------------------------------------------------- views.cpp

extern const char view0string[];      // parameter types of the settings view's fields
extern int savecore;                  // corefile VIEW returns to
extern const char *savetempl;         // record template VIEW returns to

void initviews();
void view(); void viewterm(); void viewcmnd();

// ------------------------------------------------------------- evaluate.cpp
// The expression evaluator and the register numstack[oldindex].

extern double numstack[NUMSTACKSIZE]; // values; slot oldindex is the register
extern int ni;                        // top of numstack
extern int oldindex;                  // slot below the values of an evaluation (1)
extern double fp_num;                 // the last result
extern int fpnumused;                 // characters the last evaluation consumed
extern char fpresult[FPRESULTSIZE];   // the register as last shown, e as apostrophe

void initregisters();
// Evaluates `length` characters of text (less when a blank or a character
// outside the notation ends it). On success the result is pushed above the
// values below it, fp_num holds it and the characters used are returned;
// otherwise fperror is 1 (syntax) or 2 (overflow, division by zero, no
// number) and 0 is returned.
int dijkstra(const unsigned char *text, int length);
int dijkstra(const char *text, int length);
// One number of the notation at text; *used gets the characters read.
double flvalue(const unsigned char *text, int length, int *used);
void showregister();                  // fpresult from the register; redraw level 11
void typestring(const char *s, editop enter);  // s typed at the cursor through enter
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
