// The lexicon reader on any file, with a small attribute file and terminals
// loaded first; the entries read are listed and each terminal is looked up.
#include <cstdint>
#include "fuzz/common.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzztext("attrs", "gender (masc, fem)\nnumber (sg, pl)\n{ordered}\ndegree (pos < comp < sup)\n%\n");
    fuzztext("terms", "N Det Adj Verb\n");
    readattr("attrs");
    read_terminals("terms");
    fuzzfile("input", data, size);
    readdict("input");
    printlex();
    for (int t = 0; t < terminal_count; t++) {
        t_dict_lookup lookup{};
        lookup.class_ = v_strdup(terminal_table[t].c_str());
        lookup.vf = -1;
        getdictent(&lookup);
    }
    clearlexicon();
    clear_terminals();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
