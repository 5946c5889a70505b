// The genra generation engine: the records it shares, the token reader of its
// description files, random numbers and matching, attributes, and the bridge
// that gives the editor its commands and keys.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include "editor/editor.h"
#include "editor/charkind.h"
#include "analysis/analysis.h"

// ---------------------------------------------------------------- records

// An owned, null-able copy of a text.
using v_text = std::unique_ptr<char[]>;

struct t_delay {                      // one attribute choice
    int class_;                       // attribute type
    int choice;                       // value number, -1 while open
    int fixed;                        // 1 the value was given, 0 open at creation
};

struct attr_row {                     // one segment of a decomposed compound attribute
    int type;
    int value;                        // -1 when the segment names only a type
    int decon;                        // 1: written with "/"
    int ltindex;                      // lt_delayed entry the row came from
    int lttmp;                        // scratch of lexical transformations
};

struct s_comp_attr {                  // one cell of a compound attribute
    int index;                        // into delayed (or lt_delayed)
    s_comp_attr *another;
};
using comp_attr = s_comp_attr *;      // null: the empty compound attribute

struct s_attr_list {                  // a list of compound attributes
    int attr_count;                   // cells of first
    comp_attr first;
    s_attr_list *next;
};
using attr_list = s_attr_list *;

struct s_indirection {
    int fieldnum;                     // lexicon field concerned
    v_text tag;                       // tag name or null
    v_text attributes;                // attribute text or null
};
using t_indirection = s_indirection *;

struct s_indir_list {
    t_indirection indir_node;
    s_indir_list *next;
};
using indir_list = s_indir_list *;

struct transformation;                // a rule of the syntax file
struct morphvar;                      // a morphological variant of a leaf
struct treenode;
using t_treenode = treenode;
using Transformation = transformation;

struct t_dict_lookup {                // a leaf's lexicon lookup
    v_text class_;                    // terminal name
    const char *dictionary = nullptr; // chosen entry record (the lexicon's), or null
    attr_list attributes = nullptr;   // the leaf's attributes (owned)
    v_text preferredchoice;           // mandated word pattern or null
    int error = 0;                    // 0 found, 1 terminal not found, 3 no entry agreed
    v_text fields;                    // field restrictions or null
    int pointed_at = 0;               // 1: the slot must get a word
    int vf = 0;                       // frequency adjustment, -1 none
    t_treenode *lspseq = nullptr;     // lexical sequence of an "_ilt_" entry
};

struct treenode {                     // a node of a syntax tree
    v_text name;                      // category name or null
    t_dict_lookup *dictionary;        // leaf's lookup slot, not owned
    int index;                        // number of that slot
    v_text morphed_word;              // word after morphology
    v_text preferredchoice;           // mandated word pattern or null
    v_text restrictions;              // lexicon field restrictions or null
    int vf;                           // frequency adjustment, -1 none
    Transformation *transformation;   // transformations to apply here (owned copies)
    attr_list attributes;             // owned
    indir_list indirections;          // owned
    morphvar *mvar;                   // variants for response analysis (owned)
    treenode *sibling, *son;          // children: son, then its siblings
    treenode *left, *right;           // leaf chain
};

struct pre_rule {                     // one clause of the preselection rule
    comp_attr PST;                    // the clause's tag
    int node;                         // 1 when RHS exists
    t_treenode *RHS;
    pre_rule *next;
};
using preselect_rule = pre_rule;

// ------------------------------------------------------------- tokens.cpp
// The token reader shared by every description file.

// Token codes besides the keyword codes of tokentable.
inline constexpr int TINCLUDE = 1, TINHERIT = 5, TCHOOSE = 6, TRULE = 7, TTRANSFORM = 8,
                     TPRIORITY = 9, TMAKES = 11, TILT = 12, TPRE = 14, TSELECT = 16, TIS = 17,
                     TDEFINE = 18, TPERCENT = 37, TEND = 255;
