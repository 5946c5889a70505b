// The morph-error, tags and phonology readers on any file, each in turn, and
// the matchers run on a small lexicon's leaves with the tables read, the
// input's first word as the response.
#include <cstdint>
#include <string>
#include "fuzz/common.h"
#include "engine/engine.h"

// A leaf of terminal `cls` showing the first entry of that terminal.
static t_treenode *leaf(const char *cls, t_dict_lookup &slot, const char *attrs)
{
    t_treenode *n = makenode(cls);
    text_to_comp_struct(attrs, 0);
    add_attr_to_list(&n->attributes, comp_attr_register);
    comp_attr_register = nullptr;
    slot.class_ = v_strdup(cls);
    slot.vf = -1;
    int t = lookup_terminal(cls);
    if (t >= 0 && t < dictterm && dictionary[t] != nullptr)
        slot.dictionary = dictionary[t]->recordptr.get();
    n->dictionary = &slot;
    morph_word(n, 5);
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzztext("attrs", "number (sg, pl)\nperson (p1, p2, p3)\ngender (masc, fem)\n%\n");
    fuzztext("terms", "N V Det\n");
    fuzztext("morph", "RULE noun pl : \"s\" ; sg : \"\" ;\nRULE verb sg , p3 : \"s\" ; * : \"\" ;\n");
    fuzztext("lex", "\"cat\"|N|number|1|\"cat\"$noun||syn:\"cat\",\"dog\"/N;ant:\"x\"|||||||"
                    "|||||||||\"kat\"|!|\n"
                    "\"dog\"|N|number|1|\"dog\"$noun|\n"
                    "\"run\"|V|number, person|1|\"run\"$verb||syn:\"run\"|\n");
    readattr("attrs");
    read_terminals("terms");
    new_readmorph("morph");
    initdict();
    readdict("lex");
    fuzzfile("input", data, size);
    merror_readtables("input");
    tag_readtables("input");
    phon_readtables("input");
    print_merror_tables();

    std::string word;
    for (size_t i = 0; i < size && i < 30 && data[i] > ' ' && data[i] != 255; i++)
        word += static_cast<char>(data[i]);
    t_dict_lookup s1{}, s2{};
    t_treenode *cat = leaf("N", s1, "pl");
    t_treenode *run = leaf("V", s2, "sg.p3");
    mrmodify();
    for (t_treenode *n : {cat, run}) {
        make_variants(n);
        std::string breakup[BREAKUPS];
        compare_var(word.c_str(), n, breakup);
        for (const char *typed : {word.c_str(), "cats", "kat"}) {
            lexdiff cell{};
            cell.matchclass = 3;
            err_match_syn(typed, n, &cell);
            err_match_phono(typed, n, &cell);
        }
    }
    purge_node(cat);
    purge_node(run);
    clearslot(s1);
    clearslot(s2);
    clear_mrdata();
    clear_tag_tables();
    clear_phon_tables();
    clear_mrules();
    clearlexicon();
    clear_terminals();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
