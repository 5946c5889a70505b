// Refilling 1 MB of text: one paragraph of 72-column lines refilled between
// columns 1 and 60, and the same text as paragraphs of 12 lines each
// reformatted in turn; by hyphenation level, justified or not. Reported as
// bytes per second of the paragraph text.
#include <benchmark/benchmark.h>
#include <cstring>
#include <string>
#include "editor/editor.h"
#include "operations/operations.h"

namespace {

constexpr int64_t TEXTBYTES = 1000000;

const char *const vocabulary[] = {
    "the", "counterpart", "of", "a", "well-known", "transformation", "is", "seldom",
    "reconsidered", "although", "international", "standards", "suggest", "otherwise",
    "hyphenation", "extraordinary", "possibilities", "matter", "excellent", "taste",
    "boxes", "and", "mississippi", "steamboats", "are", "unimportant", "bottom", "tomatoes",
    "bananas", "thoughtful", "researchers", "underestimated", "classroom", "kittens"};
constexpr int NWORDS = sizeof vocabulary / sizeof vocabulary[0];

// Corefile 1 holds about TEXTBYTES of text in lines of at most 72 columns;
// with `every` above 0 an empty line follows every `every` lines. The
// bytes of text lines are returned.
int64_t build(int every)
{
    initstate();
    COREFILE &f = curcore();
    removeline();
    f.lnptr = f.header;
    unsigned seed = 12345;
    int64_t bytes = 0;
    int n = 0;
    while (bytes < TEXTBYTES) {
        std::string line;
        for (;;) {
            seed = seed * 1103515245u + 12345u;
            const char *w = vocabulary[(seed >> 16) % NWORDS];
            size_t len = std::strlen(w);
            if (line.size() + len + 1 > 72)
                break;
            if (!line.empty())
                line += ' ';
            line += w;
        }
        std::memcpy(textbase + avail, line.data(), line.size());
        allocln(0, static_cast<int>(line.size()));
        linkphys();
        bytes += static_cast<int64_t>(line.size());
        if (every > 0 && ++n % every == 0)
            allocln(5, 0);
    }
    f.lnptr = f.disln = f.header->down;
    f.curcol = 1;
    rmargin = 60;
    return bytes;
}

void BM_reformat_one_paragraph(benchmark::State &state)
{
    int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bytes = build(0);
        hyphlevel = static_cast<int>(state.range(0));
        jmode = static_cast<int>(state.range(1));
        state.ResumeTiming();
        reformat();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
    state.counters["lines"] = static_cast<double>(curcore().lncount);
}
BENCHMARK(BM_reformat_one_paragraph)
    ->Args({0, 0})->Args({1, 0})->Args({3, 0})->Args({3, 1})
    ->Unit(benchmark::kMillisecond);

// Paragraph after paragraph, as a procedure reformatting a whole file would.
void BM_reformat_paragraphs(benchmark::State &state)
{
    int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bytes = build(12);
        hyphlevel = 3;
        jmode = 1;
        state.ResumeTiming();
        COREFILE &f = curcore();
        for (;;) {
            reformat();
            LINE *l = f.lnptr;
            while (l != f.header && l->object == 0)
                l = l->down;
            while (l != f.header && l->object != 0)
                l = l->down;
            if (l == f.header)
                break;
            f.lnptr = f.disln = l;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_reformat_paragraphs)->Unit(benchmark::kMillisecond);

} // namespace