inline constexpr int TIDENT = 3, TEOF = 4, TLINEEND = 10, TQUOTE = 34;

struct tokenelement {
    const char *tokenword;
    char token;
};
inline constexpr int NTOKENWORDS = 25;
extern const tokenelement tokentable[NTOKENWORDS];

struct queuetype {
    char queue[TOKQSIZE];
    int head, tail, length;
};

struct fileinf {
    std::FILE *fptr;
    std::string f_name;
    int f_line;                       // 1 + line ends read
    std::unique_ptr<unsigned char[]> buf;  // READBUFSIZE bytes read ahead (kept for the next file)
    const unsigned char *at, *end;    // the part of buf not yet read
    bool ended;                       // the file gave its last byte
};

// A token handed out in a run (v_run): its code and, for an identifier, its
// characters, which stay valid until the next v_next or v_run. RUNCHARS
// stands for characters that are each their own token, or (when the run
// was asked to merge) for the text of several tokens to be copied as it is.
inline constexpr int RUNCHARS = -1;
struct runtoken {
    int code;
    const char *text;
    int len;
};

struct macrodef {
    std::string name;
    std::string def;
    std::unique_ptr<macrodef> another;
};

extern char identbuf[IDENTSIZE];      // the identifier being collected or delivered
extern int iptr;
extern queuetype tokenq;
extern int istate;                    // 0 plain, 1 within quotes, 2 within comments
extern int ccount;                    // characters since the quote or comment opened
extern int lfret;                     // 1: line ends are tokens
extern fileinf filestack[NFILESTACK];
extern int fsptr;                     // innermost open file, -1 none
extern std::unique_ptr<macrodef> macrodict;  // newest first
extern int macroptr;                  // macro expansions open
extern char namebuf[MACRONAMESIZE];
extern char defbuf[MACRODEFSIZE];
extern const char *file_operation;    // what is being read, for messages
extern char file_position[FILEPOSSIZE];  // where within it
extern int v_stat;                    // reader status: 1 after an include failed

bool openfile(const char *name, int lfr);  // false: could not be opened (reported)
int v_peep();
void v_next();
int v_run(runtoken *out, int max, bool merge);
int v_quoted(char *out, int max);     // the rest of a quoted text, as its characters
int str2tok();
const char *tok2str(int token);
void closefile();
const macrodef *macrosearch(const char *name);
void macrofree();
void warn(int c, int state);
void closeall();                      // closes every open file silently, frees macros
[[gnu::format(printf, 1, 2)]] void setposition(const char *fmt, ...);
// Identifier characters: the word characters, and '%'.
inline bool identchar(int c) { return c >= 0 && ((charkind[c & 0xff] & KWORD) || (c & 0xff) == '%'); }
bool readthrough(const char *text, size_t len, const std::function<void(const char *)> &reader);
const char *v_place();                // "NAME:LINE: " of the current token while reading, else ""
void pinplace();                      // messages name the current token's line until closeall
extern long v_errcount;               // error lines written (v_err), ever
extern long v_warncount;              // warning lines written (warn), ever
// Seen by a checker before each warning line: "NAME:LINE: " or "", the
// character's name and the state's.
extern void (*warnhook)(const char *place, const char *what, const char *state);

// ------------------------------------------------------------- random.cpp
// Random numbers and the engine's error line.

extern uint64_t seed;

int getrandom(int n);
void reseed(long n);
void printseed(int corefile);
void v_err(const char *a, const char *b, const char *c);
std::string echo(const char *text);   // an input as a message shows it: long ones cut, "..."
// Seen by a checker before each error line: the place (see v_place) and the
// three texts.
extern void (*errhook)(const char *place, const char *a, const char *b, const char *c);
v_text v_strdup(const char *text);    // null gives null

// -------------------------------------------------------------- match.cpp
// Wildcards, field restrictions, attribute tests and preselection lookups.

