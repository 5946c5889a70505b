// The comparison of a learner's response with the kept sentences of the
// selected roots: the root set, the words of the response and of each tree,
// the classification of every pairing, the score, and the best root's report
// in corefile 15 with the progress of the work in corefile 7.
#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "analysis/analysis.h"
#include "engine/engine.h"
#include "screen/screen.h"
#include "commands/commands.h"

int rootset[NROOTS];
int rootsetinit;

inline constexpr size_t KEPTCELLS = 40 * 40;    // cells kept between comparisons

void err_Progress(const char *text)
{
    v_line(MSGCORE, 0, text);
    progress(text);
}

[[gnu::format(printf, 1, 2)]] static void progressf(const char *fmt, ...)
{
    char text[ENGLINESIZE];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    err_Progress(text);
}

// --------------------------------------------------------------- root set

void err_initrootset()
{
    for (int i = 0; i < NROOTS; i++)
        rootset[i] = i >= 2;
    rootsetinit = 1;
}

// Every run of digits is a number; the members 0 to 20 form the new set.
// The listing holds every member once, whatever the length of the text.
void err_set_rootset(const char *text)
{
    if (!rootsetinit)
        err_initrootset();
    if (text == nullptr || *text == 0) {
        err_initrootset();
        v_linef(MSGCORE, "ROOTSET restored to default set: 2 3 4 ... %d", NROOTS - 1);
        return;
    }
    int chosen[NROOTS] = {};
    for (const char *p = text; *p;) {
        if (*p < '0' || *p > '9') {
            p++;
            continue;
        }
        int n = 0;
        for (; *p >= '0' && *p <= '9'; p++)
            if (n < NROOTS)               // larger numbers stay out of range, never overflow
                n = n * 10 + (*p - '0');
        if (n < NROOTS)
            chosen[n] = 1;
    }
    std::string list;
    for (int i = 0; i < NROOTS; i++) {
        rootset[i] = chosen[i];
        if (chosen[i])
            list += std::to_string(i) + " ";
    }
    v_linef(MSGCORE, "ROOTSET changed to set: %s", list.c_str());
}

treenode *err_roottree(int i)
{
    if (i == 0)
        return genSentences[0] ? root : nullptr;
    return i > 0 && i < NROOTS ? rootPtrs[i] : nullptr;
}

static const char *sentence(int i)
{
    return i >= 0 && i < NROOTS && genSentences[i] ? genSentences[i].get() : "";
}

// ------------------------------------------------------------------ words

std::vector<std::string> err_make_words(const char *sentence)
{
    progress("Finding lexical units");
    std::vector<std::string> words;
    for (const char *p = sentence; p != nullptr && *p;) {
        if (*p == ' ') {
            p++;
            continue;
        }
        const char *end = std::strchr(p, ' ');
        size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (static_cast<int>(words.size()) == ERRWORDS) {
            progressf("Response cut to %d words", ERRWORDS);
            break;
        }
        words.emplace_back(p, n);
        p += n;
    }
    return words;
}

int err_lexlist_len(const std::vector<std::string> &words) { return static_cast<int>(words.size()); }

const std::string &err_get_lex_ent(const std::vector<std::string> &words, int i)
{
    static const std::string none;
    return i >= 1 && i <= err_lexlist_len(words) ? words[static_cast<size_t>(i - 1)] : none;
}

int syn_flattened_len(const treenode *tree)
{
    int n = 0;
    for (const treenode *leaf = tree ? tree->right : nullptr; leaf != nullptr; leaf = leaf->right)
        n++;
    return n;
}

const char *syn_get_tree_morph(const treenode *tree, int i)
{
    const treenode *leaf = tree ? tree->right : nullptr;
    for (int k = 1; leaf != nullptr && k < i; k++)
        leaf = leaf->right;
    return leaf != nullptr && i >= 1 && leaf->morphed_word ? leaf->morphed_word.get() : "";
}

// Passes each character of the word as the sentence shows it to `put`: the
// "^" marks dropped, and the letter after a "`" mark capitalised (the mark
// dropped). Stops early when `put` says so.
template <class F> static bool shownchars(const char *word, F put)
{
    bool capital = false;
    for (const char *p = word ? word : ""; *p; p++) {
        auto c = static_cast<unsigned char>(*p);
        if (c == '`') {
            capital = true;
        } else if (c != '^') {
            if (!put(capital ? capitalised(c) : c))
                return false;
            capital = false;
        }
    }
    return true;
}

// The word as the sentence shows it, so that a response typed as the
// learner saw it compares exact.
std::string remove_spaceeater(const char *word)
{
    std::string s;
    shownchars(word, [&](unsigned char c) {
        s += static_cast<char>(c);
        return true;
    });
    return s;
}

