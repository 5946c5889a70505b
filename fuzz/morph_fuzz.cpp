// The morphology readers on any file: read as rules and as tables, listed,
// and every guard and expression evaluated on a chain of two leaves.
#include <cstdint>
#include <cstring>
#include "fuzz/common.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    static const char attrs[] = "gender (masc, fem)\nnumber (sg, pl)\n%\n";
    fuzzfile("attrs", reinterpret_cast<const uint8_t *>(attrs), sizeof attrs - 1);
    readattr("attrs");
    fuzzfile("input", data, size);
    new_readmorph("input");
    new_readtables("input");
    print_mrules();
    print_tables();

    static const char record[] = "\"w\"|noun|\x19\x01\x01 |0001|\"a\"$0|#5|t(gender,number)|";
    t_dict_lookup lookup{};
    lookup.dictionary = record;
    treenode top{}, a{}, b{};
    a.dictionary = b.dictionary = &lookup;
    a.vf = b.vf = -1;
    top.right = &a;
    a.right = &b;
    b.left = &a;
    for (int r = 0; r <= numrules && r < NMRULES; r++)
        for (const MSUBRULE *s = ruleheader[r].get(); s != nullptr; s = s->nextsub.get())
            for (treenode *n : {&a, &b}) {
                current_node = n;
                if (s->guard)
                    m_guard(s->guard.get());
                if (s->mexp)
                    m_exp(s->mexp.get());
            }
    for (const TABLE *t = tablelist.get(); t != nullptr; t = t->next.get()) {
        current_node = &b;
        m_exp(t->elements.get());
    }
    apply_morph_passes(&top, 0);
    current_node = nullptr;
    clear_mrules();
    clear_tables();
    clearattributes();
    closeall();
    checkstore();
    return 0;
}
