// Placeholder until this file is built.
#include "screen/screen.h"

int windowtop;
int windowend;
int depth;
int helpline;
int cmdline;
int swidth;
int overlap;
int shiftc;
int pshift;
int rightcol;
int redisplay;
int visible;
int oldcore, oldline, oldcol, oldlncnt, oldcoreview;
bool bhelp;
const char *const views[NVIEWS] = {};
const char fullmsg[] = {};
unsigned char outtran[256];
char gwmsg[GWMSGSIZE];
int numfields;
int frow[NFIELDS + 1], fcol[NFIELDS + 1], maxfieldlen[NFIELDS + 1];
char ftype[NFIELDS + 1];
int fieldnum;
int64_t recptr;
int fieldsiz;
int64_t disrecptr;
void initdisplay() {}
void display() {}
void discur() {}
void putstats() {}
void gendis() {}
void wrline(LINE *, int) {}
void wrtext(LINE *, int) {}
void distxt() {}
void disrec() {}
void wrecord() {}
void disfield() {}
void wfield() {}
void wflag() {}
void findfield() {}
void fieldlen() {}
void putch(unsigned char) {}
void putstg(int64_t, int, int) {}
void putstring(const char *, int) {}
int diserr(const char *) { return {}; }
void progress(const char *) {}
void clearhelp() {}
void putfname() {}
void putresult() {}
void putfloat() {}
void putbool() {}
void prtabs() {}
