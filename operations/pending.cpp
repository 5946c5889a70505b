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
