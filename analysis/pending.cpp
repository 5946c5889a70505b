// Operations of this subsystem not built yet: each does nothing for now.
#include "analysis/analysis.h"

void err_analysis(const char *) {}
void err_analysis_single(const char *, int) {}
void err_set_rootset(const char *) {}
