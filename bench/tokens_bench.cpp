// The token reader over a generated 5 MB description file: identifiers,
// keywords, quoted text, comments and punctuation, with line ends on.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <unistd.h>
#include "editor/editor.h"
#include "engine/engine.h"

namespace {

constexpr size_t FILESIZE = 5 * 1024 * 1024;

std::string name;                     // the scratch file, once written
size_t filesize;

// A file of rule-like lines, written once.
const std::string &testfile()
{
    if (!name.empty())
        return name;
    char path[] = "/tmp/keltokensXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return name;
    std::FILE *f = fdopen(fd, "wb");
    static const char *const lines[] = {
        "RULE noun_phrase (det.masc.sg adjective_long_name noun) ;\n",
        "{ a comment that the reader skips, with punctuation: ( ) , ; }\n",
        "word_entry_one|noun_class|masc.sg|0010|\"quoted text here\"|x|\n",
        "transformation move_subject priority 5 _makes_ verb_phrase ;\n",
        "select x_1, y_22, z_333 _and_ _lsp_ \"a b c\" < > = ;\n",
    };
    size_t written = 0;
    for (int i = 0; written < FILESIZE; i++) {
        const char *line = lines[i % 5];
        written += std::fputs(line, f) >= 0 ? std::char_traits<char>::length(line) : 0;
    }
    std::fclose(f);
    filesize = written;
    name = path;
    return name;
}

void BM_tokens(benchmark::State &state)
{
    initcore();
    const std::string &path = testfile();
    if (path.empty()) {
        state.SkipWithError("no scratch file");
        return;
    }
    file_operation = "benchmark";
    long tokens = 0;
    for (auto _ : state) {
        openfile(path.c_str(), 1);
        while (v_peep() != TEOF) {
            v_next();
            tokens++;
        }
        state.PauseTiming();
        initcore();                   // drops the report line of the pass
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(filesize));
    state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_tokens)->Unit(benchmark::kMillisecond);

struct Cleanup {
    ~Cleanup()
    {
        if (!name.empty())
            unlink(name.c_str());
    }
} cleanup;

} // namespace