// Whether the word, as the sentence shows it, is the text; made without a
// copy, for the many comparisons with variants.
bool shown_as(const char *word, const char *text)
{
    const char *t = text ? text : "";
    auto same = [&](unsigned char c) { return *t != 0 && c == static_cast<unsigned char>(*t++); };
    return shownchars(word, same) && *t == 0;
}

// ------------------------------------------------------------- one pairing

// The steps of a pairing are shown on the help line the first time each is
// reached in a root's comparison: the line shows the same steps, without
// the hundreds of repeated messages that would cost most of the time.
static int stagesshown;

static void stage(int step, const char *text)
{
    if (stagesshown & step)
        return;
    stagesshown |= step;
    progress(text);
}

static void clearcell(lexdiff *cell)
{
    cell->matchclass = -1;
    for (std::string &e : cell->error)
        e.clear();
    for (std::string &b : cell->breakup)
        b.clear();
    cell->error[0] = "none";
}

// The pairing of a response word with a leaf whose word, without its "^"
// marks, is `expected`, and would be `alone` with nothing after it.
static void worddiff(const char *response_word, const std::string &expected,
                     const std::string &alone, treenode *leaf, lexdiff *cell)
{
    clearcell(cell);
    int d = strdiff(expected.c_str(), response_word);
    if (d == 0) {
        cell->matchclass = 0;
        return;
    }
    if (!alone.empty() && alone != expected && alone == response_word) {
        cell->matchclass = ELISIONCLASS;
        return;
    }
    stage(1, "Performing morphological analysis");
    if (compare_var(response_word, leaf, cell->breakup)) {
        cell->matchclass = 1;
        return;
    }
    stage(2, "Performing lexicon analysis");
    cell->matchclass = d == NOTSIMILAR ? 3 : 2;
    err_match_syn(response_word, leaf, cell);
    if (cell->matchclass < 5) {
        stage(4, "Performing phonological analysis");
        err_match_phono(response_word, leaf, cell);
    }
}

void err_word_diff(const char *response_word, treenode *leaf, lexdiff *cell)
{
    worddiff(response_word, remove_spaceeater(leaf ? leaf->morphed_word.get() : nullptr),
             err_alone_form(leaf, false), leaf, cell);
}

// ------------------------------------------------------------ one root

int err_score(const std::vector<lexdiff> &matrix, int y, int x)
{
    long long score = 0;
    for (int i = 1; i <= std::min(x, y); i++)
        switch (matrix[cellat(i, i, x)].matchclass) {
        case 0: score += vexactscore; break;
        case 1: score += vmorphscore; break;
        case ELISIONCLASS: score += vmorphscore; break;
        case 2: score += vapproxscore; break;
        case 3: score += vorderscore; break;
        case 4: score += vphonoscore; break;
        default: score += vsynscore; break;
        }
    score += static_cast<long long>(vnomatchscore) * std::abs(x - y);
    // Kept below the starting best score, so that every compared root can win.
    return static_cast<int>(std::clamp<long long>(score, INT_MIN, INT_MAX - 1));
}

scorelist err_lexlist_diff(const std::vector<std::string> &words, treenode *tree)
{
    progress("Parsing response");
    stagesshown = 0;
    std::vector<treenode *> leaves;
    std::vector<std::string> expected;
    std::vector<std::string> alone;           // each word with nothing after it
    std::vector<bool> glued;
    // A leaf made of marks alone ("`", "^") shows no word in the sentence:
    // it is no expected word, and its capital goes to the next word, as the
    // sentence shows it. Every other leaf counts, an empty one too.
    bool capital = false, join = false;
    for (treenode *leaf = tree ? tree->right : nullptr; leaf != nullptr; leaf = leaf->right) {
        const char *word = leaf->morphed_word ? leaf->morphed_word.get() : "";
        bool joined = err_glued(word, join);
        std::string shown = remove_spaceeater(word);
        if (shown.empty() && *word != 0) {
            capital = capital || std::strchr(word, '`') != nullptr;
            continue;
        }
        bool raised = capital && !shown.empty();
        if (raised)
            shown[0] = static_cast<char>(capitalised(static_cast<unsigned char>(shown[0])));
        capital = capital && shown.empty();
        if (static_cast<int>(leaves.size()) == ERRWORDS) {
            progressf("Expected sentence cut to %d words", ERRWORDS);
            break;
        }
        leaves.push_back(leaf);
        expected.push_back(std::move(shown));
        alone.push_back(err_alone_form(leaf, raised));
        glued.push_back(joined);
    }
    int y = static_cast<int>(leaves.size());
    // A response word spanning words the sentence shows glued ("j'aime") is
    // compared piece by piece; the report names the word it came from.
    response_units units = err_glued_units(words, expected, glued);
    int x = std::min(static_cast<int>(units.text.size()), ERRWORDS);
    // The cells of ordinary comparisons are kept from one to the next (each
    // is cleared before use), so that their texts need not be made again;
    // the few larger ones have their own.
    static std::vector<lexdiff> kept;
    std::vector<lexdiff> large;
    const size_t cells = static_cast<size_t>(y) * static_cast<size_t>(x);
    std::vector<lexdiff> &matrix = cells <= KEPTCELLS ? kept : large;
    if (matrix.size() < cells)
        matrix.resize(cells);
    for (int i = 1; i <= y; i++)
        for (int j = 1; j <= x; j++)
            worddiff(units.text[static_cast<size_t>(j - 1)].c_str(),
                     expected[static_cast<size_t>(i - 1)], alone[static_cast<size_t>(i - 1)],
                     leaves[static_cast<size_t>(i - 1)], &matrix[cellat(i, j, x)]);
    scorelist result;
    result.score = err_score(matrix, y, x);
    err_Progress("Analyzing errors, printing to ERRORSCORE");
    result.output_text = err_get_report(matrix, y, x, units.text, expected, &units.wordno);
    return result;
}

