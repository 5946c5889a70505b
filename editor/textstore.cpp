// Placeholder until this file is built.
#include "editor/editor.h"

COREFILE core[NCORE];
int corenum;
unsigned char textbase[TEXTSIZE];
int64_t avail;
int64_t hiaddr;
LINE *reserve;
bool full;
LINE firstphys;
LINE *lastphys;
LINE *lp;
int cp;
int dist;
void initcore() {}
void initfile() {}
void removefile() {}
void clrfile() {}
void wrwholescreen() {}
void nmeset() {}
LINE * allochdr() { return {}; }
void allocln(int, int) {}
void linkphys() {}
void removeline() {}
void shiftline() {}
void insline() {}
void nuline() {}
int distance(const LINE *, const LINE *) { return {}; }
int64_t curptr() { return {}; }
int64_t endptr() { return {}; }
void cadd(unsigned char) {}
void cinsert(int) {}
void cremove(int) {}
void extline() {}
void erasefield() {}
int findnb() { return {}; }
void detrline() {}
void detrfile() {}
int locatefield(const LINE *, int) { return {}; }
bool locateword(int) { return {}; }
void setptr() {}
int peepc() { return {}; }
void nextc() {}
void prevc() {}
void setcur() {}
void advfile(int) {}
void garbage() {}
