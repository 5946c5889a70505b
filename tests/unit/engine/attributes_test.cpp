// Attributes: the attribute file, order, lookup, compound attributes and the
// list operations built on them.
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Attributes : public EngineTest {
protected:
    lines load(const std::string &text)
    {
        file("attr", text);
        readattr("attr");
        return newlines();
    }
    int delay(int cls, int choice) { return newdelay(cls, choice, choice == -1 ? 0 : 1); }
    comp_attr cells(std::initializer_list<int> indices)
    {
        comp_attr ca = nullptr;
        for (int i : indices)
            add_comp_attr(&ca, i);
        return ca;
    }
};

TEST_F(Attributes, TypesAndValuesAreNumberedAndLookedUp)
{
    EXPECT_EQ(load("gender (masc, fem)\nnumber (sg, pl)\n%\nanything after"),
              (lines{"Finished reading attribute input from file 'attr' [3 lines.]"}));
    EXPECT_EQ(total_types, 3);
    EXPECT_EQ(attr_table[1].entries, 3);
    EXPECT_EQ(attr_table[2].entries, 3);
    ASSERT_EQ(lookup_attr("fem"), 1);
    EXPECT_EQ(att_class, 1);
    EXPECT_EQ(att_value, 2);
    ASSERT_EQ(lookup_attr("number"), 1);
    EXPECT_EQ(att_class, 2);
    EXPECT_EQ(att_value, -1);
    EXPECT_EQ(lookup_attr("neuter"), 0);
    EXPECT_STREQ(att_get_name(2, 1), "sg");
    EXPECT_STREQ(att_get_name(1, -1), "gender");
    EXPECT_STREQ(att_get_name(3, 1), "IllegalClass");
    EXPECT_STREQ(att_get_name(1, 3), "IllegalValue");
    EXPECT_EQ(attr_table[1].partial, 0);
    EXPECT_EQ(valid('<', 1, 1, 2), 0) << "an unordered type compares by equality";
    EXPECT_EQ(valid('<', 1, 2, 2), 1);

    clearattributes();
    EXPECT_EQ(lookup_attr("fem"), 0) << "names no longer resolve";
    EXPECT_EQ(total_types, 1);
}

TEST_F(Attributes, OrderedValuesAreClosedTransitively)
{
    load("degree (pos < comp < sup, other)\n%\n");
    ASSERT_EQ(lookup_attr("sup"), 1);
    int sup = att_value;
    lookup_attr("pos");
    int pos = att_value;
    lookup_attr("other");
    int other = att_value;
    EXPECT_EQ(attr_table[1].partial, 1);
    EXPECT_EQ(valid('<', 1, sup, pos), 1) << "sup is reached from pos through comp";
    EXPECT_EQ(valid('>', 1, sup, pos), 0);
    EXPECT_EQ(valid('>', 1, pos, sup), 1);
    EXPECT_EQ(valid('<', 1, other, pos), 0);
    EXPECT_EQ(valid('<', 1, pos, pos), 1) << "every value reaches itself";
    EXPECT_EQ(valid('=', 1, sup, pos), 0);
}

TEST_F(Attributes, ValenceBeforeAValueAndRepeatedNames)
{
    load("arity (2 dyadic, monadic, 1 dyadic, unary)\n%\n");
    EXPECT_EQ(attr_table[1].entries, 4) << "a repeated name is the same value";
    EXPECT_EQ(attr_table[1].valence[1], 2);
    EXPECT_EQ(attr_table[1].valence[2], 0);
    EXPECT_EQ(attr_table[1].valence[3], 1) << "the repeat kept the valence for the next value";
}

TEST_F(Attributes, DuplicateNamesAreWarned)
{
    lines l = load("case (nom, acc)\nrole (nom, obj)\n%");
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[1], "ERROR attribute input  Warning: attribute value  nom  duplicated");
    EXPECT_EQ(lookup_attr("nom"), 1);
}

TEST_F(Attributes, InappropriateTokensAreReportedAndReadingGoesOn)
{
    lines l = load("gender (masc; fem)\nnumber (sg)");
    EXPECT_EQ(l, (lines{"ERROR attribute input  Inappropriate char ';' ",
                        "ERROR attribute input  Inappropriate identifier: fem ",
                        "Finished reading attribute input from file 'attr' [1 lines.]",
                        "ERROR attribute input  Inappropriate EOF "}))
        << "a file without the final % loads with one error for its end";
    EXPECT_EQ(lookup_attr("fem"), 1);
    EXPECT_EQ(lookup_attr("sg"), 1);
    EXPECT_EQ(att_class, 2);
}

