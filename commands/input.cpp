// Placeholder until this file is built.
#include "commands/commands.h"

unsigned char holdch;
int type;
int escflg;
int transb;
int intran[NINTRAN];
unsigned char char_map[NCHARMAP];
char fn[NFNKEYS][FNSIZE];
const char *fnstack[NSTRINGS + 1];
int fnptr;
const char *loopstack[NLOOPS];
int loopptr;
int vl_result[NLOOPS];
int loopdepth;
char patt[PATTSIZE];
char unified[NCAPTURES][PATTSIZE];
int progtrans;
void initinput() {}
void fetchchar() {}
void pushfn(const char *) {}
void gcr() {}
int gnum() { return {}; }
void glett() {}
int fetchint() { return {}; }
void fetchpatt() {}
void skiptoend() {}
void skiptoelse() {}
void skipendif() {}
void wildtxt() {}
void wildrec() {}
void ask() {}
