// Operations of this subsystem not built yet: each does nothing for now.
#include "engine/engine.h"

int MState;
comp_attr variable_table[NVARIABLES];
pre_rule *preselect_list;

void read_sem_trans(const char *) {}
void analyse_sem_expr(const char *) {}
