// Whole generations (sentences per second) from a 30-rule grammar, 8
// attribute types, 2,000 lexicon entries, two morphology passes and two
// transformations (one reordering a clause and dropping an attribute, one
// moving the first clause last and inserting a word between), with and
// without the result lines in corefile 7; and the peak memory after 1,000
// and after 1,000,000 generations, which must be the same.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include "editor/editor.h"
#include "engine/engine.h"
#include "bench/scratch.h"

namespace {

std::string attrname, termname, lexname, morphname, grammarname;

const char *const terminals[] = {"DetW", "NounW", "VerbW", "AdjW", "AdvW", "ArtW", "DemW",
                                 "NameW", "ProW", "AndW", "ButW", "StopW", "BangW"};

void descriptions()
{
    if (!attrname.empty())
        return;
    attrname = scratch("number (sing, plural)\ngender (masc, fem)\nperson (first, second, third)\n"
                       "role (subj, obj)\ntense (past, present)\nmood (ind, subj2)\n"
                       "voice (active, passive)\ncase (nom, acc, dat)\n%\n");
    std::string terms;
    for (const char *t : terminals)
        terms += std::string(t) + " ";
    termname = scratch(terms + "\n");
    std::string lex;
    const char *numbers[] = {"sing", "plural"};
    const char *genders[] = {"masc", "fem"};
    for (int i = 0; i < 2000; i++) {
        const char *t = terminals[i % 13];
        lex += "\"w" + std::to_string(i) + "\"|" + t + "|" + numbers[i / 13 % 2] + ", " +
               genders[i / 26 % 2] + "|" + std::to_string(1 + i % 7) + "|#1|!$pl|\n";
    }
    lexname = scratch(lex);
    morphname = scratch("RULE pl\n  plural : \"s\" ;\n  * : \"\" ;\n");
    grammarname = scratch(
        "Invert = TRANSFORMATION PRIORITY 3 NP Pred : 2 1[-gender] ; %\n"
        "Tail = TRANSFORMATION PRIORITY 5 Clause * : 2 AndW[1!number] 1 ; %\n"
        "ROOT = Tail:S Punct %\n"
        "S = Clause (Conj Clause | Clause2) %\n"
        "Clause = CHOOSE n : number ; CHOOSE g : gender ; Invert:X[n, g] %\n"
        "X = INHERIT n : number ; INHERIT g : gender ; NP[n, g] Pred[n] %\n"
        "Clause2 = CHOOSE n : number ; Subj[n] Pred[n] %\n"
        "Subj = INHERIT n : number ; NP[n] %\n"
        "NP = INHERIT n : number ; Det[n] AP Noun[n] %\n"
        "AP = (Adj | Adv Adj | Adj) %\n"
        "Pred = < plural : VP2 > VP1 %\n"
        "VP1 = Verb[sing] Obj %\n"
        "VP2 = Verb[plural] Obj %\n"
        "Obj = (NP2 | Pro) %\n"
        "NP2 = Det2 N2 %\n"
        "Det2 = (Art | Dem) %\n"
        "N2 = (Noun | Name) %\n"
        "Art = ArtW %\n"
        "Dem = DemW %\n"
        "Name = NameW %\n"
        "Pro = ProW %\n"
        "Conj = (And | But) %\n"
        "And = AndW %\n"
        "But = ButW %\n"
        "Punct = (Stop | Bang) %\n"
        "Stop = StopW %\n"
        "Bang = BangW %\n"
        "Adv = AdvW %\n"
        "Adj = AdjW %\n"
        "Verb = VerbW %\n"
        "Noun = NounW %\n"
        "Det = DetW %\n");
}

void setup()
{
    initcore();
    initgenra();
    descriptions();
    readattr(attrname.c_str());
    read_terminals(termname.c_str());
    initdict();
    readdict(lexname.c_str());
    new_readmorph(morphname.c_str());
    read_syntax(grammarname.c_str());
    initcore();
}

// The first problem that one generation writes into corefile 7, or "".
std::string problem()
{
    LINE *h = core[7].header;
    for (LINE *l = h->down; l != h; l = l->down) {
        std::string_view text(reinterpret_cast<const char *>(textbase) + l->index,
                              static_cast<size_t>(l->length));
        if (text.substr(0, 5) == "ERROR" || text.find("not found") != std::string_view::npos)
            return std::string(text);
    }
    return "";
}

void run(benchmark::State &state, bool lines)
{
    setup();
    interpret();
    if (std::string p = problem(); !p.empty()) {
        state.SkipWithError(p.c_str());
        unload_descriptions();
        return;
    }
    initcore();
    LINE *header = core[7].header;
    if (!lines)
        core[7].header = nullptr;     // v_line then writes nothing
    long words = 0, n = 0;
    for (auto _ : state) {
        interpret();
        words += static_cast<long>(std::strlen(sentbuf2));
        if (lines && ++n % 20000 == 0) {
            state.PauseTiming();
            initcore();               // drops the result lines written so far
            header = core[7].header;
            state.ResumeTiming();
        }
    }
    core[7].header = header;
    state.counters["sentences"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["chars/sentence"] =
        static_cast<double>(words) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    unload_descriptions();
}

void BM_generate_lines(benchmark::State &state) { run(state, true); }
void BM_generate_quiet(benchmark::State &state) { run(state, false); }
BENCHMARK(BM_generate_lines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_generate_quiet)->Unit(benchmark::kMicrosecond);

long peak_kb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Peak memory after a number of generations, corefile 7 kept empty.
void BM_memory(benchmark::State &state)
{
    setup();
    LINE *header = core[7].header;
    core[7].header = nullptr;
    for (auto _ : state)
        for (int64_t i = 0; i < state.range(0); i++)
            interpret();
    core[7].header = header;
    state.counters["peak_kb"] = static_cast<double>(peak_kb());
    unload_descriptions();
}
BENCHMARK(BM_memory)->Arg(1000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

struct Cleanup {
    ~Cleanup()
    {
        for (const std::string *name : {&attrname, &termname, &lexname, &morphname, &grammarname})
            if (!name->empty())
                unlink(name->c_str());
    }
} cleanup;

} // namespace
