// Placeholder until this file is built.
#include "commands/commands.h"

char stringbuf[STRINGFILESIZE];
void fpr() {}
void fpw() {}
void faw() {}
void fpx() {}
bool fprs() { return {}; }
int readfile(const char *, char *, int) { return {}; }
void loadfile() {}
void fetchfile() {}
void appendfile() {}
void insrtfile() {}
void savefile() {}
void ovrwritefile() {}
void join() {}
