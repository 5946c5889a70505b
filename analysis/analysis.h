// Learner-response analysis: comparing a typed response with the generated
// sentences, classifying and scoring the differences.
#pragma once
#include "editor/editor.h"
#include <string>
#include <vector>

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

// ------------------------------------------------------------ variants.cpp
// Variants of an expected word: other inflections (morph-error file), related
// words (tags file), other spellings of its pronunciation (phonology tables).

struct treenode;                             // a syntax tree node (engine)

inline constexpr int ERRSTRINGS = 10;        // error texts of one pairing
inline constexpr int BREAKUPS = 20;          // explanations of one pairing
inline constexpr int VARTYPES = 10;          // attribute types varied per class
inline constexpr int VARVALUES = 20;         // values per varied type
inline constexpr int PHONSYMBOLS = 20;       // pronunciation symbols per word
inline constexpr int MAXDIFFS = 20;          // minimal differences kept per match

struct lexdiff {                             // one pairing of expected and response word
    int matchclass;                          // 0 exact, 1 morph, 2 approx, 3 unrelated,
                                             // 4 phono, 5.. tag number of a lexical match
    std::string error[ERRSTRINGS];           // error[0] "none" or a phonological error
    std::string breakup[BREAKUPS];           // parts that explain the match; ends at ""
};

struct TAG_TABLE {                           // one tag of the tags file
    std::string tag;
    int tag_int;                             // match class it produces: 5, 6, ...
    int field;                               // lexicon field listing the related words
};
extern std::vector<TAG_TABLE> taglist;       // in file order

void mrmodify();
void all_variants(treenode *tree);
int compare_var(const char *response_word, treenode *leaf, std::string *breakup);
void err_match_syn(const char *response_word, treenode *leaf, lexdiff *cell);
void err_match_phono(const char *response_word, treenode *leaf, lexdiff *cell);
const TAG_TABLE *err_get_tag_name(int n);    // the tag whose tag_int is n, or null

// ------------------------------------------------------------ pending.cpp
// Operations of the analysis not built yet: each does nothing for now.

void err_analysis(const char *response); void err_analysis_single(const char *response, int n);
void err_set_rootset(const char *text); void generate_enumerations();
void phon_readtables(const char *filename); void clear_phon_tables();
void merror_readtables(const char *filename); void clear_mrdata();
void tag_readtables(const char *filename); void clear_tag_tables();