TEST_F(Attributes, TypeNameCutAndValuesLimited)
{
    std::string text = std::string(35, 't') + " (";
    for (int i = 1; i <= 254; i++)
        text += (i > 1 ? ", v" : "v") + std::to_string(i);
    text += ")\n%\n";
    lines l = load(text);
    EXPECT_EQ(std::string(attr_table[1].type), std::string(31, 't'));
    EXPECT_EQ(attr_table[1].entries, NATTRVALUES);
    ASSERT_GE(l.size(), 1u);
    EXPECT_EQ(l[0], "ERROR attribute input  Table full " + std::string(31, 't') + " ");
    EXPECT_EQ(lookup_attr("v254"), 0);
    EXPECT_EQ(lookup_attr("v253"), 1);
}

TEST_F(Attributes, CompoundTextIntoRows)
{
    load("gender (masc, fem)\nnumber (sg, pl)\n%");
    const char *text = "masc.sg)";
    EXPECT_EQ(text_to_comp_array(text, 0), text + 7);
    ASSERT_EQ(attr_index, 2);
    EXPECT_EQ(attr[0].type, 1);
    EXPECT_EQ(attr[1].value, 1);
    EXPECT_EQ(all_values, 1);
    EXPECT_EQ(all_decon, 0);

    text_to_comp_array("masc/sg", 1);
    ASSERT_EQ(attr_index, 2);
    EXPECT_EQ(attr[1].decon, 1);
    int before = delayptr;
    comp_attr ca = make_comp_attr();
    EXPECT_EQ(attr_seg_count(ca), 1) << "the \"/\" segment gets no delay entry";
    EXPECT_EQ(delayptr, before + 1);
    EXPECT_EQ(delayed[ca->index].fixed, 1);
    purge_comp_attr(&ca);

    text_to_comp_array("masc/sg", 0);
    EXPECT_EQ(attr_index, 1) << "\"/\" ends the text where it is not allowed";

    text_to_comp_array("number", 0);
    EXPECT_EQ(all_values, 0);
    ca = make_full_comp_attr();
    EXPECT_EQ(delayed[ca->index].choice, -1);
    EXPECT_EQ(delayed[ca->index].fixed, 0);
    purge_comp_attr(&ca);

    text = "masc.neuter.sg rest";
    EXPECT_EQ(text_to_comp_array(text, 0), text + 14);
    EXPECT_EQ(attr_index, 0);
    EXPECT_EQ(newlines().back(), "ERROR attribute input  Unknown attribute neuter ");
}

TEST_F(Attributes, VariablesAndTheStructForm)
{
    load("gender (masc, fem)\nnumber (sg, pl)\n%");
    add_comp_attr(&variable_table[3], delay(2, 2));
    const char text[] = {'f', 'e', 'm', '.', '\xff', 3, '/', 's', 'g', 0};
    text_to_comp_array(text, 1);
    ASSERT_EQ(attr_index, 3);
    EXPECT_EQ(attr[1].type, 2);
    EXPECT_EQ(attr[1].value, 2);
    EXPECT_EQ(attr[2].decon, 1);

    text_to_comp_struct(text, 1);
    ASSERT_EQ(attr_seg_count(comp_attr_register), 2) << "the \"/\" segment is left out";
    EXPECT_EQ(comp_attr_element(comp_attr_register, 2), variable_table[3]->index);
    EXPECT_EQ(delayed[comp_attr_element(comp_attr_register, 1)].choice, 2);

    text_to_comp_struct("fem.bogus", 1);
    EXPECT_EQ(comp_attr_register, nullptr);
    purge_comp_attr(&variable_table[3]);
}

