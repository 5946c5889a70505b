// The star block of a corefile located and measured: scratch values filled
// by locatestars and findinfo, valid until the next call. Kept apart from
// operations.h because names such as `first` and `last` are common local
// names elsewhere.
#pragma once
#include <cstdint>
#include "editor/editor.h"

extern LINE *first, *last;            // the block's first and last line in text order
extern int lines;                     // lines in the block
extern int64_t charcount;             // characters in the block's lines
extern int b_curline;                 // the cursor line lies in the block
extern int b_disln;                   // the window's first line lies in the block
extern int b_star;                    // a star line lies in the block
extern int b_elision;                 // always cleared

void clrstars();                      // both stars of the current corefile removed
int delstar();                        // the star on the cursor line removed; 1 if there was one
void locatestars();                   // first and last of the current corefile's stars
void findinfo();                      // lines, charcount and the flags of first..last
void detach();                        // first..last out of the current corefile
void attach();                        // first..last in after the current corefile's cursor line
void moveblock(int from, int to);
// Records of lines built under `head` and not wanted go on the physical
// chain as dead lines, for the collector to free; the list is left empty.
void droplines(LINE *head);
