// The terminal layer as the tests see it, with no terminal: the window
// geometry, the signal handlers and what sigpoll() makes of them.
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include "tests/unit/fixture.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "children/children.h"
#include "operations/operations.h"

namespace {

constexpr int handled[] = {SIGINT, SIGTSTP, SIGCONT, SIGFPE, SIGPIPE, SIGWINCH};

class Terminal : public testing::Test {
protected:
    struct sigaction saved[std::size(handled)] = {};

    void SetUp() override
    {
        kelreset();
        for (size_t i = 0; i < std::size(handled); i++)
            sigaction(handled[i], nullptr, &saved[i]);
        setwindsize(24, 80);
        getwindsize();
        windresize = 0;
    }

    void TearDown() override
    {
        for (size_t i = 0; i < std::size(handled); i++)
            sigaction(handled[i], &saved[i], nullptr);
        drain();
        setwindsize(24, 80);
        getwindsize();
        kelreset();
    }

    static void drain()
    {
        char buf[64];
        if (sigfd >= 0)
            while (read(sigfd, buf, sizeof buf) > 0) {}
        while (sigpoll()) {}
    }

    static bool woken()
    {
        pollfd p = {sigfd, POLLIN, 0};
        return sigfd >= 0 && poll(&p, 1, 0) == 1;
    }
};

TEST_F(Terminal, WithoutTerminalEverythingIsQuiet)
{
    EXPECT_FALSE(termactive());
    EXPECT_EQ(get_lines(), 24);
    EXPECT_EQ(get_columns(), 80);
    startoutput();
    initerm();
    reseterm();
    reseterm();
    termrefresh();
    termbeep();
    call_enter_ca_mode();
    call_clear_screen();
    call_cursor_address(3, 4);
    call_reset_prog_mode();
    call_intrflush();
    EXPECT_EQ(takeoutput(), "");
}

TEST_F(Terminal, GeometryFollowsTheSize)
{
    EXPECT_EQ(swidth, 78);
    EXPECT_EQ(rightcol, 78);
    EXPECT_EQ(shiftc, 59);
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(windowend, 21);
    EXPECT_EQ(helpline, 22);
    EXPECT_EQ(cmdline, 23);
    EXPECT_EQ(getwindsize(), 0);

    pshift = 30;
    rightcol = 108;
    setwindsize(30, 100);
    EXPECT_EQ(getwindsize(), 1);
    EXPECT_EQ(swidth, 98);
    EXPECT_EQ(rightcol, 98);
    EXPECT_EQ(pshift, 0);
    EXPECT_EQ(shiftc, 100 - overlap - 2);
    EXPECT_EQ(depth, 26);
    EXPECT_EQ(cmdline, 29);

    setwindsize(30, 90);              // columns alone
    EXPECT_EQ(getwindsize(), 1);
    setwindsize(40, 90);              // lines alone
    EXPECT_EQ(getwindsize(), 1);
    EXPECT_EQ(getwindsize(), 0);
}

TEST_F(Terminal, SizesOutsideTheBoundsAreBounded)
{
    for (int v : {-5, 0, 1, 3}) {
        setwindsize(v, v);
        getwindsize();
        EXPECT_EQ(depth, MINLINES - 4);
        EXPECT_GE(depth, 1);
        EXPECT_EQ(swidth, MINCOLS - 2);
        EXPECT_GE(swidth, 1);
        EXPECT_GE(shiftc, 1);
        EXPECT_EQ(windowend, windowtop + depth - 1);
    }
    setwindsize(1 << 20, 1 << 20);
    getwindsize();
    EXPECT_EQ(depth, MAXLINES - 4);
    EXPECT_EQ(swidth, MAXCOLS - 2);
    EXPECT_LT(swidth + 20, GWMSGSIZE);
}

TEST_F(Terminal, HandlersInterruptWaitsAndWakeTheReader)
{
    setsig();
    ASSERT_GE(sigfd, 0);
    EXPECT_TRUE(fcntl(sigfd, F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(fcntl(sigfd, F_GETFD) & FD_CLOEXEC);
    for (int sig : handled) {
        struct sigaction now = {};
        sigaction(sig, nullptr, &now);
        EXPECT_NE(now.sa_handler, SIG_DFL) << sig;
        EXPECT_NE(now.sa_handler, SIG_IGN) << sig;
        EXPECT_FALSE(now.sa_flags & SA_RESTART) << sig;
    }
    int fd = sigfd;
    setsig();                         // a second call keeps the pipe
    EXPECT_EQ(sigfd, fd);

    EXPECT_FALSE(woken());
    raise(SIGPIPE);                   // the editor survives a broken pipe
    EXPECT_TRUE(woken());
    EXPECT_TRUE(sigpoll());
    EXPECT_FALSE(sigpoll());
}

TEST_F(Terminal, InterruptTypesTheCommandKey)
{
    setsig();
    int before = fnptr;
    EXPECT_FALSE(sigpoll());
    EXPECT_EQ(fnptr, before);
    raise(SIGINT);
    EXPECT_EQ(fnptr, before);         // nothing happens inside the handler
    EXPECT_TRUE(sigpoll());
    ASSERT_EQ(fnptr, before + 1);
    EXPECT_STREQ(fnstack[fnptr], "\x03");
    EXPECT_FALSE(sigpoll());
}

TEST_F(Terminal, ArithmeticFaultDuringAnEvaluationIsNotedOnce)
{
    setsig();
    fparmed = 1;
    fpfault = 0;
    raise(SIGFPE);                    // noted and returned from
    EXPECT_EQ(fpfault, 1);
    EXPECT_EXIT(
        {
            raise(SIGFPE);            // the same fault again: a real one
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGFPE), "");
    fparmed = 0;
    fpfault = 0;
}

TEST_F(Terminal, ArithmeticFaultWithoutRecoveryPointEndsTheProgram)
{
    EXPECT_EXIT(
        {
            setsig();
            fparmed = 0;
            raise(SIGFPE);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGFPE), "");
}

// Work that never reaches the point where the editor acts on SIGTERM: the
// second signal, past the grace, writes the recovery file from the handler.
TEST_F(Terminal, SecondEndingSignalWritesTheRecoveryFileItself)
{
    char dir[] = "/tmp/kelsecond.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    EXPECT_EXIT(
        {
            if (chdir(dir) != 0)
                std::_Exit(1);
            setsig();
            corenum = 1;
            textlines({"kept"});
            curcore().edited = true;
            raise(SIGTERM);               // noted; nothing acts on it
            raise(SIGTERM);               // too soon after the first: noted again
            usleep(1100 * 1000);
            raise(SIGTERM);
            std::_Exit(0);
        },
        testing::ExitedWithCode(128 + SIGTERM), "");
    std::FILE *f = std::fopen((std::string(dir) + "/kel1.save").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[16] = "";
    EXPECT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "kept\n");
    std::fclose(f);
    std::remove((std::string(dir) + "/kel1.save").c_str());
    rmdir(dir);
}

TEST_F(Terminal, ContinueRedrawsVisiblyAndKeepsSilence)
{
    setsig();
    visible = 0;
    raise(SIGCONT);
    startoutput();
    EXPECT_TRUE(sigpoll());
    EXPECT_NE(takeoutput(), "");      // the redraw is sent even while silent
    EXPECT_EQ(visible, 0);
}

TEST_F(Terminal, SuspendWithADriverStopsTheDriverNotTheEditor)
{
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        pause();
        _exit(0);
    }
    setsig();
    child_pid = pid;
    voluntary = 1;
    raise(SIGTSTP);
    EXPECT_TRUE(sigpoll());           // still running: the editor was not stopped
    EXPECT_EQ(voluntary, 0);
    child_pid = 0;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// A corefile of twelve empty lines, the window's first row on line 1.
struct FakeFile {
    LINE header{}, lines[12]{};
    COREFILE keep;

    FakeFile() : keep(curcore())
    {
        LINE *prev = &header;
        header.object = 5;
        for (LINE &l : lines) {
            l.object = 0;
            prev->down = &l;
            l.up = prev;
            prev = &l;
        }
        prev->down = &header;
        header.up = prev;
        COREFILE &c = curcore();
        c.header = &header;
        c.disln = &lines[0];
        c.lncount = 12;
    }
    ~FakeFile() { curcore() = keep; }
    void at(int n)
    {
        curcore().lnptr = &lines[n - 1];
        curcore().curline = n;
    }
};

TEST_F(Terminal, ShrinkingBelowTheCursorMakesItTheFirstRow)
{
    FakeFile f;
    setsig();
    f.at(9);                          // row 8 of the window
    setwindsize(12, 80);              // depth 8: row 8 falls outside
    raise(SIGWINCH);
    startoutput();
    EXPECT_TRUE(sigpoll());
    takeoutput();
    EXPECT_EQ(depth, 8);
    EXPECT_EQ(windresize, 1);
    EXPECT_EQ(curcore().disln, &f.lines[8]);
}

TEST_F(Terminal, GrowingKeepsTheWindowWhereItWas)
{
    FakeFile f;
    setsig();
    f.at(9);
    setwindsize(40, 120);
    raise(SIGWINCH);
    startoutput();
    EXPECT_TRUE(sigpoll());
    takeoutput();
    EXPECT_EQ(windresize, 1);
    EXPECT_EQ(swidth, 118);
    EXPECT_EQ(curcore().disln, &f.lines[0]);

    windresize = 0;                   // the same size again: nothing to note
    raise(SIGWINCH);
    startoutput();
    EXPECT_TRUE(sigpoll());
    takeoutput();
    EXPECT_EQ(windresize, 0);
}

} // namespace
