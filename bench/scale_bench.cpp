// The engine at dictionary scale, on the synthetic description of synthlex.h
// with 1,000 to 100,000 verb entries:
//   generate/N  whole random clauses after loading (sentences per second);
//               the goal is a cost per sentence flat from 1,000 to 100,000
//   forms/N     the six present forms of one verb through six named roots
//               that mandate its word (forms per second)
//   load/N      reading the lexicon file (bytes per second)
//   memory      peak memory with the 100,000-entry lexicon loaded, before
//               and after 10,000 generations (the kept candidate lists)
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <map>
#include <string>
#include <unistd.h>
#include "editor/editor.h"
#include "engine/engine.h"
#include "bench/scratch.h"
#include "bench/synthlex.h"

namespace {

struct files {
    std::string attrs, terms, lexicon, morph, syntax, forms;
    size_t bytes = 0;
    std::string verb;
};
std::map<int, files> made;

const files &description(int verbs)
{
    files &f = made[verbs];
    if (!f.attrs.empty())
        return f;
    synthtexts s = synthesize(verbs);
    f.attrs = scratch(s.attrs);
    f.terms = scratch(s.terms);
    f.lexicon = scratch(s.lexicon);
    f.morph = scratch(s.morph);
    f.syntax = scratch(s.syntax);
    f.forms = scratch(synthforms(s.firstverb));
    f.bytes = s.lexicon.size();
    f.verb = s.firstverb;
    return f;
}

std::string problem()
{
    LINE *h = core[7].header;
    for (LINE *l = h->down; l != h; l = l->down) {
        std::string_view text(reinterpret_cast<const char *>(textbase) + l->index,
                              static_cast<size_t>(l->length));
        if (text.substr(0, 5) == "ERROR" || text.find("not found") != std::string_view::npos ||
            text.substr(0, 8) == "There is")
            return std::string(text);
    }
    return "";
}

bool setup(benchmark::State &state, int verbs, const std::string &syntax)
{
    const files &f = description(verbs);
    initcore();
    initgenra();
    readattr(f.attrs.c_str());
    read_terminals(f.terms.c_str());
    initdict();
    readdict(f.lexicon.c_str());
    new_readmorph(f.morph.c_str());
    read_syntax(syntax.c_str());
    initcore();
    reseed(7);
    interpret();
    if (std::string p = problem(); !p.empty()) {
        state.SkipWithError(p.c_str());
        return false;
    }
    initcore();
    return true;
}

// Generations with corefile 7 kept empty, so that only the engine is timed.
void generations(benchmark::State &state, const std::string &syntax, double per)
{
    LINE *header = core[7].header;
    core[7].header = nullptr;
    for (auto _ : state)
        interpret();
    core[7].header = header;
    state.counters["per_second"] = benchmark::Counter(per * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
    (void)syntax;
}

void BM_generate(benchmark::State &state)
{
    int verbs = static_cast<int>(state.range(0));
    if (!setup(state, verbs, description(verbs).syntax))
        return unload_descriptions();
    generations(state, description(verbs).syntax, 1.0);
    unload_descriptions();
}
BENCHMARK(BM_generate)->Arg(1000)->Arg(7000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_forms(benchmark::State &state)
{
    int verbs = static_cast<int>(state.range(0));
    if (!setup(state, verbs, description(verbs).forms))
        return unload_descriptions();
    generations(state, description(verbs).forms, 6.0);
    unload_descriptions();
}
BENCHMARK(BM_forms)->Arg(1000)->Arg(7000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_load(benchmark::State &state)
{
    int verbs = static_cast<int>(state.range(0));
    const files &f = description(verbs);
    initcore();
    initgenra();
    readattr(f.attrs.c_str());
    read_terminals(f.terms.c_str());
    for (auto _ : state) {
        clearlexicon();
        initdict();
        readdict(f.lexicon.c_str());
        state.PauseTiming();
        initcore();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.bytes));
    clearlexicon();
    clear_terminals();
}
BENCHMARK(BM_load)->Arg(7000)->Arg(100000)->Unit(benchmark::kMillisecond);

long peak_kb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Run alone (--benchmark_filter=memory) for a figure of its own.
void BM_memory(benchmark::State &state)
{
    long before = peak_kb();
    if (!setup(state, 100000, description(100000).syntax))
        return unload_descriptions();
    long loaded = peak_kb();
    LINE *header = core[7].header;
    core[7].header = nullptr;
    for (auto _ : state)
        for (int i = 0; i < 10000; i++)
            interpret();
    core[7].header = header;
    state.counters["start_kb"] = static_cast<double>(before);
    state.counters["loaded_kb"] = static_cast<double>(loaded);
    state.counters["peak_kb"] = static_cast<double>(peak_kb());
    unload_descriptions();
}
BENCHMARK(BM_memory)->Iterations(1)->Unit(benchmark::kMillisecond);

struct Cleanup {
    ~Cleanup()
    {
        for (auto &[n, f] : made)
            for (const std::string *name : {&f.attrs, &f.terms, &f.lexicon, &f.morph, &f.syntax, &f.forms})
                unlink(name->c_str());
    }
} cleanup;

} // namespace
