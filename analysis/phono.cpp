// Phonological alternatives of an expected word: the phonology tables give,
// for each pronunciation symbol, the spellings it may have; a response is a
// plausible spelling when it can be cut into one listed spelling per symbol
// of the expected word's pronunciation.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "analysis/analysis.h"
#include "engine/engine.h"

std::unique_ptr<TABLE> phontablelist;
std::string alt_spellings[PHONSYMBOLS];
std::string candidate_breakdown[PHONSYMBOLS];
std::string source_breakdown[PHONSYMBOLS];

// ------------------------------------------------------- the tables file

// A quoted text, the current token being its opening quote mark; false when
// the file ends inside it.
static bool quoted(std::string &text)
{
    text.clear();
    v_next();
    for (int t; (t = v_peep()) != TEOF; v_next()) {
        if (t == TQUOTE) {
            v_next();
            return true;
        }
        text += static_cast<char>(t);
    }
    return false;
}

// The spellings of one table, after its symbol, up to its ")".
static void spellings(std::unique_ptr<TABLE> *&tail, const std::string &symbol)
{
    while (v_peep() == TPERCENT)
        v_next();
    if (v_peep() != '(') {
        v_err("table symbol not followed by (", "", "");
        return;
    }
    v_next();
    std::string elements, text;
    int count = 0;
    bool closed = false;
    for (int t; !closed && (t = v_peep()) != TEOF;) {
        if (t == TQUOTE) {
            if (!quoted(text))
                break;
            if (text.find_first_of(std::string("|\0", 2)) != std::string::npos)
                v_err("spelling holds | or a zero byte, left out:", text.c_str(), "");
            else {
                elements += text + "|";
                count++;
            }
            continue;
        }
        if (t == ')')
            closed = true;
        else if (t != ',' && t != TPERCENT)
            v_err("unexpected in a table:", tok2str(t), "");
        v_next();
    }
    if (!closed)
        v_err("table not closed", "", "");
    auto table = std::make_unique<TABLE>();
    table->tablename = v_strdup(symbol.c_str());
    table->elements = v_strdup(elements.c_str());
    table->count = count;
    *tail = std::move(table);
    tail = &(*tail)->next;
}

static void phonfile()
{
    std::unique_ptr<TABLE> *tail = &phontablelist;
    while (*tail)
        tail = &(*tail)->next;
    for (int t; (t = v_peep()) != TEOF;) {
        if (t == TQUOTE) {
            std::string symbol;
            if (!quoted(symbol))
                break;
            setposition("table %s", symbol.c_str());
            if (symbol.size() == 1 && symbol[0] != 0) {
                spellings(tail, symbol);
            } else {
                v_err("table symbol is not one character:", symbol.c_str(), "");
                std::unique_ptr<TABLE> dropped, *at = &dropped;
                spellings(at, symbol);
            }
        } else {
            if (t != TPERCENT && t != ',')
                v_err("unexpected outside a table:", tok2str(t), "");
            v_next();
        }
    }
}

void phon_readtables(const char *filename)
{
    readvariantfile(filename, "phon table input", phonfile);
}

void clear_phon_tables()
{
    varstamp++;
    while (phontablelist)
        phontablelist = std::move(phontablelist->next);
    for (int i = 0; i < PHONSYMBOLS; i++) {
        alt_spellings[i].clear();
        candidate_breakdown[i].clear();
        source_breakdown[i].clear();
    }
}

const TABLE *err_get_phontable_pointer(int symbol)
{
    for (const TABLE *t = phontablelist.get(); t != nullptr; t = t->next.get())
        if (t->tablename[0] != 0 && static_cast<unsigned char>(t->tablename[0]) == (symbol & 0xff) &&
            t->tablename[1] == 0)
            return t;
    return nullptr;
}

// ------------------------------------------------------------- matching

// Tables of the symbols being matched, and the positions known to fail.
static const TABLE *symtables[PHONSYMBOLS];
static std::vector<char> failed;      // (symbol, word position) pairs that cannot end well
static size_t wordlen;