TEST_F(Attributes, ListOperations)
{
    int a = delay(1, 1), b = delay(2, 1), c = delay(1, -1);
    attr_list list = nullptr;
    add_attr_to_list(&list, cells({a, b}));
    add_attr_to_list(&list, cells({c}));
    EXPECT_EQ(attr_list_count(list), 2);
    EXPECT_EQ(list->attr_count, 2);
    EXPECT_EQ(comp_attr_element(attr_list_element(list, 1), 2), b);
    EXPECT_EQ(attr_list_element(list, 3), nullptr);
    EXPECT_EQ(comp_attr_element(attr_list_element(list, 2), 2), -1);

    comp_attr same = cells({a, b});
    EXPECT_EQ(present_compound(list, same), 1);
    comp_attr reversed = cells({b, a});
    EXPECT_EQ(present_compound(list, reversed), 0);
    purge_comp_attr(&reversed);
    append_attr(&list, same);             // freed, the list unchanged
    EXPECT_EQ(attr_list_count(list), 2);
    append_attr(&list, nullptr);
    append_attr(&list, cells({b}));
    EXPECT_EQ(attr_list_count(list), 3);

    attr_list copy = duplicate_attr_list(list);
    EXPECT_EQ(attr_list_count(copy), 3);
    EXPECT_NE(copy->first, list->first);
    combine_attr_list(&copy, list);       // nothing new
    EXPECT_EQ(attr_list_count(copy), 3);
    attr_list other = nullptr;
    add_attr_to_list(&other, cells({c, a}));
    combine_attr_list(&copy, other);
    EXPECT_EQ(attr_list_count(copy), 4);

    comp_attr second = attr_list_element(copy, 2);
    new_attr_remove(&copy, second);
    EXPECT_EQ(attr_list_count(copy), 3);
    EXPECT_EQ(comp_attr_element(attr_list_element(copy, 2), 1), b);
    new_attr_remove(&copy, second);       // no longer there: nothing happens
    EXPECT_EQ(attr_list_count(copy), 3);

    purge_attr_list(&copy);
    purge_attr_list(&other);
    purge_attr_list(&list);
    EXPECT_EQ(list, nullptr);
}

TEST_F(Attributes, IndirectionLists)
{
    indir_list list = nullptr;
    t_indirection ind = create_indir_node();
    ind->fieldnum = 7;
    ind->tag = v_strdup("SYN");
    add_to_indir_list(&list, ind);
    add_to_indir_list(&list, create_indir_node());
    EXPECT_EQ(indirect_count(list), 2);
    indir_list copy = duplicate_indir_list(list);
    t_indirection first = indir_list_element(copy, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, ind);
    EXPECT_EQ(first->fieldnum, 7);
    EXPECT_STREQ(first->tag.get(), "SYN");
    EXPECT_NE(first->tag.get(), ind->tag.get());
    EXPECT_EQ(indir_list_element(copy, 2)->attributes, nullptr);
    EXPECT_EQ(indir_list_element(copy, 3), nullptr);
    indir_purge_list(&copy);
    indir_purge_list(&list);
    EXPECT_EQ(list, nullptr);
}

TEST_F(Attributes, ComparingCompoundAttributes)
{
    int masc = delay(1, 1), fem = delay(1, 2), gender = delay(1, -1), sg = delay(2, 1);
    comp_attr a = cells({masc, sg}), b = cells({fem, sg}), open = cells({gender, sg});
    comp_attr shorter = cells({masc});
    EXPECT_EQ(compare_comp_attr(a, a), 1);
    EXPECT_EQ(compare_comp_attr(a, b), 0) << "a fixed cell needs the same value";
    EXPECT_EQ(compare_comp_attr(open, b), 1) << "an open cell needs only the type";
    EXPECT_EQ(compare_comp_attr(b, open), 0);
    EXPECT_EQ(compare_comp_attr(a, shorter), 0);
    EXPECT_EQ(compare_comp_attr(shorter, a), 0);
    EXPECT_EQ(compare_comp_attr(nullptr, nullptr), 1);

    attr_list list = nullptr;
    add_attr_to_list(&list, shorter);
    add_attr_to_list(&list, b);
    EXPECT_EQ(find_attr_in_list(list, open), b);
    EXPECT_EQ(find_attr_in_list(list, a), nullptr);
    EXPECT_EQ(find_type_in_attr(gender, list), shorter);
    EXPECT_EQ(find_type_in_attr(sg, list), nullptr);

    pre_rule second{b, 0, nullptr, nullptr};
    pre_rule first{shorter, 0, nullptr, &second};
    EXPECT_EQ(look_for_attr(open, &first), &second);
    purge_attr_list(&list);
    purge_comp_attr(&a);
    purge_comp_attr(&open);
}

