// Indirection: pointer clauses split into pieces, tags looked up in a field,
// the new lookup slot with its class and attributes, chains of indirections,
// and every failure leaving the word as it was with its message.
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Indirect : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        file("terms", "V Adj N\n");
        read_terminals("terms");
        file("lex", "\"go\"|V|pres|1|x|past:\"went\";pp:\"gone\"/Adj;\"goes\";none;"
                    "both:\"fell\",\"fall\";pl:\"fall\"|\n"
                    "\"went\"|V|past|1|x|back:\"go\"|\n"
                    "\"gone\"|Adj||1|x||\n"
                    "\"goes\"|V|pres|1|x||\n"
                    "\"fell\"|V|sing|1|x||\n"
                    "\"fall\"|V|plural, past|1|x||\n"
                    "\"fall\"|N|sing|1|x||\n");
        initdict();
        readdict("lex");
        reseed(11);
        file_operation = "";
        newlines();
    }
    // The record of a word of a terminal.
    static const char *entry(const char *word, int terminal = 0)
    {
        std::string quoted = std::string("\"") + word + "\"|";
        for (const recnode *r = dictionary[terminal]; r != nullptr; r = r->previous)
            if (std::string(r->recordptr.get()).rfind(quoted, 0) == 0)
                return r->recordptr.get();
        return nullptr;
    }
    // A leaf that shows a word, with the attachments of a compiled node text.
    t_treenode *leaf(const char *word, const std::string &attachments)
    {
        t_treenode *n = makenode("V");
        trees.push_back(n);
        add_attachments(n, attachments.c_str(), 2);
        terminal_node(n);
        n->dictionary->class_ = v_strdup("V");
        n->dictionary->dictionary = entry(word);
        return n;
    }
    static std::string word(const t_treenode *n)
    {
        const char *r = n->dictionary != nullptr ? n->dictionary->dictionary : nullptr;
        return r != nullptr ? std::string(r, std::strchr(r, '|')) : "(none)";
    }
    std::vector<std::string> pieces(const char *clause, const char **after = nullptr)
    {
        const char *end = locate_strings(clause);
        if (after != nullptr)
            *after = end;
        std::vector<std::string> out;
        for (int i = 0; i < str_index; i++)
            out.emplace_back(substr[i].start, static_cast<size_t>(substr[i].length));
        return out;
    }
};

TEST_F(Indirect, ClausesSplitIntoTagAndPairs)
{
    const char *after = nullptr;
    EXPECT_EQ(pieces("t:\"a\",\"b\"/C;rest", &after), (lines{"t", "\"a\"", "", "\"b\"", "C"}));
    EXPECT_STREQ(after, "rest");
    EXPECT_EQ(pieces("\"x,y\"/K:\"z\"|more", &after), (lines{"", "\"x,y\"", "K", "\"z\"", ""}));
    EXPECT_STREQ(after, "|more") << "the field's end ends the clause";
    EXPECT_EQ(pieces(";x"), (lines{""}));
    std::string many = "t:";
    for (int i = 0; i < 40; i++)
        many += "\"w\",";
    EXPECT_EQ(pieces(many.c_str()).size(), static_cast<size_t>(NSUBSTR - 1));
    EXPECT_EQ(newlines(), (lines{"Indirection clause too long: only 24 pointers used"}));

    EXPECT_STREQ(forward_next_tag("a:\"x;y\";  b"), "b");
    EXPECT_STREQ(forward_next_tag("a:\"x\"|c"), "|c");
    EXPECT_EQ(forward_next_tag("a:\"x\"; "), nullptr);
    EXPECT_EQ(newlines(), (lines{"ERROR   [Indirection] Unexpected end of lexical entry  "}));
}

