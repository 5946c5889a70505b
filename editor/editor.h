// The editing core: text store, start-up and edit loop, text entry and
// cursor movement. Records and globals shared across the program.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <cstddef>
#include <string_view>
#include "editor/limits.h"

// ---------------------------------------------------------------- records

struct LINE {                 // struct coreline: one line of a corefile
    LINE *up;                 // previous line (the header's up is the last line)
    LINE *down;               // next line (the header's down is the first line)
    LINE *nextphys;           // next record on the physical chain, null at the end
    int32_t object;           // object code: 0 text, 1 record, 2 picture, 3 formula,
                              // 4 not editable, 5 empty without text, -1 dead
    int32_t length;           // characters in the arena
    int64_t index;            // arena offset of the first character (picture handle for object 2)
    int64_t linekey;          // offset of the sort key within the line
    uint64_t sortprefix;      // the key's first characters, collated, packed (sort.cpp)
};

struct COREFILE {
    LINE *header;             // sentinel of the circular line list
    LINE *lnptr;              // current line
    int32_t curcol;           // cursor column from 1; may lie beyond the end
    int32_t curline;          // number of the current line from 1
    int32_t lncount;          // number of lines
    int64_t charcount;        // number of characters in all lines
    int32_t viewtype;         // view type 0..7
    int32_t curflag;          // cursor sub-state
    char filname[NAMESIZE];   // file name of the corefile
    bool edited;              // changed since last fetched or saved
    LINE *starA, *starB;      // star marks, null when unset
    char nextstar;            // which star mark is set next
    int32_t starcount;        // star marks set
    int32_t cstarA, cstarB;   // column marks of a rectangular block
    char cnextstar;           // which column mark is set next
    int32_t cstarcount;       // column marks set
    LINE *disln;              // line shown on the first row of the window
};

// What the edit loop does around a row's operation.
enum : uint32_t {
    ECURLINE = 1,                     // the current line number is recomputed
    EEDITED = 2,                      // the corefile is marked edited
    EROOM = 8,                        // needs free space: ignored while the store is full
};

// One row of the edit table, indexed by key type.
using editop = void (*)();
struct edtable {
    uint32_t sideffects;      // E... flags: what the edit loop does around the operation
    int32_t replimit;         // consecutive keys acted on while repeat limiting is on
    uint32_t cmpmask;         // view types in which the key is always allowed
    editop operatn[NVIEWS];   // operation per view type
};

// ------------------------------------------------------------ textstore.cpp

extern COREFILE core[NCORE];
extern int corenum;                   // current corefile, 1 after start-up
extern unsigned char textbase[TEXTSIZE];
extern int64_t avail;                 // first free character above all text
extern int64_t hiaddr;                // soft end of the arena
extern LINE *reserve;                 // spare line record; null when none could be had
extern bool full;                     // store is full (set by garbage)
extern int64_t freecount;             // grows whenever arena characters become free
extern LINE firstphys;                // anchor of the physical chain
extern LINE *lastphys;                // last record of the physical chain
extern LINE *lp;                      // scanner line
extern int cp;                        // scanner column
extern int dist;                      // lines the scanner moved since setptr

inline COREFILE &curcore() { return core[corenum]; }

// The text window the corefiles are shown in, sized by the screen: the store
// keeps the line it adds or moves to inside it.
extern int windowtop;                 // first row of the text window (2)
extern int windowend;                 // last row of the text window
extern int depth;                     // rows in the text window

// What the display redraws after an operation: the level the operation asks
// for in `redisplay`. The levels from RFLAG to RBOOL draw no line's text.
enum redrawlevel {
    RNONE = 0,                        // nothing
    RWINDOW = 1,                      // the whole window from its first line
    RSCROLLED = 2,                    // the window, moved down by a line
    RNEWTOP = 3,                      // the window, from a new first line
    RCHAR = 4,                        // the character just typed, at the cursor
    RLINE = 5,                        // the cursor line
    RBELOW = 6,                       // the cursor line and every line below it
    RFIELD = 7,                       // the cursor's field (records), else its line
    RSHIFTED = 8,                     // the window moved sideways: tab ruler and window
    RFLAG = 9,                        // the cursor line's flags
    RFLAGS = 10,                      // the flags of the window's lines
    RFLOAT = 11,                      // an evaluation's number
    RFORMULA = 12,                    // a formula, laid out by its own operations
    RBOOL = 19,                       // an evaluation's truth value
    RABOVE = 20,                      // the cursor line and the line above it
    RNEXT = 21,                       // the cursor line and the line below it
};
extern redrawlevel redisplay;         // redraw level asked for by the last change; the display clears it

void initcore();
void initfile();
void removefile();
void clrfile();
void wrwholescreen();
void nmeset(const char *name);       // the current corefile's file name
LINE *allochdr();
void dropreserve();                   // gives the spare record back, as when none could be had
void allocln(int object, int length);
void linkphys();
void removeline();
void shiftline();
void insline();
int distance(const LINE *l1, const LINE *l2);
void linkschanged();                  // any routine that relinks the current corefile's
                                      // lines outside this store must call it
int64_t curptr();
int64_t endptr();
bool cadd(unsigned char c);           // false: refused (no room, no record, picture)
void cinsert(int n);
void cremove(int n);
bool canstore(int64_t n);            // false: n more characters leave no head-room, whatever is collected
void extline();
void erasefield();
int findnb();
void detrline();
void detrfile();
int locatefield(const LINE *line, int n);
bool locateword(int n);
void setptr();
int peepc();
void nextc();
void prevc();
void setcur();                        // the scanner's place becomes the cursor
void advfile(int n, int count, int64_t col);  // n 0: to line count, column col; 1: by them
void garbage();
// Appends a line to corefile n, whose view follows it; once no room is left,
// one notice and nothing more until text is freed.
void v_line(int n, int object, std::string_view text);
[[gnu::format(printf, 2, 3)]] void v_linef(int n, const char *fmt, ...);
[[gnu::format(printf, 2, 0)]] void v_vlinef(int n, const char *fmt, va_list ap);