TEST_F(Attributes, FindingDecomposedRows)
{
    load("gender (masc, fem)\nnumber (sg, pl)\n%");
    attr_list list = nullptr;
    add_attr_to_list(&list, cells({delay(2, 2)}));
    add_attr_to_list(&list, cells({delay(1, 2), delay(2, 2)}));
    text_to_comp_array("gender.pl", 0);
    EXPECT_EQ(find_attr(list), attr_list_element(list, 2));
    text_to_comp_array("masc.pl", 0);
    EXPECT_EQ(find_attr(list), nullptr);
    EXPECT_EQ(testformatch(list, "number"), 1);
    EXPECT_EQ(testformatch(list, "sg"), 0);

    int open = delay(1, -1);
    add_attr_to_list(&list, cells({open}));
    text_to_comp_array("gender", 0);
    EXPECT_NE(find_attr(list), nullptr);
    EXPECT_EQ(delayed[open].choice, -1) << "a type in the rows chooses nothing";
    text_to_comp_array("fem", 0);
    find_attr(list);
    EXPECT_EQ(delayed[open].fixed, 1) << "an open cell compared with a value is chosen first";
    EXPECT_GE(delayed[open].choice, 1);
    EXPECT_LE(delayed[open].choice, 2);

    decompose_comp_attr(attr_list_element(list, 2));
    ASSERT_EQ(attr_index, 2);
    EXPECT_EQ(attr[0].type, 1);
    EXPECT_EQ(attr[1].value, 2);
    purge_attr_list(&list);
}

TEST_F(Attributes, DeconstructedCopyDropsMarkedCells)
{
    load("gender (masc, fem)\nnumber (sg, pl)\n%");
    text_to_comp_array("fem/pl", 1);
    comp_attr full = make_full_comp_attr();
    comp_attr copy = dup_decon_comp_attr(full);
    EXPECT_EQ(attr_seg_count(copy), 1);
    EXPECT_EQ(copy->index, full->index);
    comp_attr again = duplicate_comp_attr(full);
    EXPECT_EQ(attr_seg_count(again), 2);
    purge_comp_attr(&full);
    purge_comp_attr(&copy);
    purge_comp_attr(&again);
    EXPECT_EQ(full, nullptr);
}

TEST_F(Attributes, Printing)
{
    load("gender (masc, fem)\nnumber (sg, pl)\n%");
    attr_list list = nullptr;
    add_attr_to_list(&list, cells({delay(1, 1), delay(2, 1)}));
    add_attr_to_list(&list, cells({delay(1, -1)}));
    EXPECT_EQ(print_attr_list(list), "masc.sg, gender");
    EXPECT_EQ(print_comp_attr(nullptr), "");
    purge_attr_list(&list);
}

TEST_F(Attributes, DelayTableStopsAtItsLastEntry)
{
    delayptr = NDELAY - 2;
    EXPECT_EQ(newdelay(1, 1, 1), NDELAY - 2);
    EXPECT_EQ(newdelay(1, 2, 1), NDELAY - 1);
    EXPECT_EQ(newdelay(1, 3, 1), NDELAY - 1);
    EXPECT_EQ(delayptr, NDELAY - 1);
    EXPECT_EQ(delayed[NDELAY - 1].choice, 3);
    EXPECT_EQ(newlines(), (lines{"Delay table exceeded", "Delay table exceeded"}));
    delayptr = 0;
}

TEST_F(Attributes, MissingFileEndsTheReaderAtOnce)
{
    readattr("nosuchfile");
    EXPECT_EQ(newlines(), (lines{"ERROR attribute input  unable to open file:  nosuchfile "}));
    EXPECT_EQ(total_types, 1);
    EXPECT_EQ(lookup_attr("anything"), 0);
}

TEST_F(Attributes, IncludedDeclarations)
{
    file("more", "number (sg, pl)\n");
    load("gender (masc, fem)\n%include \"more\"\n%include \"gone\"\n%");
    EXPECT_EQ(v_stat, 1);
    EXPECT_EQ(lookup_attr("pl"), 1);
    EXPECT_EQ(att_class, 2);
}

TEST_F(Attributes, ReloadingManyTimesKeepsNothing)
{
    file("big", "degree (a < b < c < d)\nnumber (sg, pl)\n%");
    for (int i = 0; i < 50; i++) {
        readattr("big");
        EXPECT_EQ(lookup_attr("d"), 1);
        clearattributes();
    }
    EXPECT_EQ(q_att_size, 0);
    EXPECT_EQ(attr_table[1].trans, nullptr);
}

} // namespace
