// Editor settings shared by the display and the editing operations.
#include <cstring>
#include "operations/operations.h"

int lmargin = 1;
int rmargin = 72;
char tabs[NTABCOLS + 1];
int autowrapflag = 0;
int dectabflag = 0;
int fperror = 0;
double fpresultvalue = 0.0;
char checkerrors[200];
char checkstring[200];

void initsettings()
{
    lmargin = 1;
    rmargin = 72;
    std::memset(tabs, 0, sizeof tabs);
    for (int c = 1; c <= NTABCOLS; c += 8)
        tabs[c] = 1;
    autowrapflag = 0;
    dectabflag = 0;
    fperror = 0;
    fpresultvalue = 0.0;
    checkerrors[0] = 0;
    checkstring[0] = 0;
}

// Word wrap and decimal-tab entry arrive with the line-editing operations.
void autowrap() {}
void decbldtxt() {}
