// A stored tree file read back by RECOVER, with attributes, terminals and a
// lexicon loaded first; the recovered trees are then stored again, shown,
// varied and compared with a response, so that whatever the file built is
// walked as the later commands would walk it.
#include <cstdint>
#include "fuzz/common.h"
#include "engine/engine.h"
#include "analysis/analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzztext("attrs", "number (sg, pl)\nperson (p1, p2, p3)\n%\n");
    fuzztext("terms", "Det N V\n");
    fuzztext("lex", "\"the\"|Det||1|#1|\n\"sheep\"|N|number|1|#1|\n\"runs\"|V|sg.p3|1|#1|\n");
    readattr("attrs");
    read_terminals("terms");
    initdict();
    readdict("lex");
    fuzzfile("input", data, size);
    restorenode("input");
    store(0, 0);
    store(1, 0);
    store(2, 0);
    mrmodify();
    err_analysis("the sheep runs");
    clear_GP();
    clearlexicon();
    clear_terminals();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