extern int pre_status;                // index into pre_error
extern const char *const pre_error[7];
extern pre_rule *pre_match;
extern std::string bad_pst;           // printed tag last looked up
extern int attr_form;                 // 1 type "_pre_" tag, 2 "_pre_" tag, 3 plain

int match_wild(const char *pattern, const char *text, int pend, int tend);
int match_list(const char *pattern, const char *list, int pend);
int match_pattlist(const char *patterns, const char *text);
int match_lsp(const char *restrictions, const char *record);
int testformatch(attr_list list, const char *text);
int match_index(const t_treenode *node, const char *text, int *size);
const char *find_pst(const char *text, int decon_allowed);
const char *analyze_pre(const char *text);
comp_attr attr_from_pre();
int bool_from_pre();

// --------------------------------------------------------- attributes.cpp
// Attribute types and values, the delay table, compound attributes and lists.

struct attr_table_entry {
    char type[ATTRNAMESIZE] = {};     // the type's name
    int entries = 0;                  // 1 + number of values
    std::vector<std::string> list;    // `entries` value names; entry 0 empty
    std::vector<int> valence;         // `entries` valences
    int partial = 0;                  // 1: the values are ordered
    std::unique_ptr<int[]> trans;     // entries x entries reachability, row-major
};

struct attr_qlookup {
    const char *text;
    int type;
    int number;                       // value, -1 for a type's name
};

extern attr_table_entry attr_table[NATTRTYPES];
extern int total_types;               // types + 1
extern std::unique_ptr<attr_qlookup[]> q_att_table;
extern int q_att_size;
extern int att_class, att_value;      // set by lookup_attr
extern t_delay delayed[NDELAY];
extern int delayptr;
extern t_delay lt_delayed[NDELAY];
extern int lt_delayptr;
extern attr_row attr[NATTRROWS];
extern int attr_index;
extern int all_values, all_decon;
extern comp_attr comp_attr_register;  // owned: the last text_to_comp_struct

void readattr(const char *filename);
void clearattributes();
int addtype(const char *name);
int addvalue(const char *name, int type, int valence);
int alreadyexists(const char *name, int type);
int lookup_attr(const char *name);
const char *att_get_name(int type, int value);
int valid(int sign, int type, int dict_choice, int match_choice);
int tok2bits(int token);
int newdelay(int cls, int choice, int fixed);      // an entry of delayed
int lt_newdelay(int cls, int choice, int fixed);   // an entry of lt_delayed

comp_attr create_comp_attr();
void add_comp_attr(comp_attr *ca, int index);
int attr_seg_count(comp_attr ca);
int comp_attr_element(comp_attr ca, int n);
comp_attr duplicate_comp_attr(comp_attr ca);
void purge_comp_attr(comp_attr *ca);
attr_list create_attr_list();
void add_attr_to_list(attr_list *list, comp_attr ca);
int attr_list_count(attr_list list);
comp_attr attr_list_element(attr_list list, int n);
attr_list duplicate_attr_list(attr_list list);
void new_attr_remove(attr_list *list, comp_attr ca);
int present_compound(attr_list list, comp_attr ca);
void append_attr(attr_list *list, comp_attr ca);
void combine_attr_list(attr_list *list, attr_list other);
void purge_attr_list(attr_list *list);
t_indirection create_indir_node();
void add_to_indir_list(indir_list *list, t_indirection ind);
int indirect_count(indir_list list);
t_indirection indir_list_element(indir_list list, int n);
t_indirection duplicate_indirection_node(t_indirection ind);
indir_list duplicate_indir_list(indir_list list);
void purge_indirection_node(t_indirection ind);
void indir_purge_list(indir_list *list);

