// Operations of this subsystem not built yet: each does nothing for now.
#include "engine/engine.h"

int MState;
comp_attr variable_table[NVARIABLES];
pre_rule *preselect_list;

void read_sem_trans(const char *) {}
void analyse_sem_expr(const char *) {}
void clear_GP() {}
void global_preselect() {}
void interpret() {}
int gen_comp() { return 0; }
void sentence_to_core(int, int) {}
void store(int, int) {}
void restorenode(const char *) {}
void talk(int) {}
// A transformation's attribute list is passed over whole.
const char *construct_attr_tran(t_treenode *, const char *list)
{
    while (*list && *list != ']')
        list++;
    return list;
}
void process_indirect_ops(t_treenode *) {}
void purge_morphvar(morphvar **mv) { *mv = nullptr; }
int there_has_been_no_generation() { return 1; }

// An open choice is drawn when it is first needed: values from 1, never 0.
void make_choice(int i)
{
    if (i < 0 || i >= NDELAY || delayed[i].fixed)
        return;
    int cls = delayed[i].class_;
    int n = cls > 0 && cls < total_types ? attr_table[cls].entries : 0;
    delayed[i].fixed = 1;
    delayed[i].choice = 1 + getrandom(n - 1);
}
