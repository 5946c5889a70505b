// Shared set-up for unit tests.
#include "tests/unit/fixture.h"
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <gtest/gtest.h>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

// Code under test that waits for a key the test did not give would find the
// end of standard input, which leaves the process with status 0: the test
// would pass without its checks. It fails instead, and RETURN is typed.
static int unexpected;

static void keynotgiven()
{
    ADD_FAILURE() << "a key was read that the test does not give";
    if (++unexpected > 100)
        std::abort();
    pushfn("\r");
}

void kelreset()
{
    initstate();
    inputended = keynotgiven;
    unexpected = 0;
}

void startoutput()
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
}

std::string takeoutput()
{
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

void numberedlines(int n)
{
    COREFILE &c = curcore();
    clrfile();
    removeline();
    for (int i = 1; i <= n; i++) {
        std::string s = std::to_string(i);
        std::memcpy(textbase + avail, s.data(), s.size());
        allocln(0, static_cast<int>(s.size()));
        linkphys();
    }
    c.lnptr = c.disln = c.header->down;
    c.curcol = 1;
}

void textlines(const std::vector<std::string> &rows)
{
    COREFILE &c = curcore();
    clrfile();
    removeline();
    for (const std::string &s : rows) {
        std::memcpy(textbase + avail, s.data(), s.size());
        allocln(s.empty() ? 5 : 0, static_cast<int>(s.size()));
        if (!s.empty())
            linkphys();
    }
    c.lnptr = c.disln = c.header->down;
    c.curcol = 1;
}

LINE *nthline(int n)
{
    LINE *l = curcore().header;
    while (n-- > 0)
        l = l->down;
    return l;
}

std::string linetext(const LINE *l)
{
    return l->object == 5 ? std::string()
                          : std::string(reinterpret_cast<const char *>(textbase + l->index),
                                        static_cast<size_t>(l->length));
}

std::vector<std::string> corelines(int n)
{
    std::vector<std::string> lines;
    const COREFILE &f = core[n];
    for (const LINE *l = f.header->down; l != f.header; l = l->down)
        lines.push_back(linetext(l));
    return lines;
}

std::vector<std::string> curlines() { return corelines(corenum); }

LINE *addline(const std::string &s, int object)
{
    std::memcpy(textbase + avail, s.data(), s.size());
    allocln(object, static_cast<int>(s.size()));
    linkphys();
    return curcore().lnptr;
}

int64_t sumlengths(const COREFILE &f)
{
    int64_t n = 0;
    for (const LINE *l = f.header->down; l != f.header; l = l->down)
        n += l->length;
    return n;
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "(missing)";
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> sent;

static void tap(const char *msg) { sent.emplace_back(msg); }

void listen()
{
    sent.clear();
    gwtap = tap;
}

void stoplistening() { gwtap = nullptr; }

bool wassent(const std::string &msg)
{
    for (const std::string &m : sent)
        if (m == msg)
            return true;
    return false;
}
