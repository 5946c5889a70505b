// The editor's door to the engine: the loaded kinds of description file and
// their dependencies, and the operations behind the engine's commands and keys.
#include <algorithm>
#include <exception>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <vector>
#include "engine/engine.h"
#include "commands/commands.h"
#include "screen/screen.h"
#include "analysis/analysis.h"

int installed;

// One bit per kind of description file, in row order. A row's filebits are
// the kinds unloaded with it: itself first, then the kinds that depend on it.
inline constexpr int ATBIT = 0x1, USBIT = 0x2, SYBIT = 0x4, MOBIT = 0x8, TBBIT = 0x10,
                     TMBIT = 0x20, LEBIT = 0x40, IPBIT = 0x80, MRBIT = 0x100, TGBIT = 0x200,
                     SMBIT = 0x400, LXBIT = 0x800, GPBIT = 0x1000, ALLBITS = 2 * GPBIT - 1;

constexpr vfile_row vfile_table[NVFILES] = {
    //          cmdletts  filebits                         uninstaller         initializer          putvlett
    /*  0 */ {"dummy", 0,                               noop,               noop,                ' '},
    /*  1 */ {"AT",    ATBIT | LEBIT | MRBIT | GPBIT,   clearattributes,    clearattributes,     'a'},
    /*  2 */ {"US",    USBIT,                           dump_syntax,        dump_syntax,         'u'},
    /*  3 */ {"SY",    SYBIT | USBIT,                   dump_syntax,        dump_syntax,         's'},
    /*  4 */ {"MO",    MOBIT,                           clear_mrules,       init_mrules,         'm'},
    /*  5 */ {"TB",    TBBIT,                           clear_tables,       noop,                'T'},
    /*  6 */ {"TM",    TMBIT | LEBIT | MRBIT,           clear_terminals,    clear_terminals,     't'},
    /*  7 */ {"LE",    LEBIT | GPBIT,                   clearlexicon,       noop,                'L'},
    /*  8 */ {"IP",    IPBIT,                           clear_phon_tables,  clear_phon_tables,   'p'},
    /*  9 */ {"MR",    MRBIT,                           clear_mrdata,       clear_mrdata,        'e'},
    /* 10 */ {"TG",    TGBIT,                           clear_tag_tables,   clear_tag_tables,    'g'},
    /* 11 */ {"SM",    SMBIT,                           purge_sem_trans,    purge_sem_trans,     '@'},
    /* 12 */ {"LX",    LXBIT,                           purge_lt_rules,     initialize_lt_rules, 'x'},
    /* 13 */ {"GP",    GPBIT,                           clear_GP,           clear_GP,            '@'},
    /* 14 */ {"ALL",   ALLBITS,                         noop,               noop,                ' '},
};

// Each kind's bit is its row's, and unloading a kind takes at least itself.
static consteval bool kindsound()
{
    for (int row = 1; row <= 13; row++)
        if (!(vfile_table[row].filebits & (1 << (row - 1))))
            return false;
    return vfile_table[14].filebits == ALLBITS;
}
static_assert(kindsound());

std::string genrafilename[NGENRANAMES];
int synstat, userstat;
char response[RESPONSESIZE];
char semexpr[SEMEXPRSIZE];
LINE *savelnptr, *savedisln;
constinit v_text error_function[NERRFUNCS];
int morph_passes[NMORPHTREES][NMORPHPASSES];

// Procedure texts replaced while the input stream may still be reading them.
static std::vector<v_text> retired;

// Runs an engine operation so that nothing thrown reaches the editor: when
// memory runs out the operation stops with an error line and fails.
template <typename F>
static void safely(F &&op)
{
    try {
        op();
    } catch (const std::exception &) {
        v_err("out of memory", "", "");
        del = 2;
    }
}

// ---------------------------------------------------------- loaded kinds

void putgenrafile(const char *name, char letter)
{
    char msg[GWMSGSIZE];
    std::snprintf(msg, sizeof msg, "$mV%c%s", letter, name);
    gwtransmit(msg);
    int i = letter - 64;
    if (i >= 0 && i < NGENRANAMES)
        genrafilename[i] = name;
}

void init_genrafilename()
{
    for (std::string &name : genrafilename)
        std::string().swap(name);
}

const char *bits_to_text(int bits)
{
    static char bit_text[BITTEXTSIZE];
    if (bits == 0)
        return "none";
    int n = 0;
    for (int k = 0; k < 13; k++) {
        if (!(bits & (1 << k)))
            continue;
        const char *name = vfile_table[k + 1].cmdletts;
        int len = static_cast<int>(std::strlen(name));
        if (n > 0 && n + 2 < BITTEXTSIZE) {
            bit_text[n++] = ',';
            bit_text[n++] = ' ';
        }
        if (n + len >= BITTEXTSIZE)
            break;
        std::memcpy(bit_text + n, name, static_cast<size_t>(len));
        n += len;
    }
    bit_text[n] = 0;
    return bit_text;
}

