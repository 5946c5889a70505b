// Learner-response analysis: comparing a typed response with the generated
// sentences, classifying and scoring the differences.
#pragma once
#include "editor/editor.h"

// ------------------------------------------------------------- scores.cpp
// The six error scores set by ESCORE and shown by PERRORSCORES.

extern int vnomatchscore;             // missing/extra: per word of length difference
extern int vorderscore;               // order: an unrelated word
extern int vsynscore;                 // lex: a lexically related word
extern int vmorphscore;               // morph: another inflection
extern int vphonoscore;               // phon: a phonologically plausible spelling
extern int vapproxscore;              // spell: a near spelling
extern int vexactscore;               // an exact word; stays 0

void initscores();
void perrorscore();

// ------------------------------------------------------------ pending.cpp
// Operations of the analysis not built yet: each does nothing for now.

void err_analysis(const char *response); void err_analysis_single(const char *response, int n);
void err_set_rootset(const char *text); void generate_enumerations();
void phon_readtables(const char *filename); void clear_phon_tables();
void merror_readtables(const char *filename); void clear_mrdata();
void tag_readtables(const char *filename); void clear_tag_tables();
