// Full response analyses per second: a response against three generated
// roots of as many words (10 is the reference case; 5, 20 and 40 show the
// growth), with the progress and report lines written, and with them dropped.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>
#include "editor/editor.h"
#include "engine/engine.h"
#include "analysis/analysis.h"
#include "bench/scratch.h"

namespace {

std::vector<std::string> made;        // scratch description files

// Generates three roots of n words: ANSWER, and R_3 and R_4 shifted by one
// and two words, each terminal having a single word. Returns a response that
// matches ANSWER's words exactly, nearly or not at all, in turn.
std::string setup(int n)
{
    initcore();
    initgenra();
    const char *stems[] = {"house", "garden", "window", "table", "river", "mountain", "letter"};
    auto word = [&](int i) { return std::string(stems[i % 7]) + static_cast<char>('a' + i % 26); };
    std::string terms, lex, syn;
    for (int i = 0; i < n + 2; i++) {
        std::string t = std::to_string(i);
        terms.append("T").append(t).append(" ");
        lex.append("\"").append(word(i)).append("\"|T").append(t).append("||1|#1|\n");
    }
    for (int r = 0; r < 3; r++) {
        syn += r == 0 ? "ANSWER =" : r == 1 ? "R_3 =" : "R_4 =";
        for (int i = 0; i < n; i++)
            syn.append(" T").append(std::to_string(i + r));
        syn += " %\n";
    }
    made = {scratch("number (sg, pl)\n%\n"), scratch(terms + "\n"), scratch(lex), scratch(syn)};
    readattr(made[0].c_str());
    read_terminals(made[1].c_str());
    initdict();
    readdict(made[2].c_str());
    synstat = read_syntax(made[3].c_str());
    interpret();
    initcore();
    std::string response;
    for (int i = 0; i < n; i++) {
        std::string w = word(i);
        if (i % 3 == 1)
            w[1] = 'x';                   // a near spelling
        else if (i % 3 == 2)
            w = std::string("zz").append(std::to_string(i));  // an unrelated word
        response += (response.empty() ? "" : " ") + w;
    }
    vnomatchscore = vorderscore = vsynscore = vmorphscore = vphonoscore = vapproxscore = 1;
    return response;
}

void teardown()
{
    clear_GP();
    purge_syntax();
    clearlexicon();
    clear_terminals();
    for (const std::string &name : made)
        unlink(name.c_str());
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
