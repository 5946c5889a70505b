// The driver on two pipes: no-ops without a driver, reaping and descriptors
// over many runs, a driver that has gone, suspend and resume with the
// acknowledgement, the editor's end, EMIT's line format, ASK 14's line limit,
// RUN without the search path, and CDIRECTORY in a deep directory.
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include "tests/unit/fixture.h"
#include "children/children.h"
#include "commands/commands.h"

namespace {

int countfds()
{
    int n = 0;
    DIR *d = opendir("/proc/self/fd");
    if (d == nullptr)
        return -1;
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            n++;
    closedir(d);
    return n - 1;                       // the directory's own descriptor
}

// Children of this process in state s (Z zombie, T stopped).
int children(char s)
{
    int n = 0;
    DIR *d = opendir("/proc");
    if (d == nullptr)
        return -1;
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        std::ifstream f(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(f, line))
            continue;
        size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 &&
            ppid == getpid() && state == s)
            n++;
    }
    closedir(d);
    return n;
}

// The state letter of process pid from /proc, 0 when it is gone.
char procstate(int pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(f, line))
        return 0;
    size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

// Waits up to two seconds for the driver's output to have something.
bool readable(int fd)
{
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, 2000) == 1;
}

std::string readline()
{
    std::string s;
    for (int c; (kelinput.pos < kelinput.len || readable(kelinput.fd)) && (c = kelgetc()) >= 0;) {
        s += static_cast<char>(c);
        if (c == '\n')
            break;
    }
    return s;
}

class Children : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        inptr = &stdinsource;
    }
    void TearDown() override
    {
        killprog();
        inptr = &stdinsource;
        fnptr = 0;
    }
    static void run(const char *name)
    {
        std::strcpy(curfile, name);
        del = 0;
        runprog();
    }
};

TEST_F(Children, WithoutADriverNothingHappens)
{
    suspendprog();
    killprog();
    acknowledge();
    EXPECT_FALSE(childprintf("x\n"));
    EXPECT_EQ(progstate, 0);
    EXPECT_EQ(child_pid, 0);

    static const char ret[] = "\r";
    pushfn(ret);
    startoutput();
    resumeprog();
    EXPECT_NE(takeoutput().find(" No suspended program! "), std::string::npos);

    param[1] = 2;                       // SWITCH 2: the keyboard, and the marker
    startoutput();
    swinput();
    EXPECT_EQ(takeoutput(), "###\r\n");
    EXPECT_EQ(inptr, &stdinsource);
}

TEST_F(Children, ManyRunsLeaveNoZombieAndNoDescriptor)
{
    int fds = countfds();
    for (int i = 0; i < 100; i++) {
        run(i % 2 ? "/bin/cat" : "/bin/true");
        ASSERT_EQ(progstate, 1);
        ASSERT_EQ(inptr, &kelinput);
        killprog();
        ASSERT_EQ(progstate, 0);
        ASSERT_EQ(inptr, &stdinsource);
    }
    EXPECT_EQ(countfds(), fds);
    EXPECT_EQ(children('Z'), 0);
    EXPECT_EQ(children('T'), 0);
}

TEST_F(Children, RunTwiceIsRefused)
{
    run("/bin/cat");
    int pid = child_pid;
    static const char ret[] = "\r";
    pushfn(ret);
    startoutput();
    run("/bin/cat");
    EXPECT_NE(takeoutput().find("Program already running"), std::string::npos);
    EXPECT_EQ(del, 2);
    EXPECT_EQ(child_pid, pid);
}

TEST_F(Children, AnswersReachTheDriver)
{
    run("/bin/cat");                    // echoes what it is sent
    EXPECT_TRUE(childprintf("answer %d\n", 7));
    EXPECT_EQ(readline(), "answer 7\n");
}

