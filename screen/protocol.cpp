// Placeholder until this file is built.
#include "screen/screen.h"

char shadow_cmdline[SHADOWSIZE + 1];
int shadow_ptr;
void gwtransmit(const char *) {}
bool forwarded(const char *) { return {}; }
void txtcur() {}
void rmtxtcur() {}
void cmdcur() {}
void rmcmdcur() {}
void clrtextzone() {}
void postcur(int, int) {}
void ibeep() {}
void backspace() {}
void putcmdlett(char) {}
void flushout() {}
