// Shared set-up for the engine's unit tests: a fresh editor and engine, a
// scratch directory for description files, and the lines of a corefile.
#pragma once
#include <cstdio>
#include <string>
#include <vector>
#include <unistd.h>
#include <gtest/gtest.h>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "engine/engine.h"

// Every line of corefile n as text.
inline std::vector<std::string> corelines(int n)
{
    std::vector<std::string> lines;
    const COREFILE &f = core[n];
    for (const LINE *l = f.header->down; l != f.header; l = l->down)
        lines.emplace_back(reinterpret_cast<const char *>(textbase + l->index),
                           l->object == 5 ? 0 : static_cast<size_t>(l->length));
    return lines;
}

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

    // The lines of corefile 7 written since the last call.
    std::vector<std::string> newlines()
    {
        std::vector<std::string> all = corelines(7);
        std::vector<std::string> fresh(all.begin() + static_cast<long>(mark), all.end());
        mark = all.size();
        return fresh;
    }

    void setcurfile(const std::string &name)
    {
        std::snprintf(curfile, sizeof curfile, "%s", name.c_str());
    }
};