const char *text_to_comp_array(const char *text, int decon_allowed);
const char *text_to_comp_struct(const char *text, int decon_allowed);
const char *skipcomp(const char *text);           // past a compound attribute text
comp_attr make_comp_attr();
comp_attr make_full_comp_attr();
comp_attr dup_decon_comp_attr(comp_attr ca);
void decompose_comp_attr(comp_attr ca);
void lt_decompose_comp_attr(comp_attr ca);
comp_attr find_attr(attr_list list);
int compare_comp_attr(comp_attr a, comp_attr b);
comp_attr find_attr_in_list(attr_list list, comp_attr ca);
pre_rule *look_for_attr(comp_attr ca, pre_rule *pre_list);
comp_attr find_type_in_attr(int index, attr_list list);
std::string print_comp_attr(comp_attr ca);
std::string print_attr_list(attr_list list);

// ------------------------------------------------------------- bridge.cpp
// The editor's door to the engine: loaded kinds, commands, keys.

struct vfile_row {
    const char *cmdletts;             // the kind's short name
    int filebits;                     // the kind and every kind built on it
    editop uninstaller;
    editop initializer;
    char putvlett;                    // front-end letter of the kind's file
};

extern int installed;                 // bit k: row k+1 loaded
extern const vfile_row vfile_table[NVFILES];
extern std::string genrafilename[NGENRANAMES];
extern int synstat, userstat;         // 2: the file defined ROOT
extern char response[RESPONSESIZE];
extern char semexpr[SEMEXPRSIZE];
extern LINE *savelnptr, *savedisln;
extern v_text error_function[NERRFUNCS];
extern int morph_passes[NMORPHTREES][NMORPHPASSES];

void uninstall(int bits);
void uninstall_n(int row);
void initialize();
void init_genrafilename();
void putgenrafile(const char *name, char letter);
const char *bits_to_text(int bits);
int text_to_bits(const char *text);
void save_cursor(int corefile);
void restore_cursor(int corefile);
void getresponse();

void generate(); void resumelx(); void vcompare(); void vcompsingle();
void vnewcompare(); void venummorph(); void vglobpre(); void vmakepre();
void disp_sent(); void vreadattr(); void vreadsyn(); void vreadmorph(); void vreadlex();
void vreadtables(); void vreadterm(); void vreaduser(); void vreadipa();
void vreadmerror(); void vreadsem(); void vreadtag(); void vreadtrans();
void rm_vfiles(); void lextrans(); void addlex(); void setmorphpasses(); void vdisplay();
void vfreq(); void vroot(); void rnset(); void rnprint(); void testinput();
void verrorinput(); void vstoretree(); void vrestoretree(); void vtalk();
void seterrorscores(); void initgenra();

// -------------------------------------------------------------- morph.cpp
// Morphology: the rules and tables files, expressions and guards.

struct subrule {                      // one guarded expression of a rule
    v_text rulename;
    v_text guard;                     // ends with ":"
    v_text mexp;                      // ends with "|"
    std::unique_ptr<subrule> nextsub;
};
using MSUBRULE = subrule;

struct table {                        // a table of expressions
    v_text tablename;
    v_text elements;                  // each element ended by "|"
    int count;                        // number of elements
    std::unique_ptr<table> next;
};
using TABLE = table;

extern std::unique_ptr<MSUBRULE> ruleheader[NMRULES];  // first subrule of each rule
extern int numrules;                  // highest rule number in use, -1 none
extern std::unique_ptr<TABLE> tablelist;               // tables in file order
extern const char *mstack[MSTACKSIZE];                 // texts being evaluated
extern int mstackptr;
extern t_treenode *lspstack[MSTACKSIZE];               // the node of each level
extern int lspstackptr;
extern char moutput[MOUTSIZE];        // the result of m_exp
extern int moutptr;
extern char tablebuffer[TABBUFSIZE];  // the table reference being collected
extern int tabbufptr;                 // its length (the editor has its own tabptr)
extern const char *guardptr;          // guard reading position
extern const char *end_guard;         // where the last guard ended (":" or ")")
extern int current;                   // leaf offset of the term being tested
extern int defstack[NGUARDDEPTH];     // offsets in force at each open parenthesis
extern int defptr;
extern int gdepth;                    // parenthesis depth
extern t_treenode *offset_node;       // the leaf a term designated
extern t_treenode *current_node;      // the node being worked on
extern int MState;                    // 1 lexical transformation, 2 inline sequence

