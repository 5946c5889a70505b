// Learner-response analysis: comparing a typed response with the generated
// sentences, classifying and scoring the differences.
#pragma once
#include "editor/editor.h"
#include <memory>
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

// Morph-error data (variants.cpp): per terminal class the (type, value) pairs
// that its words may be varied in, value -1 for every value of the type; the
// pairs sorted, ended by a type 0.
inline constexpr int MRNAMES = 40;           // names of one class's morph-error groups
inline constexpr int MRDATASIZE = 2 * MRNAMES + 2;  // their pairs and the ending 0
inline constexpr int MAXVARIANTS = 4096;     // variants made for one leaf
extern int mrdata[NTERMINALS][MRDATASIZE];
// Per class and varied type 1..10: [0] the number of values, [1..20] delay
// entries holding them; mrmod[c][0][0] is the number of varied types.
extern int mrmod[NTERMINALS][VARTYPES + 1][VARVALUES + 1];
extern int comb[VARTYPES + 1];               // the current combination (odometer)
extern int hitype;                           // varied types of the class being varied
extern int term;                             // the class being varied

// A leaf's `mvar` list: first the words kept for one analysis to the next
// (a block of lexical alternatives, the pronunciation), then the mark that
// ends them, then the inflected variants. Each kept block begins with a
// mark carrying `varstamp` as it was when the block was made.
inline constexpr int MVVARIANT = 0;          // an inflected variant
inline constexpr int MVMADE = -1;            // mark: the variants below were made
inline constexpr int MVSYN = -2;             // mark: lexical alternatives follow (kind = tag)
inline constexpr int MVPHON = -3;            // mark: `variant` is the pronunciation
inline constexpr int MVALONE = -4;           // mark: `variant` is the word with nothing after it
struct morphvar {                            // one word of a leaf's variants
    int kind;                                // MVVARIANT, a mark, or a lexical alternative's tag
    int attrcomb[VARTYPES + 1];              // [0] changed attributes, then their delay entries;
                                             // of a mark: [0] its stamp, then its own data
    std::string variant;                     // the inflected word
    morphvar *next;
};
extern unsigned varstamp;                    // changes whenever kept words may be stale
morphvar *findmark(treenode *leaf, int kind);  // a current mark of the kept words, or null
void keepblock(treenode *leaf, std::vector<std::unique_ptr<morphvar>> &block);

struct difference {                          // one way a variant differs from the leaf
    int left[VARTYPES];                      // the variant's values that differ (delay entries)
    int right[VARTYPES];                     // the leaf's values of those types
    int ltind, rtind;                        // counts
};

void merror_readtables(const char *filename); void clear_mrdata();
void print_merror_tables();
void make_variants(treenode *leaf);
std::string inflect_alone(treenode *leaf);   // inflected as if no word came after it
void purge_morphvar(morphvar **mv);
void init_comb();
bool incr_comb();                            // false once every combination was given
int contains(const difference &a, const difference &b);
std::string print_difference(const difference &d);
void generate_enumerations();
int readvarianttext(const char *text, size_t len, int kind);  // a file held in memory, for fuzzing
// Reads one of the three files with the token reader, line ends off; body
// reads its entries.
void readvariantfile(const char *filename, const char *operation, void (*body)());

// Lexical alternatives through tags (lexalt.cpp).
struct word_choice {                         // one word listed in a tag's clause
    std::string word;
    std::string wordclass;                   // "" when the clause names none
};
struct t_dict_lookup;
struct synalt {                              // an alternative: a copy of the leaf, its lookup
    treenode *node;                          // owned
    std::unique_ptr<t_dict_lookup> slot;     // the lookup of the listed word
    synalt();
    ~synalt();
};
using synlist = std::vector<std::unique_ptr<synalt>>;
void tag_readtables(const char *filename); void clear_tag_tables();
const char *err_findtag(const char *field, const char *tag);
std::vector<word_choice> err_get_word_choices(const char *clause);
synlist err_process_indir(treenode *leaf, const char *tag, int field);
std::vector<std::string> err_gen_syn(treenode *leaf, const char *tag, int field);
void err_kill_syn(synlist &list);

// Phonological alternatives (phono.cpp).
struct table;
extern std::unique_ptr<table> phontablelist; // the tables in file order
extern std::string alt_spellings[PHONSYMBOLS];
extern std::string candidate_breakdown[PHONSYMBOLS];  // the response, per symbol
extern std::string source_breakdown[PHONSYMBOLS];     // the expected word, per symbol
void phon_readtables(const char *filename); void clear_phon_tables();
const table *err_get_phontable_pointer(int symbol);
bool match_ipastr(const char *ipa, int i, const char *word, int w, std::string *dest);
std::string err_pronunciation(treenode *leaf);

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

// `wordno`, when given, is the response word number of each of `words`.
std::string err_get_report(const std::vector<lexdiff> &matrix, int y, int x,
                           const std::vector<std::string> &words,
                           const std::vector<std::string> &expected,
                           const std::vector<int> *wordno = nullptr);
std::string err_get_matchinfo(int i, int j, const lexdiff &cell, const std::string &expected,
                              const std::string &response);

// ------------------------------------------------------------ elision.cpp
// Words the sentence shows glued together by "^" marks, and words whose form
// depends on the word after them ("j'" for "je", "cet" for "ce").

inline constexpr int ELISIONCLASS = -2;      // matchclass: the word as it is with nothing after it
inline constexpr size_t SPLITSIZE = 256;     // longest word cut along glued words by alignment

struct response_units {                      // the response as compared
    std::vector<std::string> text;           // its words, a word spanning glued words in pieces
    std::vector<int> wordno;                 // the response word (from 1) of each
};

// Follows a word as the sentence joins it: whether its first shown letter is
// glued to what came before; `join` then tells whether what follows is glued
// to it.
bool err_glued(const char *word, bool &join);
// The word in one piece per part when it spans the glued parts: the parts
// before the last typed exactly, or those after the first, or else the word
// close in spelling to the joined parts and cut where they align. Empty when
// it does not span them.
std::vector<std::string> err_cut_glued(const std::string &word,
                                       const std::vector<std::string> &parts);
// The response words, each word that spans a run of glued expected words
// (glued[i]: word i is glued to word i - 1) cut into pieces, the run closest
// in position first; each run is taken once.
response_units err_glued_units(const std::vector<std::string> &words,
                               const std::vector<std::string> &expected,
                               const std::vector<bool> &glued);
// The leaf's word as the sentence would show it with nothing after it ("je"
// where it shows "j'"), capitalised when the sentence capitalises the leaf
// through a mark before it; "" for the last leaf.
std::string err_alone_form(treenode *leaf, bool capital);

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
bool shown_as(const char *word, const char *text);   // word, as the sentence shows it, is text
void err_word_diff(const char *response_word, treenode *leaf, lexdiff *cell);
int err_score(const std::vector<lexdiff> &matrix, int y, int x);
scorelist err_lexlist_diff(const std::vector<std::string> &words, treenode *tree);
treenode *err_roottree(int i);               // the tree of root i, or null