int text_to_bits(const char *text)
{
    int result = 0;
    const char *p = text;
    while (*p) {
        char name[8];
        int n = 0;
        bool longer = false;
        for (; *p && *p != ','; p++) {
            char c = *p;
            if (c == ' ')
                continue;
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            else if (c < 'A' || c > 'Z') {
                refuse("improper character in parameter");
                return 0;
            }
            if (n < static_cast<int>(sizeof name) - 1)
                name[n++] = c;
            else
                longer = true;
        }
        name[n] = 0;
        int row = 1;
        while (row < NVFILES && (longer || std::strcmp(name, vfile_table[row].cmdletts) != 0))
            row++;
        if (row < NVFILES)
            result |= vfile_table[row].filebits;
        else
            v_linef(MSGCORE, "%s not a file kind", name);
        if (*p == ',')
            p++;
    }
    return result;
}

void uninstall(int bits)
{
    int effective = installed & bits;
    for (int k = 0, e = effective; e != 0; k++, e >>= 1)
        if (e & 1) {
            vfile_table[k + 1].uninstaller();
            putgenrafile("", vfile_table[k + 1].putvlett);
        }
    installed &= ~effective;
    v_linef(MSGCORE, "uninstalled: %s", bits_to_text(effective));
}

void uninstall_n(int row)
{
    if (row > 0 && row < NVFILES)
        uninstall(vfile_table[row].filebits);
}

void initialize()
{
    for (int row = 1; row <= 13; row++)
        vfile_table[row].initializer();
}

// The engine at start-up: nothing loaded, every name empty, seeded from the clock.
void initgenra()
{
    closeall();
    file_operation = "";
    file_position[0] = 0;
    v_stat = 0;
    installed = 0;
    synstat = userstat = 0;
    response[0] = 0;
    semexpr[0] = 0;
    savelnptr = savedisln = nullptr;
    for (v_text &f : error_function)
        f.reset();
    retired.clear();
    for (auto &row : morph_passes)
        std::fill(std::begin(row), std::end(row), 0);
    for (int t = 0; t < NMORPHTREES - 1; t++) {
        morph_passes[t][1] = 5;
        morph_passes[t][2] = 6;
    }
    morph_passes[NMORPHTREES - 1][1] = 22;
    morph_passes[NMORPHTREES - 1][2] = 23;
    initscores();
    rootsetinit = 0;
    purge_comp_attr(&comp_attr_register);
    delayptr = lt_delayptr = 0;
    attr_index = 0;
    reseed(0);
    initialize();
    add_built_in();
    init_genrafilename();
}

// ------------------------------------------------------------ file loading

// What a load brought in, by kind: a count and its noun.
static long loadedcount(int row, const char **noun)
{
    long n = 0;
    switch (row) {
    case 1: *noun = "types"; return total_types - 1;
    case 2:
    case 3:
        *noun = "rules";
        for (const syn_rule *r = syntax_stack; r != nullptr && r->rules; r = r->next)
            n++;
        for (const transformation *t = trans_stack; t != nullptr && (t->first || t->functionPtr);
             t = t->next)
            n += t->functionPtr == nullptr;
        return n;
    case 4: *noun = "rules"; return numrules + 1;
    case 5:
        *noun = "tables";
        for (const table *t = tablelist.get(); t != nullptr; t = t->next.get())
            n++;
        return n;
    case 6: *noun = "terminals"; return terminal_count;
    case 7: *noun = "entries"; return numentries;
    case 8:
        *noun = "tables";
        for (const table *t = phontablelist.get(); t != nullptr; t = t->next.get())
            n++;
        return n;
    case 9:
        *noun = "classes";
        for (const auto &row9 : mrdata)
            n += row9[0] != 0;
        return n;
    case 10: *noun = "tags"; return static_cast<long>(taglist.size());
    case 11: *noun = "transformations"; return static_cast<long>(sem_trans_list.size());
    case 12: *noun = "rules"; return lt_rule_count();
    default: *noun = "items"; return 0;
    }
}

// One line on the help line and the forwarded stream after each load:
// "lexicon.txt: 7053 entries, 2 errors (corefile 7)".
static void loadsummary(int row, long errors0, long warnings0)
{
    const char *noun = "items";
    long count = loadedcount(row, &noun);
    long errors = v_errcount - errors0;
    if (row == 7 && numerrors > NLEXERRORS)  // errors past the cap are only counted
        errors += numerrors - NLEXERRORS;
    long warnings = v_warncount - warnings0;
    std::string what = noun;          // "1 entry", "1 class", "1 rule"
    if (count == 1)
        what = what == "entries" ? "entry" : what.ends_with("sses") ? what.substr(0, what.size() - 2)
                                                                     : what.substr(0, what.size() - 1);
    char msg[GWMSGSIZE];
    const char *name = std::strrchr(curfile, '/') ? std::strrchr(curfile, '/') + 1 : curfile;
    if (warnings > 0)
        std::snprintf(msg, sizeof msg, "%s: %ld %s, %ld error%s, %ld warning%s (corefile 7)", name,
                      count, what.c_str(), errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
    else
        std::snprintf(msg, sizeof msg, "%s: %ld %s, %ld error%s (corefile 7)", name, count,
                      what.c_str(), errors, errors == 1 ? "" : "s");
    progress(msg);
}

static void load(int row, void (*reader)(const char *), char letter, int bit)
{
    long errors0 = v_errcount, warnings0 = v_warncount;
    safely([&] {
        uninstall_n(row);
        reader(curfile);
        putgenrafile(curfile, letter);
    });
    closeall();
    installed |= bit;
    loadsummary(row, errors0, warnings0);
}

void vreadattr() { load(1, readattr, 'a', ATBIT); }
void vreadmorph() { load(4, new_readmorph, 'm', MOBIT); }
void vreadtables() { load(5, new_readtables, 'T', TBBIT); }
void vreadterm() { load(6, read_terminals, 't', TMBIT); }
void vreadipa() { load(8, phon_readtables, 'p', IPBIT); }
void vreadmerror() { load(9, merror_readtables, 'e', MRBIT); }
void vreadtag() { load(10, tag_readtables, 'g', TGBIT); }
void vreadtrans() { load(12, readlextrans, 'x', LXBIT); }

static void readsyn(const char *name) { synstat = read_syntax(name); userstat = 0; }
static void readuser(const char *name) { userstat = read_syntax(name); }
static void readsem(const char *name) { read_sem_trans(name); }

void vreadsyn() { load(3, readsyn, 's', SYBIT); }
void vreaduser() { load(2, readuser, 'u', USBIT); }

void vreadsem()
{
    long errors0 = v_errcount, warnings0 = v_warncount;
    safely([] {
        uninstall_n(11);
        readsem(curfile);
    });
    closeall();
    installed |= SMBIT;
    loadsummary(11, errors0, warnings0);
}

static void readlex(const char *name)
{
    initdict();
    readdict(name);
}

void vreadlex()
{
    if (!(installed & TMBIT)) {
        refuse("Terminals file not present");
        return;
    }
    load(7, readlex, 'L', LEBIT);
}

void addlex()
{
    if (installed & LEBIT) {
        safely([] { readdict(curfile); });
        return;
    }
    diserr("Lexicon not present; defaulting to LExicon");
    vreadlex();
}

void rm_vfiles()
{
    int bits = text_to_bits(picstring);
    if (bits == 0)
        return;
    safely([bits] { uninstall(bits); });
    if (bits & SYBIT)
        synstat = 0;
    if (bits & USBIT)
        userstat = 0;
}

// -------------------------------------------------------- other commands

void lextrans() { safely([] { inittrans(param[1]); }); }

void setmorphpasses()
{
    int tree = param[1];
    if (tree < 0 || tree >= NMORPHTREES) {
        refuse("tree number too large");
        return;
    }
    if (param[2] == 0) {
        refuse("first pass cannot be null");
        return;
    }
    for (int i = 1; i <= 4; i++)
        morph_passes[tree][i] = param[i + 1];
    if (tree == NMORPHTREES - 1)
        diserr("phonology passes have been set");
}

void seterrorscores()
{
    vnomatchscore = param[1];
    vorderscore = param[2];
    vsynscore = param[3];
    vmorphscore = param[4];
    vphonoscore = param[5];
    vapproxscore = param[6];
}

static void showtrees(int kind, int destination)
{
    if (there_has_been_no_generation())
        refuse("No generated sentence");
    else
        store(kind, destination);
}

static void display_choice()
{
    switch (param[1]) {
    case 0: diserr(bits_to_text(installed)); break;
    case 1: showtrees(2, 0); break;
    case 2: showtrees(1, 1); break;
    case 3: print_cf(); break;
    case 4: print_transf(); break;
    case 5: print_tables(); break;
    case 6: print_mrules(); break;
    case 7: printlex(); break;
    case 8: print_preselect_list(); break;
    default: break;
    }
}

void vdisplay() { safely(display_choice); }

void vfreq()
{
    if (installed & LEBIT)
        safely([] { vary_frequency(picstring); });
    else
        refuse("Lexicon not present");
}

void vroot() { safely([] { err_set_rootset(picstring); }); }
void rnset() { reseed(param[1]); }
void rnprint() { printseed(param[1] >= 1 && param[1] <= 18 ? param[1] : MSGCORE); }
void vstoretree() { safely([] { store(param[1], param[2]); }); }
void vrestoretree() { safely([] { restorenode(picstring); }); }
void vtalk() { safely([] { talk(param[1]); }); }

// True while the input stream or a loop still points into the text.
static bool inuse(const char *text)
{
    std::less<const char *> before;
    const char *end = text + std::strlen(text);
    auto within = [&](const char *p) { return p != nullptr && !before(p, text) && !before(end, p); };
    for (int i = 1; i <= fnptr && i <= NSTRINGS; i++)
        if (within(fnstack[i]))
            return true;
    for (int i = 0; i < loopptr && i < NLOOPS; i++)
        if (within(loopstack[i]))
            return true;
    return false;
}

static void sweep()
{
    std::erase_if(retired, [](const v_text &t) { return !inuse(t.get()); });
}

void verrorinput()
{
    int n = param[1];
    if (n < 0 || n >= NERRFUNCS) {
        refuse("Integer too high");
        return;
    }
    safely([n] {
        sweep();
        if (error_function[n] && inuse(error_function[n].get()))
            retired.push_back(std::move(error_function[n]));
        error_function[n] = v_strdup(v_error);
    });
}

// ------------------------------------------------------------- responses

void save_cursor(int corefile)
{
    if (corefile < 0 || corefile >= NCORE)
        return;
    savelnptr = core[corefile].lnptr;
    savedisln = core[corefile].disln;
}

void restore_cursor(int corefile)
{
    if (corefile < 0 || corefile >= NCORE || savelnptr == nullptr)
        return;
    core[corefile].lnptr = savelnptr;
    core[corefile].disln = savedisln;
}

void getresponse()
{
    const COREFILE &f = curcore();
    int n = 0;
    char last = ' ';                  // leading blanks are dropped
    const LINE *line = f.lnptr;
    int col = f.curcol < 1 ? 1 : f.curcol;
    while (line != f.header && n < RESPONSESIZE - 1) {
        int len = line->object == 2 || line->object == 5 ? 0 : line->length;
        char c;
        if (col > len) {
            c = ' ';
            line = line->down;
            col = 1;
        } else {
            c = static_cast<char>(textbase[line->index + col - 1]);
            col++;
        }
        if (c == ' ' && last == ' ')
            continue;
        response[n++] = c;
        last = c;
    }
    if (n > 0 && response[n - 1] == ' ')
        n--;
    response[n] = 0;
    if (n == RESPONSESIZE - 2 || n == RESPONSESIZE - 1)
        for (; line != f.header; line = line->down, col = 1) {
            int len = line->object == 2 || line->object == 5 ? 0 : line->length;
            for (; col <= len; col++)
                if (textbase[line->index + col - 1] != ' ') {
                    char text[64];
                    std::snprintf(text, sizeof text, "Response cut to %d characters", RESPONSESIZE - 1);
                    err_Progress(text);
                    return;
                }
        }
}

// ------------------------------------------------------------ edit keys

void generate()
{
    if (!(installed & LEBIT))
        diserr("There is no lexicon");
    else if (synstat == 0 && userstat == 0)
        diserr("There is no ROOT rule");
    else {
        safely(interpret);
        redisplay = RWINDOW;
    }
}

void vcompsingle()
{
    int n = gnum();
    getresponse();
    safely([n] { err_analysis_single(response, n); });
}

void vcompare()
{
    getresponse();
    int n = 0;
    safely([&n] { n = gen_comp(); });
    if (n < 0 || n >= NERRFUNCS || !error_function[n])
        return;
    sweep();
    pushfn(error_function[n].get());
}

void vnewcompare()
{
    getresponse();
    safely([] { err_analysis(response); });
}

void vglobpre()
{
    safely([] {
        uninstall_n(13);
        global_preselect();
    });
    installed |= GPBIT;
}

void resumelx() { safely(exectrans); }
void venummorph() { safely(generate_enumerations); }

void disp_sent()
{
    int n = gnum();
    if (n < 21)
        sentence_to_core(n, corenum);
    else
        diserr("Integer too high");
}

// An expression longer than semexpr holds is refused rather than cut, since
// a cut expression would say something else.
void vmakepre()
{
    const LINE *line = curcore().lnptr;
    int n = 0;
    if (line != curcore().header && line->object != 2 && line->object != 5)
        n = line->length;
    if (n > SEMEXPRSIZE - 1) {
        refuse("semantic expression too long");
        return;
    }
    std::memcpy(semexpr, textbase + (n > 0 ? line->index : 0), static_cast<size_t>(n));
    semexpr[n] = 0;
    safely([] { analyse_sem_expr(semexpr); });
}
