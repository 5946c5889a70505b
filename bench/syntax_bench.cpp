// The syntax reader and expansion: reading a generated file of 2,000 rules
// of every kind (rules per second), and growing trees of about 40 nodes
// from a 30-rule grammar with guards, choice groups, variables and
// attachments (trees per second).
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <unistd.h>
#include "editor/editor.h"
#include "engine/engine.h"
#include "bench/scratch.h"

namespace {

constexpr int NRULES = 2000;

std::string attrname, bigname, grammarname;

void descriptions()
{
    if (!attrname.empty())
        return;
    attrname = scratch("number (sing, plural)\ngender (masc, fem)\nperson (first, second, third)\n"
                       "role (subj, obj)\n%\n");
    const char *forms[] = {
        "R# = NP VP PP %\n",
        "R# = (A | B/5=a,b | FLATTEN:C) D %\n",
        "R# = < plural : Det N[plural] > N[sing] %\n",
        "R# = CHOOSE n : number ; NP[n] VP[n, masc] %\n",
        "R# = V/_pre_ subj/\"go*\"/+3 N/$2/@6:obj[plural] %\n",
        "R# = SELECT k : number _pre_ subj ; INHERIT g : gender ; A[k, g] %\n",
        "R# = TRANSFORMATION PRIORITY 7 NP[plural] * : 2 1[-plural] ; * : ; %\n",
        "R# = < masc, (sing | plural) : X (Y | Z (W | V)) > Q %\n",
    };
    std::string text;
    for (int i = 0; i < NRULES; i++) {
        std::string rule = forms[i % 8];
        rule.replace(1, 1, std::to_string(i));
        text += rule;
    }
    bigname = scratch(text);
    grammarname = scratch(
        "ROOT = S PunctW %\n"
        "S = Clause (Conj Clause | Conj Clause) %\n"
        "Clause = CHOOSE n : number ; NP[n] Pred[n] %\n"
        "Subj = INHERIT n : number ; NP[n] %\n"
        "NP = INHERIT n : number ; Det[n] AP Noun[n]/5=a,b %\n"
        "AP = (Adj | Adv Adj | Adj) %\n"
        "Pred = < plural : VP2 > VP1 %\n"
        "VP1 = Verb/\"*s\" Obj %\n"
        "VP2 = Verb/+3 Obj %\n"
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
        "Det = DetW %\n"
        "Extra1 = X %\n"
        "Extra2 = Y %\n");
}

void setup()
{
    initcore();
    initgenra();
    descriptions();
    readattr(attrname.c_str());
    initcore();
}

void BM_read(benchmark::State &state)
{
    setup();
    for (auto _ : state) {
        purge_syntax();
        read_syntax(bigname.c_str());
        state.PauseTiming();
        initcore();                   // drops the report lines of the pass
        state.ResumeTiming();
    }
    state.counters["rules"] =
        benchmark::Counter(NRULES * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    purge_syntax();
}
BENCHMARK(BM_read)->Unit(benchmark::kMillisecond);

void BM_expand(benchmark::State &state)
{
    setup();
    purge_syntax();
    read_syntax(grammarname.c_str());
    initcore();
    long nodes = 0;
    for (auto _ : state) {
        nodecount = 0;
        d_table_count = 0;
        delayptr = 0;
        t_treenode *top = makenode("ROOT");
        expand_tree(top);
        nodes += nodecount;
        purge_tree(top);
    }
    state.counters["trees"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["nodes/tree"] =
        static_cast<double>(nodes) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    purge_syntax();
}
BENCHMARK(BM_expand)->Unit(benchmark::kMicrosecond);

struct Cleanup {
    ~Cleanup()
    {
        for (const std::string *name : {&attrname, &bigname, &grammarname})
            if (!name->empty())
                unlink(name->c_str());
    }
} cleanup;

} // namespace