TEST_F(Children, WritingToADriverThatHasGoneEndsOnlyTheDriver)
{
    setsig();
    run("/bin/true");
    ASSERT_TRUE(readable(kelinput.fd)); // its end of file
    EXPECT_EQ(kelgetc(), -1);
    for (int i = 0; i < 50 && procstate(child_pid) != 'Z'; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(childprintf("%s\n", "too late"));
    EXPECT_EQ(progstate, 0);
    EXPECT_EQ(keloutput, nullptr);
    EXPECT_EQ(children('Z'), 0);
    EXPECT_FALSE(sigpoll());            // no broken-pipe signal left to act on
}

TEST_F(Children, SuspendHandsOverTheKeyboardAndResumeAcknowledges)
{
    run("/bin/cat");
    int pid = child_pid;
    voluntary = 1;
    suspendprog();
    EXPECT_EQ(progstate, 2);
    EXPECT_EQ(inptr, &stdinsource);
    for (int i = 0; i < 50 && procstate(pid) != 'T'; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(procstate(pid), 'T');
    EXPECT_FALSE(childprintf("not while stopped\n"));

    resumeprog();
    EXPECT_EQ(progstate, 1);
    EXPECT_EQ(inptr, &kelinput);
    EXPECT_EQ(readline(), "\n");        // the acknowledgement, echoed
}

TEST_F(Children, SwitchZeroThenOne)
{
    run("/bin/cat");
    param[1] = 0;
    startoutput();
    swinput();
    EXPECT_EQ(takeoutput(), "###\r\n");
    EXPECT_EQ(progstate, 2);
    EXPECT_EQ(inptr, &stdinsource);
    param[1] = 1;
    swinput();
    EXPECT_EQ(progstate, 1);
    EXPECT_EQ(inptr, &kelinput);
    EXPECT_EQ(readline(), "\n");
}

TEST_F(Children, TheEditorsEndLeavesNoStoppedDriver)
{
    run("/bin/cat");
    int pid = child_pid;
    suspendprog();
    endchildren();
    EXPECT_EQ(progstate, 0);
    EXPECT_EQ(child_pid, 0);
    EXPECT_EQ(keloutput, nullptr);
    EXPECT_EQ(inptr, &stdinsource);
    // cat is continued, reads the end of its input and finishes by itself.
    int status = 0, r = 0;
    for (int i = 0; i < 100 && (r = waitpid(pid, &status, WNOHANG)) == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (r == pid)
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    else
        EXPECT_EQ(r, -1);               // already collected by endchildren
}

// RUN takes a plain name in the working directory, never from the search
// path: "cat" here is no program, so the driver ends at once.
TEST_F(Children, PlainNamesAreTakenInTheWorkingDirectory)
{
    char dir[] = "/tmp/kelrunXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    {
        std::ofstream f("local");
        f << "#!/bin/sh\necho here\n";
    }
    chmod("local", 0755);

    run("cat");
    ASSERT_EQ(progstate, 1);
    EXPECT_EQ(readline(), "");          // end of file, not an echo
    killprog();

    run("local");
    EXPECT_EQ(readline(), "here\n");
    killprog();

    unlink("local");
    ASSERT_EQ(chdir(old), 0);
    rmdir(dir);
}

// A corefile made of the lines given, with their objects, in corefile n.
struct FakeFile {
    static constexpr int64_t AT = 3000000;  // text placed well above the store's own
    LINE header{}, lines[4]{};
    COREFILE keep;
    int n;
    FakeFile(int which, std::initializer_list<std::pair<int, std::string>> content)
        : keep(core[which]), n(which)
    {
        LINE *prev = &header;
        header.object = 5;
        int64_t at = AT;
        int i = 0;
        for (const auto &[object, text] : content) {
            LINE &l = lines[i++];
            l.object = object;
            l.index = at;
            l.length = static_cast<int>(text.size());
            std::memcpy(textbase + at, text.data(), text.size());
            at += static_cast<int64_t>(text.size());
            prev->down = &l;
            l.up = prev;
            prev = &l;
        }
        prev->down = &header;
        header.up = prev;
        COREFILE &c = core[which];
        c.header = &header;
        c.lnptr = header.down;
        c.disln = header.down;
        c.lncount = i;
    }
    ~FakeFile() { core[n] = keep; }
};

TEST_F(Children, EmitWritesLinesAsAFileHoldsThem)
{
    FakeFile f(2, {{0, "plain  "}, {1, "a|b"}, {3, "x+1"}, {5, ""}});
    corenum = 1;
    param[1] = 2;
    param[2] = 2;
    param[3] = 4;
    param[4] = 0;
    startoutput();
    emit();
    EXPECT_EQ(takeoutput(), "\\ra|b\n\\mx+1\n\n$$$\r\n");
    EXPECT_EQ(corenum, 1);              // the current corefile comes back

    param[2] = param[3] = 0;            // the whole corefile, blanks trimmed
    startoutput();
    emit();
    EXPECT_EQ(takeoutput(), "plain\n\\ra|b\n\\mx+1\n\n$$$\r\n");

    param[4] = 1;                       // to a driver that is not there: nothing
    startoutput();
    emit();
    EXPECT_EQ(takeoutput(), "");
}

TEST_F(Children, EmitToTheDriver)
{
    FakeFile f(2, {{0, "one"}, {0, "two"}, {0, "three"}});
    run("/bin/cat");
    param[1] = 2;
    param[2] = 1;
    param[3] = 3;
    param[4] = 1;
    emit();
    EXPECT_EQ(readline(), "one\n");
    EXPECT_EQ(readline(), "two\n");
    EXPECT_EQ(readline(), "three\n");
    EXPECT_EQ(readline(), "$$$\r\n");
}

TEST_F(Children, AskFourteenCutsLongLines)
{
    std::string longline(250, 'w');
    FakeFile f(15, {{0, longline}, {0, "short"}});
    run("/bin/cat");
    param[1] = 14;
    ask();
    EXPECT_EQ(readline(), "2\n");
    EXPECT_EQ(readline(), std::string(PATTSIZE - 1, 'w') + "\n");
    EXPECT_EQ(readline(), "short\n");
}

TEST_F(Children, ChangedirShowsADeepDirectoryCut)
{
    char base[] = "/tmp/kelcdXXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(base), 0);
    std::string part(200, 'd');
    int depthmade = 0;
    for (; depthmade < 7; depthmade++)     // more than CWDSIZE characters
        ASSERT_TRUE(mkdir(part.c_str(), 0700) == 0 && chdir(part.c_str()) == 0);

    sysstring[0] = '\0';
    startoutput();
    changedir();
    std::string shown = takeoutput();
    EXPECT_EQ(shown.rfind(base, 0), 0u);  // the start of the path
    EXPECT_LE(shown.size(), static_cast<size_t>(GWMSGSIZE));

    std::strcpy(sysstring, "..");
    changedir();
    EXPECT_NE(del, 2);
    std::strcpy(sysstring, "no such place");
    static const char ret[] = "\r";
    pushfn(ret);
    startoutput();
    del = 0;
    changedir();
    EXPECT_NE(takeoutput().find("Directory not found (or no permission)"), std::string::npos);
    EXPECT_EQ(del, 2);

    ASSERT_EQ(chdir(base), 0);
    std::string path;
    for (int i = 0; i < depthmade; i++)
        path += (i ? "/" : "") + part;
    for (int i = depthmade; i > 0; i--) {
        rmdir(path.c_str());
        path.resize(path.size() > part.size() ? path.size() - part.size() - 1 : 0);
    }
    ASSERT_EQ(chdir(old), 0);
    rmdir(base);
}

} // namespace

// A script in a scratch directory, made executable; removed with it.
struct Script {
    char dir[32] = "/tmp/keldrvXXXXXX";
    std::string path;
    explicit Script(const std::string &body)
    {
        EXPECT_NE(mkdtemp(dir), nullptr);
        path = std::string(dir) + "/drv";
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0700);
    }
    ~Script()
    {
        unlink(path.c_str());
        rmdir(dir);
    }
};

