// Operations of this subsystem not built yet: each does nothing for now.
#include "engine/engine.h"

int MState;
comp_attr variable_table[NVARIABLES];
pre_rule *preselect_list;

void read_sem_trans(const char *) {}
void analyse_sem_expr(const char *) {}
void readlextrans(const char *) {}
void purge_lt_rules() {}
void initialize_lt_rules() {}
void inittrans(int) {}
void exectrans() {}
// A transformation's attribute list is passed over whole.
const char *construct_attr_tran(t_treenode *, const char *list)
{
    while (*list && *list != ']')
        list++;
    return list;
}
void process_indirect_ops(t_treenode *) {}
t_treenode *ilt_create_lsps(const char *) { return nullptr; }
void scan_ilts() {}
void purge_morphvar(morphvar **mv) { *mv = nullptr; }

void transform(t_treenode *) {}
void process_indirections(t_treenode *) {}
