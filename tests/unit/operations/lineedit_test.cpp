// Line editing where keystrokes cannot reach or show the outcome: LIST's
// program and the process it leaves, UPDATE when the new file cannot be
// written, a move to another file system, decimal entry at the first
// column, word wrap's own steps, and a split refused for want of room.
#include <gtest/gtest.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

namespace {

class LineEdit : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        char tmpl[] = "/tmp/kelleXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }

    static void write(const std::string &path, const std::string &s)
    {
        std::ofstream(path) << s;
    }
    static void setname(char *to, const std::string &s)
    {
        ASSERT_LT(s.size(), static_cast<size_t>(STRPARSIZE));
        std::strcpy(to, s.c_str());
    }
    static void type(const char *s)
    {
        for (; *s; s++) {
            holdch = static_cast<unsigned char>(*s);
            bldtxt();
        }
    }

    std::string dir;
};

TEST_F(LineEdit, ListRunsItsProgramAndLeavesNoChild)
{
    std::string script = dir + "/list", args = dir + "/args";
    write(script, "#!/bin/sh\necho \"$@\" > " + args + ".new && mv " + args + ".new " + args + "\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (dir + ":" + path).c_str(), 1);
    setname(listfile, "doc");
    listinitfile[0] = 0;
    param[2] = 3;
    param[3] = 7;
    param[4] = 2;
    del = 0;
    list();
    EXPECT_EQ(del, 0);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);   // the forked child is already reaped
    EXPECT_EQ(errno, ECHILD);
    for (int i = 0; i < 500 && access(args.c_str(), F_OK) != 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(slurp(args), "doc 3 7 2 list.init\n");

    setenv("PATH", dir.c_str(), 1);                  // the program cannot be found
    ASSERT_EQ(unlink(script.c_str()), 0);
    pushfn("\r");
    list();
    EXPECT_EQ(del, 2);
    setenv("PATH", path.c_str(), 1);
}

TEST_F(LineEdit, UpdateThatCannotWriteKeepsTheBackup)
{
    std::string name = dir + "/u";
    write(name, "old\n");
    std::vector<std::string> rows(40, "a line long enough to pass the limit");
    textlines(rows);
    setname(curcore().filname, name);
    struct rlimit keep;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &keep), 0);
    struct rlimit small = keep;
    small.rlim_cur = 100;
    auto oldsig = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    pushfn("\r");
    del = 0;
    update();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &keep), 0);
    std::signal(SIGXFSZ, oldsig);
    EXPECT_EQ(del, 2);
    EXPECT_EQ(slurp(name + ".bak"), "old\n");
    EXPECT_NE(access(name.c_str(), F_OK), 0);        // no half-written file in its place

    del = 0;                                          // with the file back, it works
    ASSERT_EQ(rename((name + ".bak").c_str(), name.c_str()), 0);
    update();
    EXPECT_EQ(del, 0);
    EXPECT_EQ(slurp(name + ".bak"), "old\n");
    EXPECT_EQ(slurp(name).size(), 40 * (rows[0].size() + 1));
}

TEST_F(LineEdit, NewnameAcrossFileSystems)
{
    struct stat a, b;
    if (stat("/dev/shm", &b) != 0 || stat(dir.c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    std::string from = dir + "/from", to = "/dev/shm/kelnewname" + std::to_string(getpid());
    write(from, "moved across\n");
    ASSERT_EQ(chmod(from.c_str(), 0640), 0);
    setname(curfile, from);
    setname(targetstring, to);
    del = 0;
    newname();
    EXPECT_EQ(del, 0);
    EXPECT_EQ(slurp(to), "moved across\n");
    EXPECT_NE(access(from.c_str(), F_OK), 0);
    struct stat st;
    ASSERT_EQ(stat(to.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    unlink(to.c_str());
}

TEST_F(LineEdit, DecimalEntryLosesNothingAtTheFirstColumn)
{
    textlines({""});
    COREFILE &c = curcore();
    dectabflag = 1;
    dtstate = 1;
    c.curcol = 3;
    type("123");                      // "12" reaches column 1; "3" ends the entry
    EXPECT_EQ(linetext(c.lnptr), "123");
    EXPECT_EQ(dtstate, 0);
    EXPECT_EQ(c.curcol, 4);
    type("4");
    EXPECT_EQ(linetext(c.lnptr), "1234");
}

TEST_F(LineEdit, AutowrapLeavesNoEndLineBehind)
{
    textlines({"first", "abcdefghij", "third"});
    COREFILE &c = curcore();
    c.lnptr = c.header->down->down;
    c.disln = c.header->down;
    autowrap();
    EXPECT_EQ(c.lncount, 3);
    EXPECT_EQ(linetext(c.lnptr), "abcdefghij");
    EXPECT_EQ(linetext(c.lnptr->down), "third");
    EXPECT_EQ(c.curcol, 10);
    EXPECT_EQ(redisplay, 1);
}

TEST_F(LineEdit, SplitWithoutRoomKeepsTheLine)
{
    textlines({"0123456789abcdef", "next"});
    COREFILE &c = curcore();
    c.curcol = 5;
    hiaddr = avail + 3;
    pushfn("\r");
    splitline();
    EXPECT_EQ(c.lncount, 2);
    EXPECT_EQ(linetext(c.header->down), "0123456789abcdef");
    hiaddr = HIADDR;
    splitline();
    EXPECT_EQ(c.lncount, 3);
    EXPECT_EQ(linetext(c.header->down), "0123");
    EXPECT_EQ(linetext(c.header->down->down), "456789abcdef");
}

TEST_F(LineEdit, PreviousWordAtTheStartOfTheCorefile)
{
    textlines({"  (abc def", "ghi"});
    COREFILE &c = curcore();
    c.lnptr = c.header->down->down;
    c.curcol = 2;
    xprevword();                      // back over "ghi" and "def" to the first word
    EXPECT_EQ(c.lnptr, c.header->down);
    EXPECT_EQ(c.curcol, 8);
    xprevword();                      // "(abc" counts from its first non-separator
    EXPECT_EQ(c.curcol, 3);
    xprevword();                      // nothing before it: the first word proper
    EXPECT_EQ(c.curcol, 4);
}

} // namespace
