// The lexicon over generated description files: 8 attribute types of 4
// values, 50 terminals, and entries with three compound attributes each.
// Measures loading (bytes per second) and the choice of a word for a leaf
// with two compound attributes, against 500, 2,000 and 8,000 entries per
// terminal (2,000 per terminal is the 100,000-entry lexicon).
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include "editor/editor.h"
#include "engine/engine.h"
#include "bench/scratch.h"

namespace {

constexpr int NTERMS = 50;
constexpr int NTYPES = 8;
constexpr int NVALUES = 4;              // as written in the attribute file

std::map<int, std::string> lexicons;  // entries per terminal -> scratch file
std::map<int, size_t> sizes;
std::string attrname, termname;

void descriptions()
{
    if (!attrname.empty())
        return;
    std::string attrs;
    char line[100];
    for (int t = 0; t < NTYPES; t++) {
        std::snprintf(line, sizeof line, "type%d (v%d_0, v%d_1, v%d_2, v%d_3)\n", t, t, t, t, t);
        attrs += line;
    }
    attrs += "%\n";
    attrname = scratch(attrs);
    std::string terms;
    for (int i = 0; i < NTERMS; i++) {
        std::snprintf(line, sizeof line, "T%d\n", i);
        terms += line;
    }
    termname = scratch(terms);
}

const std::string &lexicon(int per)
{
    std::string &name = lexicons[per];
    if (!name.empty())
        return name;
    std::string text;
    unsigned x = 12345;
    auto next = [&x]() { return (x = x * 1103515245u + 12345u) >> 16; };
    for (int i = 0; i < per; i++)
        for (int t = 0; t < NTERMS; t++) {
            int a = static_cast<int>(next() % NVALUES), b = static_cast<int>(next() % NVALUES);
            int c = static_cast<int>(next() % NVALUES), d = static_cast<int>(next() % NVALUES);
            char line[200];
            std::snprintf(line, sizeof line, "\"word%d_%d\"|T%d|v4_%d, v0_%d.v1_%d, v6_%d|%u|stem%d|\"s\"|\n",
                          i, t, t, c, a, b, d, 1 + next() % 20, i);
            text += line;
        }
    sizes[per] = text.size();
    name = scratch(text);
    return name;
}

void setup(int per)
{
    initcore();
    initgenra();
    descriptions();
    readattr(attrname.c_str());
    read_terminals(termname.c_str());
    initdict();
    readdict(lexicon(per).c_str());
    initcore();
}

void BM_load(benchmark::State &state)
{
    setup(2000);
    const std::string &file = lexicon(2000);
    for (auto _ : state) {
        clearlexicon();
        initdict();
        readdict(file.c_str());
        state.PauseTiming();
        initcore();                   // drops the report lines of the pass
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(sizes[2000]));
    state.counters["entries"] = benchmark::Counter(100000.0 * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    clearlexicon();
}
BENCHMARK(BM_load)->Unit(benchmark::kMillisecond);

// A leaf of terminal T7 asking for type0.type1 and type4 values.
void BM_lookup(benchmark::State &state)
{
    int per = static_cast<int>(state.range(0));
    setup(per);
    t_dict_lookup leaf{};
    leaf.class_ = v_strdup("T7");
    leaf.vf = -1;
    leaf.pointed_at = 1;
    comp_attr first = nullptr;
    add_comp_attr(&first, newdelay(1, 2, 1));
    add_comp_attr(&first, newdelay(2, 3, 1));
    comp_attr second = nullptr;
    add_comp_attr(&second, newdelay(5, 1, 1));
    add_attr_to_list(&leaf.attributes, first);
    add_attr_to_list(&leaf.attributes, second);
    // A word is drawn from a kept candidate list: the list is counted apart.
    locate_matches(&leaf, lookup_terminal("T7"));
    long found = 0, candidates = 0;
    for (auto _ : state) {
        getdictent(&leaf);
        found += leaf.error == 0;
        candidates += numnodes;
    }
    state.counters["lookups"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    state.counters["candidates"] =
        static_cast<double>(candidates) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    state.counters["found"] = static_cast<double>(found);
    purge_attr_list(&leaf.attributes);
    clearlexicon();
}
BENCHMARK(BM_lookup)->Arg(500)->Arg(2000)->Arg(8000)->Unit(benchmark::kMicrosecond);

struct Cleanup {
    ~Cleanup()
    {
        for (auto &[per, name] : lexicons)
            unlink(name.c_str());
        if (!attrname.empty()) {
            unlink(attrname.c_str());
            unlink(termname.c_str());
        }
    }
} cleanup;

} // namespace
