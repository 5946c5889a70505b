// Child programs and the shell: the driver on two pipes, shell escape, directories.
#pragma once
#include <cstdarg>
#include <cstdio>
#include "editor/editor.h"
#include "screen/screen.h"

// -------------------------------------------------------------- children.cpp
// The driver program: its keystrokes come in through kelinput, answers,
// acknowledgements and line ranges go out through keloutput.

extern int progstate;                 // 0 no driver, 1 running, 2 suspended
extern int child_pid;                 // the driver's process id, 0 when none
extern int voluntary;                 // 1: suspended by the user (key or SWITCH 0)
extern KEYSOURCE kelinput;            // the driver's standard output, read as keys
extern FILE *keloutput;               // the driver's standard input; null when none

void runprog();                       // RUN: start the driver named by curfile
void suspendprog();
void resumeprog();
void killprog();
void reapdriver();                    // a driver that has exited is collected
void acknowledge();                   // LF to a running driver
void swinput();                       // SWITCH 0, 1, 2
void emit();                          // EMIT a line range to standard output or the driver
void endchildren();                   // the editor ends: continue a suspended driver,
                                      // close both pipes, leave it to finish alone

// Writes to a running driver and flushes. A write that fails (the driver has
// gone) ends the driver; false then, and also when no driver is running.
[[gnu::format(printf, 1, 0)]] bool childvprintf(const char *fmt, va_list ap);
[[gnu::format(printf, 1, 2)]] bool childprintf(const char *fmt, ...);

// ----------------------------------------------------------------- shell.cpp

inline constexpr char COMMANDFLAG[] = "-c";
inline constexpr char SHORTDIR[] = "ls";
inline constexpr char LONGDIR[] = "ls -l";
inline constexpr char TOPDIR[] = "ls ..";
inline constexpr int CWDSIZE = 1024;  // longest working directory shown by CDIRECTORY

void calsys();                        // SHELL, UNIX SHELL: sysstring through /bin/sh
void changedir();                     // CDIRECTORY
void directory();                     // DIRECTORY B, F or T
