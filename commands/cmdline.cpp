// Placeholder until this file is built.
#include "commands/commands.h"

const CMDSPEC commands[NCMDS] = {};
int cmdptr;
int del;
void prcmnd() {}
int getcmnd() { return {}; }
