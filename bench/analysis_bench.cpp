// Full response analyses per second: a response against three roots of as
// many words (10 is the reference case; 5, 20 and 40 show the growth), with
// the progress and report lines written, and with them dropped.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>
#include "editor/editor.h"
#include "engine/engine.h"
#include "analysis/analysis.h"

namespace {

// Root `slot` with one leaf per word and its kept sentence.
void maketree(int slot, const std::vector<std::string> &words)
{
    t_treenode *top = makenode(tree_roots[slot].name);
    t_treenode **next = &top->son;
    std::string sentence;
    for (const std::string &w : words) {
        *next = makenode("W");
        (*next)->morphed_word = v_strdup(w.c_str());
        next = &(*next)->sibling;
        sentence += (sentence.empty() ? "" : " ") + w;
    }
    thread(top);
    rootPtrs[slot] = top;
    genSentences[slot] = v_strdup(sentence.c_str());
}

// Three roots of n words and a response that matches the first root's words
// exactly, nearly or not at all, in turn, with one pair swapped.
std::string setup(int n)
{
    initcore();
    initgenra();
    const char *stems[] = {"house", "garden", "window", "table", "river", "mountain", "letter"};
    for (int r = 0; r < 3; r++) {
        std::vector<std::string> words;
        for (int i = 0; i < n; i++)
            words.push_back(std::string(stems[(i + r) % 7]) + static_cast<char>('a' + i % 26));
        maketree(2 + r, words);
    }
    std::string response;
    for (int i = 0; i < n; i++) {
        std::string w = std::string(stems[i % 7]) + static_cast<char>('a' + i % 26);
        if (i % 3 == 1)
            w[1] = 'x';                   // a near spelling
        else if (i % 3 == 2)
            w = "zz" + std::to_string(i); // an unrelated word
        response += (response.empty() ? "" : " ") + w;
    }
    vnomatchscore = vorderscore = vsynscore = vmorphscore = vphonoscore = vapproxscore = 1;
    return response;
}

void teardown()
{
    purge_all_trees();
    for (v_text &s : genSentences)
        s.reset();
}

void run(benchmark::State &state, bool lines)
{
    std::string response = setup(static_cast<int>(state.range(0)));
    LINE *keep7 = core[7].header, *keep15 = core[15].header;
    if (!lines)
        core[7].header = core[15].header = nullptr;   // v_line then writes nothing
    long n = 0;
    for (auto _ : state) {
        err_analysis(response.c_str());
        if (lines && ++n % 2000 == 0) {
            state.PauseTiming();
            initcore();                   // drops the lines written so far
            keep7 = core[7].header;
            keep15 = core[15].header;
            state.ResumeTiming();
        }
    }
    core[7].header = keep7;
    core[15].header = keep15;
    state.counters["analyses"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    teardown();
}

void BM_analysis_lines(benchmark::State &state) { run(state, true); }
void BM_analysis_quiet(benchmark::State &state) { run(state, false); }
BENCHMARK(BM_analysis_lines)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_analysis_quiet)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMicrosecond);

} // namespace
