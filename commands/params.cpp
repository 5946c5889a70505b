// Placeholder until this file is built.
#include "commands/commands.h"

char pstring[PSTRINGSIZE];
int param[NPARAMS];
char curfile[STRPARSIZE], scanpattern[STRPARSIZE], mrgstring[STRPARSIZE],
    expression[STRPARSIZE], sysstring[STRPARSIZE], termstring[STRPARSIZE],
    picstring[STRPARSIZE], mathstring[STRPARSIZE], recboolcheck[STRPARSIZE],
    targetstring[STRPARSIZE], listfile[STRPARSIZE], listinitfile[STRPARSIZE],
    v_error[STRPARSIZE];
int ctrlmode, xlate, ctrlmask;
void getparam() {}
void prmptpar(int) {}
int transchar(char, char **) { return {}; }
int untranschar(char, char **) { return {}; }
