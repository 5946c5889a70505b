// Operations of this subsystem not built yet: each does nothing for now.
#include "children/children.h"

void runprog() {}
void calsys() {}
void changedir() {}
void emit() {}
void swinput() {}
void directory() {}
int child_pid = 0;
int voluntary = 0;
void suspendprog() {}
void resumeprog() {}
void killprog() {}
void acknowledge() {}
