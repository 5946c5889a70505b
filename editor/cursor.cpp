// Placeholder until this file is built.
#include "editor/editor.h"

int crinsert;
void curright() {}
void curleft() {}
void downline() {}
void upline() {}
void downrec() {}
void uprec() {}
void retrn() {}
void up_page() {}
void downpage() {}
void mwd() {}
void fixcursor() {}