TEST_F(Indirect, TagsChooseAmongTheirPointers)
{
    const char *go = entry("go");
    ASSERT_NE(go, nullptr);
    findtag(go, 6, "pp");
    EXPECT_STREQ(chosen_pointer, "gone");
    EXPECT_STREQ(category, "Adj");
    findtag(go, 6, nullptr);
    EXPECT_STREQ(chosen_pointer, "goes") << "the clause without a tag";
    EXPECT_STREQ(category, "");
    std::map<std::string, int> seen;
    for (int i = 0; i < 2000; i++) {
        findtag(go, 6, "both");
        seen[chosen_pointer]++;
    }
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_NEAR(seen["fell"], 1000, 100);
    EXPECT_EQ(newlines(), lines{});

    findtag(go, 6, "gone");
    findtag(go, 6, "none");
    findtag(go, 9, "pp");
    findtag(entry("gone", 1), 6, nullptr);
    EXPECT_STREQ(chosen_pointer, "");
    std::string shown = showrecord(go);
    EXPECT_EQ(newlines(), (lines{"Tag gone not present in field 6 of " + shown,
                                 "No pointers found for tag none, field 6 in " + shown,
                                 "Field 9 does not exist in " + shown,
                                 "Tag  not present in field 6 of " + showrecord(entry("gone", 1))}));
}

TEST_F(Indirect, TheNewWordHasItsOwnSlot)
{
    t_treenode *n = leaf("go", "@\x06:pp");
    int old = n->index;
    process_indirect_ops(n);
    EXPECT_EQ(word(n), "\"gone\"");
    EXPECT_EQ(n->index, old + 1);
    EXPECT_EQ(d_table_count, old + 2);
    EXPECT_STREQ(n->dictionary->class_.get(), "Adj") << "the pointer's class";
    EXPECT_STREQ(dict_table[old].dictionary, entry("go")) << "the old slot keeps its word";

    t_treenode *m = leaf("go", "@\x06:past@\x06:back");
    process_indirect_ops(m);
    EXPECT_EQ(word(m), "\"go\"") << "the second works on the first one's entry";
    EXPECT_STREQ(m->dictionary->class_.get(), "V") << "the old word's class";
    EXPECT_EQ(m->index, d_table_count - 1);
    EXPECT_EQ(newlines(), lines{});
}

// The lexicon offers a leaf with an indirection only entries whose field
// has a clause of that tag listing a pointer, however the tag is ended.
TEST_F(Indirect, LeavesGetEntriesThatPointUnderTheirTag)
{
    auto wants = [](const char *tag) {
        return std::string("|||?|?|") + POINTERCLAUSE + tag + "|";
    };
    EXPECT_EQ(match_lsp(wants("past").c_str(), entry("go")), 1);
    EXPECT_EQ(match_lsp(wants("back").c_str(), entry("go")), 0);
    EXPECT_EQ(match_lsp(wants("back").c_str(), entry("went")), 1);
    EXPECT_EQ(match_lsp(wants("none").c_str(), entry("go")), 0) << "a tag without pointers";
    EXPECT_EQ(match_lsp(wants("").c_str(), entry("go")), 1) << "the clause without a tag";
    EXPECT_EQ(match_lsp(wants("").c_str(), entry("went")), 0) << "tagged clauses only";
    EXPECT_EQ(match_lsp(wants("pp").c_str(), "\"x\"|V||1|x|pp/\"y\"|"), 1) << "a tag ended by /";
    EXPECT_EQ(match_lsp(wants("pp").c_str(), "\"x\"|V||1|x|a:\"b\";  pp,\"y\"|"), 1);
    EXPECT_EQ(match_lsp(wants("").c_str(), "\"x\"|V||1|x|a:\"b\"; \"y\"|"), 1);
    std::string both = std::string("|||?|?|\"y\",") + POINTERCLAUSE + "pp|";
    EXPECT_EQ(match_lsp(both.c_str(), "\"x\"|V||1|x|pp:\"y\"|"), 1) << "with a rule's own pattern";
    EXPECT_EQ(match_lsp(both.c_str(), "\"x\"|V||1|x|pp:\"z\"|"), 0);

    for (const char *attachment : {"@\x06:back", "@\x06", "@\x06:pp"}) {
        t_treenode *n = makenode("V");
        trees.push_back(n);
        add_attachments(n, attachment, 2);
        terminal_node(n);
        fill_word(n);
        for (int i = 0; i < 20; i++) {
            n->dictionary->dictionary = nullptr;
            getdictent(n->dictionary);
            EXPECT_EQ(word(n), std::string(attachment) == "@\x06:back" ? "\"went\"" : "\"go\"")
                << attachment;
        }
    }
    EXPECT_EQ(newlines(), lines{});
}

