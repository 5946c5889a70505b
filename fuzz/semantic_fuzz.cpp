// The semantic transformation reader on any file, with attributes carrying
// valences loaded first; then every line of the same input, and a few fixed
// expressions, are analysed against the transformations read.
#include <cstdint>
#include <string>
#include "fuzz/common.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzztext("attrs", "pred (2 chase, 1 sleep, 1 big, 3 give, 0 dog, cat, bone)\n"
                      "role (1 agent, 1 patient, act, mod)\n%\n");
    readattr("attrs");
    fuzzfile("input", data, size);
    read_sem_trans("input");
    static const char *const fixed[] = {"chase(big(dog), cat)", "sleep(dog[old, grey])",
                                        "give(dog, 0, bone)", "agent(dog)", "dog"};
    for (const char *e : fixed)
        analyse_sem_expr(e);
    std::string text(reinterpret_cast<const char *>(data), size);
    size_t at = 0;
    for (int n = 0; n < 20 && at < text.size(); n++) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, std::min<size_t>(end - at, SEMEXPRSIZE - 1));
        analyse_sem_expr(line.c_str());
        at = end + 1;
    }
    purge_sem_trans();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