// ------------------------------------------------------------- edittable.cpp

extern const edtable edittable[NEDITROWS];
extern const uint32_t editmask[NVIEWS];
extern const uint32_t viewmask[NOBJECTS];
extern uint32_t cureditmask;          // editmask of the current view type
extern uint32_t curviewmask;          // viewmask of the current line's object
extern uint32_t curopmask;            // cmpmask of the current key type

// -------------------------------------------------------------- editloop.cpp

extern bool overflg;                  // stops the edit loop
extern int repflag;                   // 1: repeat limiting off; 0: on
extern int mode;                      // 0 command line, 1 overtype, 2 insert
extern int fparnum;                   // argument count
extern const char *fparam1, *fparam2, *fparam3, *fparam4;
extern char versionbuffer[VERSIONSIZE];

int kelmain(int argc, char **argv);
// Ends the process with `status` once every stream is flushed, running the
// quick-exit handlers (at_quick_exit) but not the destructors of the
// program's tables, which would only walk and page in what the run never
// used; the system takes the memory back at once. Leak-checking builds end
// with exit(), so that their check runs.
[[noreturn]] void endprocess(int status);

// buildinfo.cpp
extern const char kelversion[];       // "1.0.0"
extern const char kelbuilddate[];     // "Jul 27 2020"
extern const char kelbuildtime[];     // "17:32:22"
void initstate();                     // every subsystem back to its start-up state
void editor();
void goodbye();
void identify();
void uclcsw();
void noop();
void endofinput();                    // standard input ended: leave cleanly
extern void (*inputended)();          // what the end of standard input does: endofinput

// ----------------------------------------------------------------- entry.cpp
// Text entry, rub-out and recall on text lines; the delete buffer; the
// object a new line gets in the current view.

extern unsigned char delbuf[DELBUFSIZE];  // ring of the last removed characters
extern int delptr;                    // slot the next saved character goes to
extern int dtstate;                   // 1: decimal-tab entry in progress

void initentry();                     // delete buffer back to spaces
void inmode();
void bldtxt();
void xbldtxt();
void rubtxt();
void dropadded(int n);                // takes the last n characters off the line again
void copytxt();
void rectxt();
void recword();
void savechar(unsigned char c);
unsigned char lastsaved();            // steps delptr back; the character there
bool bufhasmark();                    // a backslash (word or field start) is in the ring
void recallchar(editop enter);        // last saved character typed back, cursor stays
int recallword(editop enter);         // back to the last backslash; characters typed
void makeobject();
void makerec();

// ---------------------------------------------------------------- cursor.cpp

extern int crinsert;                  // what RETURN does: 0, 1 or 2

void initcursor();                    // crinsert and the formula cursor
void curright();
void curleft();
void downline();
void upline();
void downrec();
void uprec();
void retrn();
void up_page();
void downpage();
void mwd();
void fixcursor();

// --------------------------------------------------------------- records.cpp
// Record lines: typing and rubbing out within fields, field recall, field keys.

// Character classes of record entry, the rows of checktable.
enum { CKPUNCT, CKDIGIT, CKLETTER, CKYESNO, CKDASH, NCKCLASSES };
inline constexpr int NFIELDTYPES = 9;           // field types 'b'..'j'
extern const unsigned char checktable[NCKCLASSES][NFIELDTYPES];

int checkclass(unsigned char c);      // row of checktable for a character
void bldrec();
bool xbldrec();                       // false: the character was refused
void rubrec();
void rubfield();
void copyfield();
void rctrunc();
void recrec();
void recfield();
void downfield();
void upfield();

// --------------------------------------------------------------- formula.cpp
// Formula lines (object 3): structural codes between ordinary characters.

inline constexpr unsigned char FBAR = 0xF3;     // separates parts and table columns
inline constexpr unsigned char FROWBAR = 0xF4;  // separates table rows
inline constexpr unsigned char FTABLE = 0xF5;   // table node
inline constexpr unsigned char FEND = 0xF6;     // ends a node

extern int greenx, greeny;            // table cell of the green cursor, from 0
extern int curtabnode;                // number of the node under the cursor
extern int64_t tabptr;                // arena offset of the formula character under the cursor

void bldmath();
void rubmath();
void insnode(unsigned char code, int bars);
bool insmath(const unsigned char *s, int n);
void recmath();
void instabrow();
void instabcol();
int skipbars(int num, unsigned char c1, unsigned char c2, int direction, int bflag);
int skipforward(int num, unsigned char c1, unsigned char c2);
int skipback(int num, unsigned char c1, unsigned char c2);
void leftm();
void rightm();
void upm();
void downm();
void uprow();
void downrow();
void greencur();
int moveleft();
void moveright();
void moveback();
int curnode();
void copynode();
void copyform();
void copymathitem(int n);
// Recognisers and layout of formulas: they answer no and lay out nothing.
bool isnode(unsigned char c);
bool isbar(unsigned char c);
void countrowcol();
void gettabrowcol();

// ---------------------------------------------------------- the edit table's
// operations built elsewhere or still empty (pending.cpp and later files)

void rubgraph();
// picture and formula-layout operations: empty in this system
void addpic(); void droppoint(); void grops(); void nextitem(); void previtem();
void pickpoint(); void picleft(); void picright(); void picup(); void picdown();
void preview(); void remember();
void freepic(int64_t handle);