void new_readmorph(const char *filename);
void new_readtables(const char *filename);
void m_read();                        // the rules of the open file
void table_read();                    // the tables of the open file
void clear_mrules();
void init_mrules();
void clear_tables();
void print_tables();
void print_mrules();
int findmrule(const char *name);      // a rule's number by name (or number), -1 none
const TABLE *findtable(const char *name, size_t len);
void m_exp(const char *text);
int m_guard(const char *text);
t_treenode *traverseleaves(t_treenode *node, int n);
void morph_word(t_treenode *node, int pass);
void morph_tree(t_treenode *root, int pass);
void apply_morph_passes(t_treenode *root, int tree);  // the passes of morph_passes row
int readmorphtext(const char *text, size_t len, int tables);  // for fuzzing
// ------------------------------------------------------------ lexicon.cpp
// Terminals, the lexicon file and its encoded records, attribute agreement,
// and the weighted choice of a leaf's word.

inline constexpr unsigned char ATTRMARK = 25;    // starts a type and value pair in field 3
inline constexpr unsigned char TYPEONLY = 255;   // value byte of a segment naming a type

// Frees an entry's record unless the record lies in the loaded lexicon's
// store, which frees its records all together. An owned text (v_text)
// becomes a record freed with its entry.
struct recordfree {
    bool owned = true;
    recordfree() = default;
    explicit recordfree(bool own) : owned(own) {}
    recordfree(std::default_delete<char[]>) {}
    void operator()(char *p) const
    {
        if (owned)
            delete[] p;
    }
};
using recordtext = std::unique_ptr<char[], recordfree>;

struct recnode {                      // one lexicon entry
    recnode *previous;                // the next older entry of the same terminal
    recordtext recordptr;             // the entry record
    int terminal = -1;                // its terminal in the loaded lexicon, -1 a restored entry
};

struct lex_comp {                     // one compound attribute of a record's field 3
    const char *start;
    int count;                        // segments
};

extern std::string terminal_table[NTERMINALS];
extern int terminal_count;
extern std::unique_ptr<recnode *[]> dictionary;   // per terminal: newest entry
extern int dictterm;                  // terminals of the loaded lexicon, -1 none
extern recnode *nodearray[NCANDIDATES];
extern int prob_array[NCANDIDATES];
extern int numnodes, prob_tot;
extern lex_comp lexatt[NLEXATT];
extern int lexatt_index;
extern int newM;                      // 1: leaf attributes come from lt_delayed
extern char dictbuf[DICTBUFSIZE];
extern int dictptr;
extern char attribarray[NATTRIBARRAY][ATTRIBSIZE];
extern long numentries, numerrors;
extern recnode *restoredlexarray[NRESTORED];
extern int lastrestored;              // restored entries, -1 none
extern t_dict_lookup dict_table[NDICTSLOTS];
extern int d_table_count;

int lookup_terminal(const char *name);
int readentry(int linktolexicon);
void clearrecoveredlexicon();
const char *getfieldptr(const char *record, int n);
const char *fieldend(const char *s, int field);  // the "|" or end closing field `field` at s
void getwords(int start);
void getdictent(t_dict_lookup *lookup);
void locate_matches(t_dict_lookup *lookup, int terminal);
recnode *select_match();
void apply_vf_single(char *record, int n);
const char *exactword(const char *pattern, const recnode *list);
void dropchoices();                   // forgets every kept candidate list
int match_attr(const char *record, attr_list list);
int take_single_attr(const char *record);  // open rows take the record's values
int match_comp(int k);
void locate_comp(const char *field3);
const char *fourdigits(int n);
void d_err(const char *m1, const char *m2);
std::string showrecord(const char *record);   // a record as a listing line
int readlexicon(const char *text, size_t len); // a lexicon held in memory, for fuzzing
// Of later files, stubs until built: inline sequences and response variants.
t_treenode *ilt_create_lsps(const char *record);
void scan_ilts();
void purge_morphvar(morphvar **mv);

