// The expression evaluator alone on a 200-character expression using every
// operator, parentheses, negation and the exponent notation.
#include <benchmark/benchmark.h>
#include <string>
#include "editor/editor.h"
#include "operations/operations.h"

namespace {

std::string expression200()
{
    std::string e;
    static const char *const parts[] = {
        "(12.5+3'2*-4)/7-", "2.25*(1.5'-1+8)<", "99>(3-1)&", "(4=4.0000000001)!",
        "0.001*(6/3-2)+", "-(1'3-999.5)*2/", "(7.75-0.25)*3+",
    };
    for (int i = 0; e.size() < 198; i++)
        e += parts[i % 7];
    e.resize(198);
    while (!e.empty() && std::string("+-*/<>=&!(.'").find(e.back()) != std::string::npos)
        e.pop_back();
    int open = 0;
    for (char c : e)
        open += c == '(' ? 1 : c == ')' ? -1 : 0;
    e.append(static_cast<size_t>(open), ')');
    while (e.size() < 200)
        e = "#" + e;                  // skipped characters bring it to exactly 200
    return e;
}

void BM_Evaluate200(benchmark::State &state)
{
    initstate();
    std::string e = expression200();
    for (auto _ : state) {
        dijkstra(e.data(), static_cast<int>(e.size()));
        benchmark::DoNotOptimize(fp_num);
        ni = oldindex;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["length"] = static_cast<double>(e.size());
    state.counters["error"] = fperror;
}
BENCHMARK(BM_Evaluate200);

}  // namespace
