// The checker on any file: the first byte picks the kind (or by content),
// small attribute and terminals files come first, and the report goes to a
// sink that drops it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>
#include "fuzz/common.h"
#include "engine/engine.h"

static ssize_t drop(void *, const char *, size_t size) { return static_cast<ssize_t>(size); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    static std::FILE *sink = fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, drop, nullptr, nullptr});
    if (sink == nullptr || size == 0)
        return 0;
    fuzztext("attrs", "gender (masc, fem)\nnumber (sg, pl)\n%\n");
    fuzztext("terms", "N Det Adj Verb\n");
    fuzztext("inc", "%include \"input\"\n");
    int kind = data[0] % 14 - 2;      // -2: through an include, -1: by content
    fuzzfile("input", data + 1, size - 1);
    std::vector<std::pair<std::string, int>> files = {{"attrs", -1}, {"terms", -1}};
    if (kind == -2)
        files.emplace_back("inc", -1);
    else
        files.emplace_back("input", kind);
    checkfiles(files, sink);
    closeall();
    checkstore();
    return 0;
}
