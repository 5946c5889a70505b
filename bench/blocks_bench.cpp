// Deleting a star block into corefile 0 and recovering it, for blocks of
// 5,000 to 50,000 lines of a 100,000-line corefile: the time should follow
// the block's size, not the corefile's.
#include <benchmark/benchmark.h>
#include <cstring>
#include "editor/editor.h"
#include "operations/operations.h"

namespace {

constexpr int NLINES = 100000;
constexpr int LINELEN = 30;
constexpr int ABOVE = 25000;          // the block starts after this line

LINE *nth(int n)
{
    LINE *l = curcore().header;
    while (n-- > 0)
        l = l->down;
    return l;
}

// Corefile 1 of NLINES lines, the cursor on line ABOVE and the block of
// `size` lines after it starred.
void build(int size)
{
    initstate();
    COREFILE &f = curcore();
    removeline();
    f.lnptr = f.header;
    for (int i = 0; i < NLINES; i++) {
        std::memset(textbase + avail, 'a' + i % 26, LINELEN);
        allocln(0, LINELEN);
        linkphys();
    }
    f.lnptr = f.disln = nth(ABOVE);
    f.starA = nth(ABOVE + 1);
    f.starB = nth(ABOVE + size);
    f.starcount = 2;
    f.nextstar = 'A';
}

void BM_delete(benchmark::State &state)
{
    build(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        delete_();
        state.PauseTiming();
        recover();
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(curcore().lncount);
}
BENCHMARK(BM_delete)->Arg(5000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_recover(benchmark::State &state)
{
    build(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        delete_();
        state.ResumeTiming();
        recover();
    }
    state.counters["lines"] = static_cast<double>(curcore().lncount);
}
BENCHMARK(BM_recover)->Arg(5000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace
