// The lexical transformation reader on any file, with attributes, terminals
// and a small lexicon loaded first; the first rules are run over the lexicon.
#include <cstdint>
#include "fuzz/common.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzztext("attrs", "gender (masc, fem)\nnumber (sg, pl)\n{ordered}\ndegree (pos < comp < sup)\n%\n");
    fuzztext("terms", "N Adj V\n");
    fuzztext("lex", "\"chien\"|N|masc.sg|5|\n\"grande\"|Adj|fem.sg, >comp|2|\n\"court\"|V|sg|1|x|\n");
    readattr("attrs");
    read_terminals("terms");
    initdict();
    readdict("lex");
    fuzzfile("input", data, size);
    readlextrans("input");
    for (int n = 1; n <= 20; n++) {
        inittrans(n);
        exectrans();
    }
    purge_lt_rules();
    clearlexicon();
    clear_terminals();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