// When no entry points under the tag, one that only has the tag is taken:
// the word then stays, with the reason.
TEST_F(Indirect, ATagWithoutPointersKeepsTheWord)
{
    t_treenode *n = makenode("V");
    trees.push_back(n);
    add_attachments(n, "@\x06:none", 2);
    terminal_node(n);
    fill_word(n);
    getdictent(n->dictionary);
    EXPECT_EQ(word(n), "\"go\"");
    EXPECT_EQ(n->dictionary->error, 0);
    EXPECT_NE(std::strchr(n->dictionary->fields.get(), POINTERCLAUSE), nullptr)
        << "the next lookup again prefers an entry with pointers";
    process_indirect_ops(n);
    EXPECT_EQ(word(n), "\"go\"");
    std::string record = showrecord(entry("go"));
    EXPECT_EQ(newlines(), (lines{"No pointers found for tag none, field 6 in " + record,
                                 "No proper pointer obtained: tag none, field 6 in " + record}));
}

TEST_F(Indirect, AttributesOfTheNewWord)
{
    t_treenode *n = leaf("go", "[plural]@\x06:pl[!number,past]");
    process_indirect_ops(n);
    EXPECT_EQ(word(n), "\"fall\"");
    EXPECT_EQ(print_attr_list(n->attributes), "plural, past");
    EXPECT_EQ(print_attr_list(n->dictionary->attributes), "plural, past");
    comp_attr a = attr_list_element(n->attributes, 1);
    comp_attr b = attr_list_element(n->dictionary->attributes, 1);
    EXPECT_NE(a, b) << "the node holds a copy";

    t_treenode *m = leaf("go", "[plural]@\x06:pp");
    process_indirect_ops(m);
    EXPECT_EQ(m->attributes, nullptr) << "no list: the new word has no attributes";
}

TEST_F(Indirect, FailuresLeaveTheWord)
{
    t_treenode *none = leaf("go", "@\x06:past");
    none->dictionary->dictionary = nullptr;
    process_indirect_ops(none);
    EXPECT_EQ(newlines(), lines{"wrong tag or field number? tag past in field 6"});

    t_treenode *absent = leaf("go", "@\x06:gone@\x06:pp");
    int slots = d_table_count;
    process_indirect_ops(absent);
    EXPECT_EQ(word(absent), "\"go\"");
    lines said = newlines();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1], "No proper pointer obtained: tag gone, field 6 in " + showrecord(entry("go")));

    t_treenode *unmatched = leaf("go", "[plural]@\x06:past[sing]");
    process_indirect_ops(unmatched);
    EXPECT_EQ(word(unmatched), "\"go\"");
    EXPECT_EQ(print_attr_list(unmatched->attributes), "plural") << "attributes kept too";
    EXPECT_EQ(d_table_count, slots + 1) << "only the leaf's own slot";
    EXPECT_EQ(newlines(), (lines{"ERROR   Unable to match indirection pointer  ",
                                 "category: V, pointer: went, error number: 3"}));

    t_treenode *full = leaf("go", "@\x06:past");
    int index = full->index;
    d_table_count = NDICTSLOTS;
    process_indirect_ops(full);
    EXPECT_EQ(full->index, index);
    EXPECT_EQ(word(full), "\"go\"");
    EXPECT_EQ(newlines(), lines{"No lookup slot left: the word for tag past, field 6 stays " +
                                showrecord(entry("go"))});
}

TEST_F(Indirect, EveryLeafOfATreeInOrder)
{
    std::string text = "S = V/@6:past V/@6:pp N %\n";
    readsyntaxtext(text.data(), text.size());
    nodecount = 0;
    t_treenode *s = makenode("S");
    trees.push_back(s);
    expand_tree(s);
    for (t_treenode *c = s->son; c != nullptr; c = c->sibling)
        c->dictionary->dictionary = entry("go");
    newlines();
    process_indirections(s);
    EXPECT_EQ(word(s->son), "\"went\"");
    EXPECT_EQ(word(s->son->sibling), "\"gone\"");
    EXPECT_EQ(word(s->son->sibling->sibling), "\"go\"") << "no indirection";
    EXPECT_EQ(s->son->sibling->index, 4) << "slots taken left to right";
    EXPECT_EQ(newlines(), lines{});
}

}  // namespace
