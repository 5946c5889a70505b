// Typing into the middle of a 10,000-character line in insert mode: the
// entry operation alone, and the whole pass of the edit loop around it
// (column check, display, status fields, cursor). Reported as keys per second.
#include <benchmark/benchmark.h>
#include <cstring>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

namespace {

constexpr int LINELEN = 10000;
constexpr int BATCH = 1000;                   // keys typed into one fresh line

void setup() { initstate(); }

// Corefile 1 holds one line of LINELEN characters; the cursor is in its
// middle, in insert mode.
void freshline()
{
    clrfile();
    COREFILE &f = curcore();
    removeline();
    for (int i = 0; i < LINELEN; i++)
        textbase[avail + i] = static_cast<unsigned char>('a' + i % 26);
    allocln(0, LINELEN);
    linkphys();
    f.disln = f.lnptr;
    f.curcol = LINELEN / 2;
    mode = 2;
}

void typekey()
{
    holdch = 'x';
    type = 4;
    bldtxt();
    fixcursor();
}

void BM_insert_op(benchmark::State &state)
{
    setup();
    for (auto _ : state) {
        state.PauseTiming();
        freshline();
        state.ResumeTiming();
        for (int i = 0; i < BATCH; i++)
            typekey();
        benchmark::DoNotOptimize(textbase[curptr() - 1]);
    }
    state.counters["keys_per_second"] =
        benchmark::Counter(BATCH, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_insert_op);

void BM_insert_loop(benchmark::State &state)
{
    setup();
    for (auto _ : state) {
        state.PauseTiming();
        freshline();
        state.ResumeTiming();
        for (int i = 0; i < BATCH; i++) {
            typekey();
            display();
            curcore().edited = true;
            if ((avail > hiaddr || reserve == nullptr) && !full)
                garbage();
            putstats();
            discur();
        }
        benchmark::DoNotOptimize(textbase[curptr() - 1]);
    }
    state.counters["keys_per_second"] =
        benchmark::Counter(BATCH, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_insert_loop);

} // namespace
