// Shared set-up for the engine's unit tests: a fresh editor and engine and
// a scratch directory for description files.
#pragma once
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>
#include <unistd.h>
#include <gtest/gtest.h>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "engine/engine.h"

class EngineTest : public testing::Test {
protected:
    char dir[32] = "/tmp/kelengXXXXXX";
    char home[4096] = "";
    std::vector<std::string> made;
    size_t mark = 0;                  // corefile 7 lines before the test's own

    void SetUp() override
    {
        kelreset();
        startoutput();
        initgenra();
        ASSERT_NE(mkdtemp(dir), nullptr);
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_EQ(chdir(dir), 0);
        mark = corelines(7).size();
    }
    void TearDown() override
    {
        closeall();
        clearattributes();
        takeoutput();
        for (const std::string &f : made)
            unlink(f.c_str());
        EXPECT_EQ(chdir(home), 0);
        rmdir(dir);
    }

    // A file in the scratch directory, named relative to it.
    void file(const std::string &name, const std::string &text)
    {
        std::FILE *f = std::fopen(name.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        made.push_back(std::string(dir) + "/" + name);
    }

    // Loads gender 1 (masc 1, fem 2), number 2 (sg 1, pl 2) and degree 3
    // (pos < comp < sup), and the terminals N Det Adj.
    void nounkinds()
    {
        file("attrs", "gender (masc, fem)\nnumber (sg, pl)\ndegree (pos < comp < sup)\n%\n");
        readattr("attrs");
        file("terms", "N Det Adj\n");
        read_terminals("terms");
    }

    // The lines of corefile 7 written since the last call, as they stand.
    std::vector<std::string> placedlines()
    {
        std::vector<std::string> all = corelines(7);
        std::vector<std::string> fresh(all.begin() + static_cast<long>(mark), all.end());
        mark = all.size();
        return fresh;
    }

    // The same without the "NAME:LINE: " that error lines written while a
    // file is read begin with (placedlines tests those).
    std::vector<std::string> newlines()
    {
        std::vector<std::string> fresh = placedlines();
        for (std::string &l : fresh) {
            size_t colon = l.find(": ");
            if (colon == std::string::npos || colon == 0)
                continue;
            size_t digits = l.rfind(':', colon - 1);
            if (digits == std::string::npos || digits + 1 == colon)
                continue;
            if (l.find_first_not_of("0123456789", digits + 1) != colon)
                continue;
            l.erase(0, colon + 2);
        }
        return fresh;
    }

    void setcurfile(const std::string &name)
    {
        std::snprintf(curfile, sizeof curfile, "%s", name.c_str());
    }
};

// For tests that grow trees: the trees made are freed, and the lookup slots,
// delay entries, preselections, rules and lexicon cleared after each test.
class TreeTest : public EngineTest {
protected:
    std::vector<t_treenode *> trees;

    void SetUp() override
    {
        EngineTest::SetUp();
        file("attrs", "number (sing, plural)\ngender (masc, fem)\nrole (subj, obj)\n"
                      "tense (pres, past)\n%\n");
        readattr("attrs");
        reseed(7);
        newlines();
    }
    void TearDown() override
    {
        for (t_treenode *t : trees)
            purge_tree(t);
        empty_preselect_list(1);
        for (int i = 0; i < NDICTSLOTS; i++) {
            purge_attr_list(&dict_table[i].attributes);
            dict_table[i] = t_dict_lookup{};
        }
        d_table_count = 0;
        delayptr = 0;
        treestate = 0;
        preselect_barrier = global_barrier = 0;
        root = oldroot = nullptr;
        purge_syntax();
        clearlexicon();
        clear_terminals();
        EngineTest::TearDown();
    }
    // A tree grown from one node, with its node attributes given as text.
    t_treenode *grow(const char *name, std::initializer_list<const char *> attrs = {})
    {
        nodecount = 0;
        t_treenode *top = makenode(name);
        for (const char *a : attrs) {
            text_to_comp_struct(a, 0);
            add_attr_to_list(&top->attributes, comp_attr_register);
            comp_attr_register = nullptr;
        }
        expand_tree(top);
        trees.push_back(top);
        return top;
    }
    // A tree as text: a name, then its children in parentheses.
    static std::string shape(const t_treenode *n)
    {
        std::string s = n->name.get();
        if (n->son == nullptr)
            return s;
        s += "(";
        for (const t_treenode *c = n->son; c != nullptr; c = c->sibling)
            s += (c == n->son ? "" : " ") + shape(c);
        return s + ")";
    }
};
