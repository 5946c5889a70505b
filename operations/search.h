// The search's own state and routines shared by its files: the pattern
// matcher over positions of a corefile, the wildcard matcher and its
// captures, the word window and the checks.
#pragma once
#include "operations/operations.h"

inline constexpr int WINDOWSIZE = 50;          // word window ring: 49 words in use
inline constexpr int BOOLSTRINGSIZE = 33;      // 32 bits shown and a zero
inline constexpr int NWORDLENS = 21;           // word lengths 0..20, above 20 counted as 20
inline constexpr int NSENTLENS = 101;          // sentence lengths 0..100

// A scanning position: a line of the current corefile and a column from 1;
// one past the line's text is its end (10), the header is the end of text (4).
struct SPOS {
    LINE *l;
    int c;
};

// ---------------------------------------------------------------- find.cpp

extern unsigned char peepchar;        // the character just examined
extern long matcharray[PATTSIZE];     // per pattern position, the text position last examined
extern int wordlen[NWORDLENS];        // scantext: words by letters and digits
extern int sentlen[NSENTLENS];        // scantext: sentences by words

int textlength(const LINE *l);        // characters of a line as text (0 for a picture)
int charat(const SPOS &p);            // the character at p: 10 at a line end, 4 at the header
void stepon(SPOS &p);                 // one character on, across line ends; stays at the header
void wordon(SPOS &p);                 // past this word to the next letter or digit
// Whether the pattern language holds at p (p itself is not moved).
bool match(const unsigned char *pattern, const SPOS &p);
bool match(const char *pattern);      // at the scanner position lp, cp
// From p on, the next position where `pattern` holds, character by character,
// up to the end of the text; p is left there (at the header when none).
bool fastsearch(const unsigned char *pattern, SPOS &p);
void moveoneunit();                   // the scanner one unit of scanunit on
bool basictest(bool first);           // the pattern by scanunit's rule at the scanner
// The wildcard pattern against the whole of text (length characters): '*'
// matches any run. Fills matcharray for copywild.
bool unify(const unsigned char *pattern, const unsigned char *text, int length);
// The captures of the last unify into unified: slot n the n-th '*'.
void copywild(const unsigned char *pattern, const unsigned char *text, int length);

// -------------------------------------------------------------- checks.cpp

extern unsigned long boolcheck;       // a bit per check, the first the most significant
extern unsigned long boolerror;       // the same bits where a check could not be evaluated
extern int numchecks;
extern int cmperr;                    // the last string test was malformed
extern char boolstring[BOOLSTRINGSIZE];
extern LINE *findlptr[WINDOWSIZE];    // the word window: positions of words or fields
extern int findcptr[WINDOWSIZE];
extern int findbufptr;                // slot the next word goes to
extern int findbotptr;                // slot of word 1

void makecheck(const char *bits, unsigned long *required, unsigned long *mask);
void checksetup();                    // the window afresh from the scanner position
void checkupdate();                   // the window one word on
void multicheck();                    // every check of corefile 18 at the scanner position
bool recstrmatch(const char *test);   // a string test (after its '$')
bool recmathmatch(const char *test, int length);  // an arithmetic condition
bool checksheld(const char *bits);    // multicheck's bits against a bit pattern
void getboolstring(unsigned long value, int n);
