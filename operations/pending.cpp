// Operations of this subsystem not built yet: each does nothing for now.
#include "operations/operations.h"

void find() {}
void resfind() {}
void resnumber() {}
void rescheck() {}
void extchk() {}
void scantext() {}
void findchk() {}
void change() {}
void reformat() {}
void flushleft() {}
void flushright() {}
void fcenter() {}
void falign() {}
void tabset() {}
void mrgexp() {}
void mrgtext() {}
void mrgassign() {}
void mrgrec() {}
void viewterm() {}
void setspecs() {}
void view() {}
void compute0() {}
void reginc() {}
void regclear() {}
void regdis() {}
void regshow() {}
void evaluate() {}
