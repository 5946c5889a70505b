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

// ------------------------------------------------------------ strdiff.cpp
// The spelling distance of two words, kept only when it is small.

inline constexpr int NOTSIMILAR = 1000;      // strdiff of words too far apart

struct chardiff {                            // one cell of the distance matrix
    int value;
    int from;                                // -1 diagonal, 1 from the left, 2 from above
};

int strdiff(const char *x, const char *y);

// ------------------------------------------------------------- report.cpp
// The report of one comparison: matches, missing and extra words.

// Cell of expected word i and response word j (both from 1) of a y by x matrix.
inline size_t cellat(int i, int j, int x) { return static_cast<size_t>((i - 1) * x + (j - 1)); }

std::string err_get_report(const std::vector<lexdiff> &matrix, int y, int x,
                           const std::vector<std::string> &words,
                           const std::vector<std::string> &expected);
std::string err_get_matchinfo(int i, int j, const lexdiff &cell, const std::string &expected,
                              const std::string &response);

// ------------------------------------------------------------ analyse.cpp
// The comparison of a response with the kept sentences of the selected roots.

struct scorelist {                           // the outcome of one root's comparison
    std::string output_text;                 // the report
    int score;
};

extern int rootset[NROOTS];                  // 1: root 0..20 selected for comparison
extern int rootsetinit;                      // 1 once the root set has been set

void err_analysis(const char *response);
void err_analysis_single(const char *response, int n);
void err_set_rootset(const char *text);
void err_initrootset();
void err_Progress(const char *text);
std::vector<std::string> err_make_words(const char *sentence);  // at most ERRWORDS words
int err_lexlist_len(const std::vector<std::string> &words);
const std::string &err_get_lex_ent(const std::vector<std::string> &words, int i);
int syn_flattened_len(const treenode *tree);
const char *syn_get_tree_morph(const treenode *tree, int i);   // "" past the last leaf
std::string remove_spaceeater(const char *word);
void err_word_diff(const char *response_word, treenode *leaf, lexdiff *cell);
int err_score(const std::vector<lexdiff> &matrix, int y, int x);
scorelist err_lexlist_diff(const std::vector<std::string> &words, treenode *tree);
treenode *err_roottree(int i);               // the tree of root i, or null

// ------------------------------------------------------------ pending.cpp
// Operations of the analysis not built yet: each does nothing for now.

void err_analysis(const char *response); void err_analysis_single(const char *response, int n);
void err_set_rootset(const char *text); void generate_enumerations();
void phon_readtables(const char *filename); void clear_phon_tables();
void merror_readtables(const char *filename); void clear_mrdata();
void tag_readtables(const char *filename); void clear_tag_tables();
