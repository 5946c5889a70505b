// Full response analyses per second with the three variant files loaded, so
// that every pairing that is not exact goes through the matchers: the
// morph-error file varies each word in number, the tags file names a field
// listing a related word, and the phonology tables give every letter of the
// pronunciation two or three spellings. A response of n words against three
// roots of n words (10 is the reference case; 5, 20 and 40 show the growth).
// "cold" makes a new generation before each analysis, so that the variants,
// related words and pronunciations are made afresh every time.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "editor/editor.h"
#include "engine/engine.h"
#include "analysis/analysis.h"
#include "bench/scratch.h"

namespace {

std::vector<std::string> made;        // scratch description files

std::string word(int i)
{
    const char *stems[] = {"house", "garden", "window", "table", "river", "mountain", "letter"};
    return std::string(stems[i % 7]) + static_cast<char>('a' + i % 26);
}

std::string related(int i)
{
    const char *stems[] = {"cottage", "yard", "pane", "desk", "stream", "hill", "note"};
    return std::string(stems[i % 7]) + static_cast<char>('a' + i % 26);
}

// Three roots of n words: ANSWER, and R_3 and R_4 shifted by one and two
// words. Each terminal has one word that generation can choose, in the
// singular, with a related word and a pronunciation (its letters). Returns a
// response whose words are, in turn, exact, another inflection, the related
// word, another spelling of the pronunciation, a near spelling and unrelated.
std::string setup(int n)
{
    initcore();
    initgenra();
    std::string terms, lex, syn, merr, ipa;
    for (int i = 0; i < n + 2; i++) {
        std::string t = std::string("T").append(std::to_string(i)), w = word(i), r = related(i);
        terms += t + " ";
        lex += "\"" + w + "\"|" + t + "|number|1|\"" + w + "\"$noun||synonym:\"" + r + "\"|\"" + w +
               "\"|\n";
        lex += "\"" + r + "\"|" + t + "|number|0|\"" + r + "\"$noun|\n";
        merr += t + " number )\n";
    }
    for (char c = 'a'; c <= 'z'; c++) {
        std::string l(1, c);
        ipa += "\"" + l + "\" (\"" + l + "\", \"" + l + l + "\"" +
               (std::string("aeiou").find(c) != std::string::npos ? ", \"y\"" : "") + ")\n";
    }
    for (int r = 0; r < 3; r++) {
        syn += r == 0 ? "ANSWER =" : r == 1 ? "R_3 =" : "R_4 =";
        for (int i = 0; i < n; i++)
            syn.append(" T").append(std::to_string(i + r)).append("[sg]");
        syn += " %\n";
    }
    made = {scratch("number (sg, pl)\n%\n"),
            scratch(terms + "\n"),
            scratch("RULE noun pl : \"s\" ; sg : \"\" ;\n"),
            scratch(lex),
            scratch(syn),
            scratch(merr),
            scratch("synonym (7)\n"),
            scratch(ipa)};
    readattr(made[0].c_str());
    read_terminals(made[1].c_str());
    new_readmorph(made[2].c_str());
    initdict();
    readdict(made[3].c_str());
    synstat = read_syntax(made[4].c_str());
    merror_readtables(made[5].c_str());
    tag_readtables(made[6].c_str());
    phon_readtables(made[7].c_str());
    morph_passes[NMORPHTREES - 1][1] = 8;   // the pronunciation field
    morph_passes[NMORPHTREES - 1][2] = 0;
    interpret();
    initcore();
    std::string response;
    for (int i = 0; i < n; i++) {
        std::string w = word(i);
        switch (i % 6) {
        case 1: w += "s"; break;                          // MORPH
        case 2: w = related(i); break;                    // LEX
        case 3: w = w.substr(0, 1) + w; break;            // PHONO
        case 4: w[1] = 'x'; break;                        // APPROX
        case 5: w = std::string("zz").append(std::to_string(i)); break;     // unrelated
        default: break;                                   // EXACT
        }
        response += (response.empty() ? "" : " ") + w;
    }
    vnomatchscore = vorderscore = vsynscore = vmorphscore = vphonoscore = vapproxscore = 1;
    return response;
}

void teardown()
{
    clear_GP();
    purge_syntax();
    clear_mrdata();
    clear_tag_tables();
    clear_phon_tables();
    clearlexicon();
    clear_mrules();
    clear_terminals();
    morph_passes[NMORPHTREES - 1][1] = 22;
    morph_passes[NMORPHTREES - 1][2] = 23;
    for (const std::string &name : made)
        unlink(name.c_str());
}

// With KEL_BENCH_SHOW set, the report of one analysis goes to standard
// error, to see that the response meets every kind of match.
void show(const std::string &response)
{
    if (std::getenv("KEL_BENCH_SHOW") == nullptr)
        return;
    err_analysis(response.c_str());
    const COREFILE &f = core[15];
    for (const LINE *l = f.header->down; l != f.header; l = l->down)
        std::fprintf(stderr, "%.*s\n", l->object == 5 ? 0 : static_cast<int>(l->length),
                     reinterpret_cast<const char *>(textbase + l->index));
}

void run(benchmark::State &state, bool cold)
{
    std::string response = setup(static_cast<int>(state.range(0)));
    show(response);
    LINE *keep7 = core[7].header, *keep15 = core[15].header;
    core[7].header = core[15].header = nullptr;   // v_line then writes nothing
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            core[7].header = keep7;
            interpret();
            initcore();
            keep7 = core[7].header;
            keep15 = core[15].header;
            core[7].header = core[15].header = nullptr;
            state.ResumeTiming();
        }
        err_analysis(response.c_str());
    }
    core[7].header = keep7;
    core[15].header = keep15;
    state.counters["analyses"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    teardown();
}

void BM_variants_warm(benchmark::State &state) { run(state, false); }
void BM_variants_cold(benchmark::State &state) { run(state, true); }
BENCHMARK(BM_variants_warm)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_variants_cold)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMicrosecond);

} // namespace