// -------------------------------------------------------------- nodes.cpp
// Making, copying and freeing syntax trees.

struct sub_trans;                     // a compiled sub-rule of a transformation

struct transformation {               // a transformation rule, or a node's copy of one
    v_text name;
    int priority;
    sub_trans *first;                 // sub-rules, owned by the rule, shared by copies
    void (*functionPtr)(t_treenode *);
    transformation *next;
};

extern int nodecount;                 // nodes made since the current tree was started
extern t_treenode *root, *oldroot;
extern t_treenode *rootPtrs[NROOTS];

t_treenode *makenode(const char *name);
t_treenode *copy_node(const t_treenode *node);
Transformation *CopyTrans(const Transformation *chain);
void purge_trans(Transformation **chain);      // frees a node's chain of copies
t_treenode *copytree(const t_treenode *node);
t_treenode *copytree2(const t_treenode *node);
void purge_node(t_treenode *node);
void purge_tree(t_treenode *node);
void purge_tree2(t_treenode *node);
void purge_all_trees();

// ------------------------------------------------------------- syntax.cpp
// The syntax file: rules compiled into texts of control bytes, the rule and
// transformation stacks, and their listings.

// Bytes of a compiled rule text besides its printing characters.
inline constexpr unsigned char CINHERIT = 5, CCHOOSE = 6, CRHS = 7, CTRANS = 8, CPRE = 14,
                               CSELECT = 16, CIS = 17, CVF = 19, CVAR = 255;

struct sub_trans {                    // one sub-rule of a transformation
    v_text guard;                     // compiled guard
    v_text rule;                      // compiled right-hand side
    sub_trans *next;
};
using Sub_Trans = sub_trans;

struct syn_rule {                     // a context-free rule, the PRESELECT rule or a barrier
    v_text name;
    v_text rules;                     // compiled text; null for a barrier
    syn_rule *next;
};
using Syntax_Rule = syn_rule;

struct trans_node_ref {               // the children matched by one guard element
    t_treenode *first, *last;
};
using Trans_Node_Ref = trans_node_ref;

extern syn_rule *syntax_stack;        // newest first, owned
extern transformation *trans_stack;   // newest first; owned above the built-ins

int read_syntax(const char *filename);
int readsyntaxtext(const char *text, size_t len);  // a syntax file held in memory, for fuzzing
const char *getrule(const char *name);
v_text getident(const char **p);
transformation *findtrans(const char *name);       // the newest of that name, or null
void dump_syntax();
void purge_syntax();                  // every rule and transformation but the built-ins
void print_cf();
void print_transf();
std::string showrule(const char *text);  // a compiled text as a listing shows it
// Numbers of a compiled text (field numbers, guard elements, choice counts),
// 1 to MAXNUMTEXT, in bytes that are all below ' ' and so never taken for a
// printing character or a variable mark.
std::string numbertext(int n);
int readnumber(const char **p);       // the number at p, 0 when none; p moves past it

// ------------------------------------------------------------- expand.cpp
// Expansion of a tree by the context-free rules, restriction strings, the
// preselection list and the built-in transformations.

extern int treestate;                 // 1 while named roots are expanded
extern int global_barrier, preselect_barrier;  // lookup slots kept by preselections
extern pre_rule *globalpre_list;      // where the global preselections begin
extern const char *preselect_pos;     // reading position in the PRESELECT text
extern transformation builtIn[2];     // FLATTEN, then a record without a name
extern int gInMemory;                 // 1 while builtIn is on trans_stack
extern pre_rule *preselect_list;      // newest first; the global clauses below
extern comp_attr variable_table[NVARIABLES];  // a rule's attribute variables

