// The syntax reader on any file, with a small attribute file, terminals and
// lexicon loaded first; the rules read are listed and a ROOT tree is grown
// from them and freed again.
#include <cstdint>
#include <cstring>
#include "fuzz/common.h"
#include "engine/engine.h"

static void put(const char *name, const char *text)
{
    fuzzfile(name, reinterpret_cast<const uint8_t *>(text), std::strlen(text));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    put("attrs", "number (sing, plural)\ngender (masc, fem)\n%\n");
    put("terms", "N V Det\n");
    put("lex", "\"dog\"|N|sing|1|\n\"dogs\"|N|plural|1|\n\"runs\"|V|sing|1|\n\"the\"|Det||1|\n");
    readattr("attrs");
    read_terminals("terms");
    readdict("lex");
    fuzzfile("input", data, size);
    read_syntax("input");
    dump_syntax();
    print_cf();
    print_transf();

    nodecount = 0;
    t_treenode *top = makenode("ROOT");
    expand_tree(top);
    purge_tree(top);
    clear_GP();
    treestate = 0;
    preselect_barrier = 0;
    purge_syntax();
    clearlexicon();
    clear_terminals();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
