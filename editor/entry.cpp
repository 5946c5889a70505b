// Placeholder until this file is built.
#include "editor/editor.h"

unsigned char delbuf[DELBUFSIZE];
int delptr;
void inmode() {}
void bldtxt() {}
void xbldtxt() {}
void rubtxt() {}
void savechar(unsigned char) {}
void makeobject() {}
void rctrunc() {}