void expand_tree(t_treenode *node);
void expand_node(t_treenode *node);
const char *add_attachments(t_treenode *node, const char *text, int kind);
const char *construct_attr_cf(t_treenode *node, const char *list);
comp_attr item_attr(const char **p);  // the attribute of one list item; p moves past it
const char *nextitem(const char *p);  // past the rest of a list item and its ","
void terminal_node(t_treenode *node);
void clearslot(t_dict_lookup &slot);     // an empty lookup record
v_text insert_restriction(const char *old, const char *value, int field);
v_text merge_restr(const char *old, const char *add);
void construct_preselect(const char *text, int global_status);
void empty_preselect_list(int from_glob);
void print_preselect_list();
void add_built_in();
void remove_built_in();
void flatten(t_treenode *node);
void fill_word(t_treenode *node);
std::string convert_nodetext(const char *text);
t_treenode *string_to_node(const char *text);   // null when the text is no node

// ---------------------------------------------------------- transform.cpp
// Transformations: rewriting the children of the nodes of an expanded tree.

extern Trans_Node_Ref guard_array[NGUARDREFS];  // entry k: first child of guard element k

void transform(t_treenode *node);
Transformation *find_low_priority(t_treenode *node);
void removeTrans(t_treenode *node, Transformation *T);
void do_transform(t_treenode *node, Transformation *T);
int match_guard(t_treenode *first_child, const char *guard);
int match_guard_attr(t_treenode *node, const char **guard);
void clear_guard_array();
void apply_rule(t_treenode *node, const char *rhs);
void change_attr(t_treenode *node, int old, int new_, int top);

// ----------------------------------------------------------- indirect.cpp
// Indirection: replacing a leaf's word by one its lexicon entry points to.

struct substr_piece {                 // one piece of a pointer clause
    const char *start;
    int length;
};

extern substr_piece substr[NSUBSTR];
extern int str_index;
extern char chosen_pointer[POINTERSIZE];
extern char category[CATEGORYSIZE];

void process_indirections(t_treenode *tree);
void findtag(const char *entry, int field, const char *tag);
const char *locate_strings(const char *position);
// A field restriction pattern that starts with this byte asks for a pointer
// clause: the rest of the pattern is its tag (empty for the clause without
// one), and the clause must list a pointer. With TAGCLAUSE instead the
// clause need only be there. No rule text can produce either.
inline constexpr char POINTERCLAUSE = 29;
inline constexpr char TAGCLAUSE = 30;
int pointer_clause(const char *field, const char *tag, size_t taglen, bool needpointer = true);
bool widen_clauses(char *fields, bool wide);   // POINTERCLAUSE to TAGCLAUSE, or back
attr_list construct_attr_indir(t_treenode *node, const char *text);
const char *forward_next_tag(const char *position);
std::string wordclass(const char *entry);   // the identifier that starts field 2

// ----------------------------------------------------------- generate.cpp
// One generation: trees, choices, words, morphology and the kept sentences.

struct tree_root_row {
    const char *name;                 // rule name of a named root
    const char *message;              // its tag in progress messages and result lines
};

extern const tree_root_row tree_roots[NROOTS];
extern v_text genSentences[NROOTS];   // 0 the single root, 1..20 the named roots
extern int global_delayptr;           // delay entries of the global preselection
extern char sentbuf[SENTSIZE], sentbuf2[SENTSIZE];
extern t_treenode *treeroot, *previous_leaf;
extern int firstleaf;

void clear_SE_PRE(int global_status);
void purgelookups(int barrier);
void make_all_choices();
void thread(t_treenode *node);
void fill_all_words(t_treenode *node, int p_index);
void finish(t_treenode *tree, int rootnumber, const char *tag);
void new_extract_sentence(t_treenode *node);
void postmorph();
unsigned char capitalised(unsigned char c);   // a "`" mark's letter as it is shown