// A 300 KB EMIT to a driver that never reads waits on the pipe and the
// interrupt key together: the key abandons the write and ends the driver.
TEST_F(Children, InterruptAbandonsAWriteToADriverThatStoppedReading)
{
    setsig();
    listen();
    std::string big(100000, 'e');
    FakeFile f(2, {{0, big}, {0, big}, {0, big}});
    Script s("exec sleep 300");
    run(s.path.c_str());
    ASSERT_EQ(progstate, 1);
    int pid = child_pid;
    param[1] = 2;
    param[2] = 1;
    param[3] = 3;
    param[4] = 1;
    std::thread key([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        IntHandler(SIGINT);
    });
    pushfn("\r");                       // answers the message
    emit();
    key.join();
    stoplistening();
    EXPECT_TRUE(wassent("$meWrite to driver interrupted; driver ended"));
    EXPECT_EQ(del, 2);
    EXPECT_EQ(progstate, 0);
    EXPECT_EQ(keloutput, nullptr);
    EXPECT_EQ(procstate(pid), 0);       // ended and collected
    EXPECT_FALSE(takeinterrupt());      // the key was spent on the write
}

// A driver killed from outside while what it started still holds its
// output: its exit is noticed, the rest of its group ends, and its output
// reaches its end, which gives the keyboard back.
TEST_F(Children, ADriverKilledFromOutsideIsNoticedByItsExit)
{
    setsig();
    Script s("sleep 300 &\nprintf 'ab'\nkill -9 $$");
    run(s.path.c_str());
    ASSERT_EQ(progstate, 1);
    int pid = child_pid;
    std::string got;
    for (int c; (c = kelgetc()) != -1;)
        if (c >= 0)
            got += static_cast<char>(c);
    EXPECT_EQ(got, "ab");
    EXPECT_EQ(child_pid, 0);
    EXPECT_EQ(procstate(pid), 0);       // collected: no zombie
    EXPECT_EQ(children('Z'), 0);
}
