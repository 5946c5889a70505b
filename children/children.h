// Child programs and the shell: the driver on two pipes, shell escape, directories.
#pragma once
#include "editor/editor.h"

// ------------------------------------------------------------ children
void runprog(); void calsys(); void changedir(); void emit(); void swinput();
void directory();
// ------------------------------------------------------------ control of the driver
// Used by the input stream's suspend, resume, kill and acknowledge keys.
extern int child_pid;                 // running driver program, 0 when none
extern int voluntary;                 // 1: suspended by the user
void suspendprog();
void resumeprog();
void killprog();
void acknowledge();