// -------------------------------------------------------------- store.cpp
// Trees and lexicon choices written out, read back, and sentences sent.

extern int xmit;                      // 1: stored output goes to the driver
extern std::string signature;         // the path to the node being written: "S" son, "R" sibling

void transmit(std::string_view line);
void storesingle(t_treenode *tree, int number, int kind);
void storetree(t_treenode *node, int kind);
void storeleafnodes(t_treenode *tree);
void storenode(t_treenode *node, int kind);
void storelexicon();
std::string outputrecord(const char *record);

// ------------------------------------------------------------ pending.cpp
// Data and operations of the engine's later files, empty until built.

void read_terminals(const char *filename); void clear_terminals();
void initdict(); void readdict(const char *filename); void clearlexicon(); void printlex();
void vary_frequency(const char *text); int match_single_attr(const char *record);
void readlextrans(const char *filename); void purge_lt_rules(); void initialize_lt_rules();
int lt_rule_count();                  // rules loaded
void inittrans(int n); void exectrans();
void clear_GP(); void global_preselect(); void interpret(); int gen_comp();
void sentence_to_core(int n, int corefile); void make_choice(int i);
void transform(t_treenode *node); void process_indirections(t_treenode *tree);
const char *construct_attr_tran(t_treenode *node, const char *list);
void process_indirect_ops(t_treenode *node);
void store(int kind, int destination); void restorenode(const char *filename); void talk(int n);
int there_has_been_no_generation();

// ------------------------------------------------------------ lextrans.cpp
// Lexical transformations: rules that derive lexicon lines, and the inline
// sequences of "_ilt_" entries.

extern int lt_rule_num;               // selected rule, -1 none
extern char lt_result[LTRESULTSIZE];  // the line last built

int readlttext(const char *text, size_t len);  // rules held in memory; returns rules loaded
void lt_cleanup(int reset);
t_treenode *lt_getlspptr(int n);
int lt_apply_rule(const char *rhs, t_treenode *lsp, int morph_state);

// ------------------------------------------------------------ semantic.cpp
// Semantic expressions: the semantic transformation file, and an expression
// matched against it and turned into the text of a PRESELECT rule.

struct sem_prot {
    int reanalyse = 0;                // 1: the prototype is an expression to analyse
    std::string prototype;
};
using Semantic_Prot = sem_prot;

struct sem_trans {
    int form = 1;                     // 1 full pattern, 2 predicate only
    std::string name;
    std::vector<Semantic_Prot> prots; // in file order
};
using Semantic_Trans = sem_trans;

struct sem_expr {
    std::string original;             // normalised
    std::string top_level_orig;       // predicate "|" argument "|" ...
    int analysed = 0;
};
using Semantic_Expr = sem_expr;

extern std::vector<Semantic_Trans> sem_trans_list;  // newest first
extern int depthStack;                // nesting of re-analyses

void purge_sem_trans();
int readsemtext(const char *text, size_t len);      // a file held in memory, for fuzzing
bool top_level(Semantic_Expr &expr, const char *text);  // false: the expression is unsound
const Semantic_Trans *sem_match(const Semantic_Expr &expr);
void read_sem_trans(const char *filename);
void analyse_sem_expr(const char *text);       // the rule text or the failure into corefile 14

// --------------------------------------------------------------- check.cpp
// kel --check: description files loaded without the editor, their problems
// printed as "FILE:LINE: error: MESSAGE" and "FILE:LINE: warning: MESSAGE".

int checkkindnumber(const char *name);  // --kind's names and the short names; -1 unknown
// Checks the files (name, kind or -1 for by content), printing to `to`;
// 0 when no error was found, 1 otherwise.
int checkfiles(const std::vector<std::pair<std::string, int>> &names, std::FILE *to);
int kelcheck(int argc, char **argv);  // the arguments after --check; 2 on bad usage
