// Operations of this subsystem not built yet: each does nothing for now.
#include "analysis/analysis.h"

void generate_enumerations() {}
void phon_readtables(const char *) {}
void clear_phon_tables() {}
void merror_readtables(const char *) {}
void clear_mrdata() {}
void tag_readtables(const char *) {}
void clear_tag_tables() {}

std::vector<TAG_TABLE> taglist;
void mrmodify() {}
void all_variants(treenode *) {}
int compare_var(const char *, treenode *, std::string *) { return 0; }
void err_match_syn(const char *, treenode *, lexdiff *) {}
void err_match_phono(const char *, treenode *, lexdiff *) {}
const TAG_TABLE *err_get_tag_name(int) { return nullptr; }
