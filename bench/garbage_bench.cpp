// The collector over a nearly full arena, and the memory the store takes
// when the arena is full.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <cstring>
#include "editor/editor.h"

namespace {

constexpr int NLINES = 100000;

// Corefile 1 holds `lines` lines sharing `total` characters; with `killhalf`
// every other line is removed, leaving dead records and free text behind.
void build(int lines, int64_t total, bool killhalf)
{
    initcore();
    COREFILE &f = curcore();
    removeline();
    f.lnptr = f.header;
    int64_t per = total / lines, extra = total % lines;
    for (int i = 0; i < lines; i++) {
        int len = static_cast<int>(per + (i < extra ? 1 : 0));
        std::memset(textbase + avail, 'a' + i % 26, static_cast<size_t>(len));
        allocln(0, len);
        linkphys();
    }
    if (killhalf) {
        LINE *line = f.header->down;
        while (line != f.header) {
            LINE *next = line->down;
            f.lnptr = line;
            removeline();
            line = next == f.header ? next : next->down;
        }
    }
    f.lnptr = f.header->down;
    f.disln = f.lnptr;
}

void BM_garbage(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        build(NLINES, 3900000, true);
        state.ResumeTiming();
        garbage();
        benchmark::DoNotOptimize(avail);
    }
    state.counters["avail"] = static_cast<double>(avail);
    state.counters["lines"] = curcore().lncount;
}
BENCHMARK(BM_garbage)->Unit(benchmark::kMillisecond);

void BM_fullarena_memory(benchmark::State &state)
{
    for (auto _ : state) {
        build(NLINES, HIADDR, false);
        garbage();
        benchmark::DoNotOptimize(avail);
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["maxrss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["avail"] = static_cast<double>(avail);
    state.counters["full"] = full;
}
BENCHMARK(BM_fullarena_memory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