// Can word[w..] be spelt as ipa[i..], one listed spelling per symbol? Tries
// the spellings of each symbol in table order, depth first, and records the
// chosen one per symbol in dest. The depth is the pronunciation's length
// (at most PHONSYMBOLS); a position that failed once is not tried again.
bool match_ipastr(const char *ipa, int i, const char *word, int w, std::string *dest)
{
    if (ipa[i] == 0)
        return word[w] == 0;
    if (i >= PHONSYMBOLS || symtables[i] == nullptr)
        return false;
    size_t memo = static_cast<size_t>(i) * (wordlen + 1) + static_cast<size_t>(w);
    if (memo < failed.size() && failed[memo])
        return false;
    const char *e = symtables[i]->elements.get();
    while (*e) {
        const char *bar = std::strchr(e, '|');
        if (bar == nullptr)
            break;
        size_t n = static_cast<size_t>(bar - e);
        if (std::strncmp(word + w, e, n) == 0 &&
            match_ipastr(ipa, i + 1, word, w + static_cast<int>(n), dest)) {
            dest[i].assign(e, n);
            return true;
        }
        e = bar + 1;
    }
    if (memo < failed.size())
        failed[memo] = 1;
    return false;
}

// Cuts a word into one spelling per symbol, into dest.
static bool spell(const std::string &ipa, const char *word, std::string *dest)
{
    wordlen = std::strlen(word);
    failed.assign(ipa.size() * (wordlen + 1), 0);
    for (size_t i = 0; i < ipa.size(); i++)
        dest[i].clear();
    return match_ipastr(ipa.c_str(), 0, word, 0, dest);
}

// The leaf's pronunciation: its entry's phonology fields evaluated in order
// from an empty word; the leaf's word is left as it was.
std::string err_pronunciation(t_treenode *leaf)
{
    if (leaf == nullptr || leaf->dictionary == nullptr)
        return "";
    v_text keep = std::move(leaf->morphed_word);
    t_treenode *keepnode = current_node;
    leaf->morphed_word = v_strdup("");
    const int *passes = morph_passes[NMORPHTREES - 1];
    for (int k = 1; k < NMORPHPASSES - 1 && passes[k] != 0; k++)
        morph_word(leaf, passes[k]);
    std::string ipa = leaf->morphed_word ? leaf->morphed_word.get() : "";
    leaf->morphed_word = std::move(keep);
    current_node = keepnode;
    return ipa;
}

// The leaf's pronunciation, made once and kept with its variants with the
// phonology passes it was made by; empty when it cannot be compared (the
// reason written once).
static std::string keptpronunciation(t_treenode *leaf)
{
    const int *passes = morph_passes[NMORPHTREES - 1];
    morphvar *mark = findmark(leaf, MVPHON);
    if (mark != nullptr && std::equal(passes + 1, passes + 5, mark->attrcomb + 1))
        return mark->variant;
    std::string ipa = err_pronunciation(leaf);
    if (ipa.size() > PHONSYMBOLS) {
        v_linef(MSGCORE, "pronunciation %s longer than %d symbols: not compared", ipa.c_str(),
                PHONSYMBOLS);
        ipa.clear();
    }
    for (char c : ipa)
        if (err_get_phontable_pointer(static_cast<unsigned char>(c)) == nullptr) {
            v_line(MSGCORE, 0, "ipa symbol has no entry in phonology tables");
            ipa.clear();
            break;
        }
    std::vector<std::unique_ptr<morphvar>> block;
    block.push_back(std::make_unique<morphvar>());
    block.front()->kind = MVPHON;
    std::copy(passes + 1, passes + 5, block.front()->attrcomb + 1);
    block.front()->variant = ipa;
    keepblock(leaf, block);
    return ipa;
}

void err_match_phono(const char *response_word, t_treenode *leaf, lexdiff *cell)
{
    if (phontablelist == nullptr || response_word == nullptr || leaf == nullptr ||
        cell == nullptr)
        return;
    std::string ipa = keptpronunciation(leaf);
    if (ipa.empty())
        return;
    // The table of each symbol, looked up once for all the pairings until
    // the tables change.
    static const TABLE *bysymbol[256];
    static unsigned madeat = 0;
    if (madeat != varstamp) {
        for (int c = 0; c < 256; c++)
            bysymbol[c] = err_get_phontable_pointer(c);
        madeat = varstamp;
    }
    for (size_t i = 0; i < ipa.size(); i++)
        symtables[i] = bysymbol[static_cast<unsigned char>(ipa[i])];
    if (!spell(ipa, response_word, candidate_breakdown))
        return;
    cell->matchclass = 4;
    std::string expected = remove_spaceeater(leaf->morphed_word.get());
    if (!spell(ipa, expected.c_str(), source_breakdown)) {
        cell->error[0] = "ERROR: correct word does not match ipa string, though student "
                         "response does";
        return;
    }
    int k = 0;
    for (size_t i = 0; i < ipa.size() && k < BREAKUPS; i++)
        if (source_breakdown[i] != candidate_breakdown[i])
            cell->breakup[k++] = source_breakdown[i] + "/" + candidate_breakdown[i];
    for (; k < BREAKUPS; k++)
        cell->breakup[k].clear();
}