// ----------------------------------------------------------- the analysis

void err_analysis(const char *answer)
{
    if (answer == nullptr) {
        v_err("Error analysis called but no student response found", "", "");
        return;
    }
    if (!rootsetinit)
        err_initrootset();
    bool any = false;
    for (int i = 0; i < NROOTS; i++)
        any = any || (rootset[i] && err_roottree(i) != nullptr);
    if (!any) {
        err_Progress("No roots found in ROOTSET to perform error testing");
        return;
    }
    err_Progress("Beginning error analysis");
    std::vector<std::string> words = err_make_words(answer);
    // Without a word every expected word is reported missing.
    if (words.empty())
        err_Progress("No student response");
    mrmodify();

    int bestroot = 2, bestscore = INT_MAX;
    std::string best;
    bool found = false;
    for (int i = 0; i < NROOTS; i++) {
        treenode *tree = err_roottree(i);
        if (!rootset[i] || tree == nullptr)
            continue;
        if (stopping()) {               // the interrupt key or an ending signal
            err_Progress("Analysis interrupted");
            return;
        }
        all_variants(tree);
        v_line(MSGCORE, 0, "");
        v_line(MSGCORE, 0, "");
        progressf("Comparing response to root %i", i);
        save_cursor(REPORTCORE);
        scorelist s = err_lexlist_diff(words, tree);
        v_line(MSGCORE, 0, "  *****");
        v_linef(MSGCORE, "CURRENT ROOT : R%d", i);
        v_linef(MSGCORE, "SCORE        : %d", s.score);
        v_linef(MSGCORE, "EXPECTED : %s", sentence(i));
        v_linef(MSGCORE, "RESPONSE : %s", answer);
        v_line(MSGCORE, 0, "  *****");
        if (s.score < bestscore) {      // ties keep the lower root number
            bestscore = s.score;
            bestroot = i;
            best = std::move(s.output_text);
            found = true;
        }
    }

    if (found) {
        v_linef(REPORTCORE, "BEST ROOT : R%d", bestroot);
        v_linef(REPORTCORE, "SCORE     : %d", bestscore);
        v_linef(REPORTCORE, "EXPECTED : %s", sentence(bestroot));
        v_linef(REPORTCORE, "RESPONSE : %s", answer);
        for (size_t p = 0; p < best.size();) {
            size_t end = best.find('\n', p);
            if (end == std::string::npos)
                end = best.size();
            v_line(REPORTCORE, 0, std::string_view(best).substr(p, end - p));
            p = end + 1;
        }
    } else {
        v_line(REPORTCORE, 0, "Error: no score was found");
    }
    err_Progress("Cleaning up data structures");
}

void err_analysis_single(const char *answer, int n)
{
    struct keep {                     // the root set comes back however the analysis ends
        int set[NROOTS];
        int init;
        keep() : init(rootsetinit) { std::copy(rootset, rootset + NROOTS, set); }
        ~keep()
        {
            std::copy(set, set + NROOTS, rootset);
            rootsetinit = init;
        }
    } saved;
    std::fill(rootset, rootset + NROOTS, 0);
    if (n >= 0 && n < NROOTS)
        rootset[n] = 1;
    rootsetinit = 1;
    err_analysis(answer);
}
