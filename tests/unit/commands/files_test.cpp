// Text files: lines as read into the arena, line ranges, write failures and
// the interrupted load.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <gtest/gtest.h>
#include "tests/unit/fixture.h"
#include "commands/commands.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "operations/operations.h"

namespace {

// The text of the line gline just read.
std::string arena(int n)
{
    return std::string(reinterpret_cast<const char *>(textbase + avail), static_cast<size_t>(n));
}

// Writes fail beyond `bytes` while it lives (with SIGXFSZ ignored, the write
// reports EFBIG instead of ending the program).
struct sizelimit {
    rlimit old{};
    void (*oldsig)(int);
    explicit sizelimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldsig = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~sizelimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldsig);
    }
};

class Files : public testing::Test {
protected:
    char dir[32] = "/tmp/kelfilesXXXXXX";
    std::string keys;                 // commands pushed onto the input stream

    void SetUp() override
    {
        kelreset();
        initfiles();
        listen();
        startoutput();
        ASSERT_NE(mkdtemp(dir), nullptr);
    }
    void TearDown() override
    {
        stoplistening();
        takeoutput();
        initfiles();
        for (const std::string &f : names())
            unlink((std::string(dir) + "/" + f).c_str());
        rmdir(dir);
    }

    std::string path(const char *name) { return std::string(dir) + "/" + name; }

    std::string file(const char *name, const std::string &text)
    {
        std::FILE *f = std::fopen(path(name).c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path(name);
    }

    std::vector<std::string> names()
    {
        std::vector<std::string> r;
        if (DIR *d = opendir(dir)) {
            while (dirent *e = readdir(d))
                if (e->d_name[0] != '.' || (e->d_name[1] != 0 && e->d_name[1] != '.'))
                    r.emplace_back(e->d_name);
            closedir(d);
        }
        return r;
    }

    // OVERWRITE of `old` with 400 characters that a 100-byte size limit
    // refuses: the command fails and the file keeps its text.
    void failedoverwrite(const std::string &old)
    {
        command("FE" + file("src", std::string(400, 'y') + "\n") + "\r");
        command("NA" + old + "\r");
        curcore().edited = true;
        {
            sizelimit limit(100);
            command("OV" + old + "\r\r");
        }
        EXPECT_TRUE(wassent("$me Write Failed "));
        EXPECT_EQ(vl_result[0], 0);
        EXPECT_TRUE(curcore().edited);
        EXPECT_EQ(slurp(old), "old text\n");
    }

    // Runs command-line text (a RETURN leaves command mode at the end).
    void command(const std::string &text)
    {
        keys = text + "\r";
        pushfn(keys.c_str());
        prcmnd();
    }
};

} // namespace

TEST_F(Files, GlineTrimsAndClassifiesLines)
{
    const char text[] = "\\rabc|d  \r\n\\xkeep\n   \n\\lpicture\n\\a\n\\hh\n\\mm x\n\\\n"
                        "a\tb\nx\vy\n\xffz\nlast";
    std::FILE *in = fmemopen(const_cast<char *>(text), sizeof text - 1, "rb");
    ASSERT_NE(in, nullptr);
    struct want {
        int type;
        const char *text;
    };
    const want lines[] = {
        {1, "abc|d"}, {0, "\\xkeep"}, {5, ""}, {0, "\\lpicture"}, {6, ""}, {4, "h"}, {3, "m x"},
        {0, "\\"}, {0, "a       b"}, {0, "x"}, {0, "y"}, {0, "z"}, {0, "last"},
    };
    for (const want &w : lines) {
        int n = gline(in);
        EXPECT_EQ(ioerr, 0) << w.text;
        EXPECT_EQ(linetype, w.type) << w.text;
        EXPECT_EQ(arena(n), w.text);
    }
    gline(in);
    EXPECT_EQ(ioerr, IOEOF);
    std::fclose(in);
}

// Lines are read in runs out of the stream's buffer: whatever its size, and
// wherever a line, a CR, a dropped byte 255 or a VT falls against its edges,
// the lines come out the same.
TEST_F(Files, GlineReadsTheSameWhateverTheStreamBuffer)
{
    std::string text;
    std::vector<std::string> want;
    for (int i = 0; i < 200; i++) {
        std::string line;
        for (int k = 0; k < (i * 37) % 301; k++)
            line += static_cast<char>('a' + (i + k) % 26);
        std::string raw = line;
        if (i % 4 == 0 && raw.size() > 5)
            raw.insert(5, 1, '\xff');          // dropped
        if (i % 5 == 0)
            raw += "   ";                      // trimmed
        if (i % 7 == 0) {
            raw += "\vsplit";                  // a VT ends the line too
            want.push_back(line);
            line = "split";
        }
        if (i % 3 == 0)
            raw += '\r';                       // dropped
        text += raw + "\n";
        want.push_back(line);
    }
    for (size_t size : {size_t{0}, size_t{1}, size_t{5}, size_t{64}, size_t{4096}}) {
        std::FILE *in = std::tmpfile();
        ASSERT_NE(in, nullptr);
        std::fwrite(text.data(), 1, text.size(), in);
        std::rewind(in);
        std::vector<char> buf(size + 1);
        if (size == 0)
            std::setvbuf(in, nullptr, _IONBF, 0);
        else
            std::setvbuf(in, buf.data(), _IOFBF, size);
        for (size_t i = 0; i < want.size(); i++) {
            int n = gline(in);
            ASSERT_EQ(ioerr, 0) << "buffer " << size << ", line " << i;
            ASSERT_EQ(arena(n), want[i]) << "buffer " << size << ", line " << i;
        }
        gline(in);
        EXPECT_EQ(ioerr, IOEOF) << "buffer " << size;
        ioerr = 0;
        std::fclose(in);
    }
}

TEST_F(Files, GlineSettingsKeepPrefixesAndTabs)
{
    fetchstyle = 2;
    octflag = 1;
    const char text[] = "\\rabc\n1\t2\n";
    std::FILE *in = fmemopen(const_cast<char *>(text), sizeof text - 1, "rb");
    int n = gline(in);
    EXPECT_EQ(linetype, 0);
    EXPECT_EQ(arena(n), "\\rabc");
    n = gline(in);
    EXPECT_EQ(arena(n), "1\t2");
    std::fclose(in);

    // Tab stops come from the margins and the tab table.
    octflag = 0;
    tabs[5] = 1;
    const char tabbed[] = "ab\tc\n";
    in = fmemopen(const_cast<char *>(tabbed), sizeof tabbed - 1, "rb");
    n = gline(in);
    EXPECT_EQ(arena(n), "ab  c");
    std::fclose(in);
}

TEST_F(Files, GlineStopsAtTheSoftEnd)
{
    hiaddr = avail + 5;
    const char text[] = "abcdefgh\n";
    std::FILE *in = fmemopen(const_cast<char *>(text), sizeof text - 1, "rb");
    EXPECT_EQ(gline(in), 0);
    EXPECT_EQ(ioerr, IOTRUNC);
    for (int i = 0; i < 5; i++)              // what was stored before the stop is free again
        EXPECT_EQ(textbase[avail + i], FREECH);
    std::fclose(in);
}

TEST_F(Files, FetchBeyondTheStoreIsTruncated)
{
    std::string text;
    for (int i = 0; i < 50; i++)
        text += "0123456789\n";
    std::string big = file("big", text);
    hiaddr = 100;
    command("FE" + big + "\r\r");              // RETURN answers the message
    EXPECT_TRUE(wassent("$me File Truncated "));
    EXPECT_EQ(curcore().lncount, 10);
    EXPECT_EQ(avail, 100);
    EXPECT_EQ(vl_result[0], 1);
    EXPECT_STREQ(curcore().filname, big.c_str());

    command("FE" + big + "\r\x7f");            // rubout: the command failed
    EXPECT_EQ(vl_result[0], 0);
    EXPECT_EQ(curcore().lncount, 10);
}

TEST_F(Files, InterruptKeyStopsALoad)
{
    std::string text;
    for (int i = 0; i < 300000; i++)
        text += "line\n";
    std::snprintf(curfile, STRPARSIZE, "%s", file("long", text).c_str());
    volatile int32_t *count = &curcore().lncount;
    std::thread key([&] {
        while (*count < 1000)
            std::this_thread::yield();
        IntHandler(SIGINT);
    });
    gfile();
    key.join();
    sigpoll();                                // the interrupt's command key
    initinput();
    EXPECT_EQ(ioerr, IOTRUNC);
    EXPECT_GE(curcore().lncount, 1000);
    EXPECT_LT(curcore().lncount, 300000);
    EXPECT_EQ(abortreq, 0);
}

TEST_F(Files, EmptyFileAndCheckStringAndRangeOfZeros)
{
    command("FE" + file("empty", "") + "\r");
    EXPECT_EQ(curcore().lncount, 1);
    EXPECT_EQ(curcore().header->down->object, 5);

    // Both line numbers 0 read the whole file; with a check string only the
    // records that pass are kept ("x" cares about nothing: every record).
    command("FE" + file("three", "\\ra\nb\n\\rc\n") + "|0|0|x\r");
    EXPECT_EQ(curcore().lncount, 2);
}

TEST_F(Files, PfileWritesRangesAndReportsFailure)
{
    command("FE" + file("src", "one\n\\rtwo\nthree  \nfour\n") + "\r");
    lfonly = 0;
    param[2] = 2;
    param[3] = 3;
    std::FILE *out = std::fopen(path("dst").c_str(), "wb");
    EXPECT_EQ(pfile(out), 0);
    std::fclose(out);
    EXPECT_EQ(slurp(path("dst")), "\\rtwo\r\nthree\r\n");

    std::FILE *devfull = std::fopen("/dev/full", "wb");
    ASSERT_NE(devfull, nullptr);
    std::setvbuf(devfull, nullptr, _IONBF, 0);
    EXPECT_EQ(pfile(devfull), IOWRITE);
    EXPECT_EQ(ioerr, IOWRITE);
    std::fclose(devfull);
}

TEST_F(Files, FailedSaveIsNotSuccess)
{
    command("FE" + file("src", std::string(400, 'x') + "\n") + "\r");
    curcore().edited = true;
    std::string dst = path("dst");
    {
        sizelimit limit(100);
        command("SA" + dst + "\r\r");           // RETURN answers " Write Failed "
    }
    EXPECT_TRUE(wassent("$me Write Failed "));
    EXPECT_EQ(vl_result[0], 0);
    EXPECT_TRUE(curcore().edited);
    EXPECT_NE(access(dst.c_str(), F_OK), 0);   // removed, so SAVE can be repeated

    command("SA" + dst + "\r");
    EXPECT_EQ(vl_result[0], 1);
    EXPECT_FALSE(curcore().edited);
    EXPECT_EQ(slurp(dst).size(), 401u);
}

TEST_F(Files, FailedOverwriteKeepsTheOldFile)
{
    std::string old = file("old", "old text\n");
    ASSERT_EQ(chmod(old.c_str(), 0640), 0);
    failedoverwrite(old);
    EXPECT_EQ(names().size(), 2u);           // no temporary file left behind

    command("OV" + old + "\r");
    EXPECT_EQ(vl_result[0], 1);
    EXPECT_FALSE(curcore().edited);
    EXPECT_EQ(slurp(old), std::string(400, 'y') + "\n");
    struct stat st;
    ASSERT_EQ(stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(names().size(), 2u);
}

TEST_F(Files, FailedJoinLeavesTheFileAsItWas)
{
    std::string tail = file("tail", "keep\n");
    command("FE" + file("src", std::string(400, 'z') + "\n") + "\r");
    {
        sizelimit limit(100);
        command("JO" + tail + "\r\r");
    }
    EXPECT_TRUE(wassent("$me Write Failed "));
    EXPECT_EQ(vl_result[0], 0);
    EXPECT_EQ(slurp(tail), "keep\n");

    command("JO" + tail + "|1|1\r");
    EXPECT_EQ(vl_result[0], 1);
    EXPECT_EQ(slurp(tail), "keep\n" + std::string(400, 'z') + "\n");
}

TEST_F(Files, DefaultRangeReachesTheEndOfLongFiles)
{
    std::string text;
    for (int i = 0; i < LASTLINE + 5; i++)
        text += "x\n";
    command("FE" + file("long", text) + "\r");
    EXPECT_EQ(curcore().lncount, LASTLINE + 5);
    command("SA" + path("copy") + "\r");
    std::string copy = slurp(path("copy"));
    EXPECT_EQ(copy.size(), text.size());
    EXPECT_TRUE(copy == text);
}

// A FIFO, a device or a directory is refused as a missing file without
// blocking in open() or reading for ever.
TEST_F(Files, OnlyRegularFilesAreRead)
{
    std::string fifo = path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string &name : {fifo, std::string("/dev/zero"), std::string(dir)}) {
        EXPECT_LT(openregular(name.c_str()), 0) << name;
        EXPECT_EQ(fopenregular(name.c_str()), nullptr) << name;
        std::strcpy(curfile, name.c_str());
        EXPECT_FALSE(fprs()) << name;
        char buf[16];
        EXPECT_EQ(readfile(name.c_str(), buf, sizeof buf), -1) << name;
    }
    command("FE" + fifo + "\r\r");
    EXPECT_TRUE(wassent("$meFile not found (or no read permission)"));
    command("PR" + fifo + "\r\r");
    EXPECT_EQ(vl_result[0], 0);
    std::FILE *f = fopenregular(file("plain", "text\n").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 't');
    std::fclose(f);
}

// A stream's whole text, read a character at a time; the stream is closed.
static std::string drain(std::FILE *f)
{
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(f);
    return text;
}

// The file a checker opened serves the next open of that name only, and is
// dropped at the end of the command: an open after that sees the file as it
// is now. Streams give every byte of a file, small (read at once) or large.
TEST_F(Files, CheckedFileServesOneOpenAndStreamsGiveTheWholeFile)
{
    std::string name = file("f", "old\n");
    ASSERT_TRUE(keepregular(name.c_str()));
    file("g", "newer\n");
    ASSERT_EQ(rename(path("g").c_str(), name.c_str()), 0);
    int64_t size = -1;
    EXPECT_EQ(drain(fopenregular(name.c_str(), &size)), "old\n");   // the file checked
    EXPECT_EQ(size, 4);
    EXPECT_EQ(drain(fopenregular(name.c_str(), &size)), "newer\n");
    EXPECT_EQ(size, 6);

    ASSERT_TRUE(keepregular(name.c_str()));                       // not read by the command
    file("g", "newest\n");
    ASSERT_EQ(rename(path("g").c_str(), name.c_str()), 0);
    forgetregular();
    EXPECT_EQ(drain(fopenregular(name.c_str())), "newest\n");
    command("FE" + name + "\r");                                   // a whole command
    file("g", "last\n");
    ASSERT_EQ(rename(path("g").c_str(), name.c_str()), 0);
    EXPECT_EQ(drain(fopenregular(name.c_str())), "last\n");
    EXPECT_FALSE(keepregular(path("none").c_str()));

    std::string text;
    for (int i = 0; text.size() <= WHOLEFILESIZE + 100; i++)
        text += std::to_string(i * 7919) + (i % 13 == 0 ? "\n" : " ");
    for (size_t n : {size_t{0}, size_t{1}, size_t{70000}, text.size()}) {
        std::string want = text.substr(0, n);
        EXPECT_EQ(drain(fopenregular(file("big", want).c_str(), &size)), want) << n;
        EXPECT_EQ(size, static_cast<int64_t>(n));
    }
}

// A file with two links is written in place; without room for the new text
// both names keep the old one.
TEST_F(Files, FailedOverwriteInPlaceKeepsTheOldFile)
{
    std::string old = file("old", "old text\n");
    std::string other = path("other");
    ASSERT_EQ(link(old.c_str(), other.c_str()), 0);
    failedoverwrite(old);
    EXPECT_EQ(slurp(other), "old text\n");

    command("OV" + old + "\r");
    EXPECT_FALSE(curcore().edited);
    EXPECT_EQ(slurp(other), std::string(400, 'y') + "\n");
    command("FE" + file("src", "short\n") + "\r");
    command("NA" + old + "\r");
    command("OV" + old + "\r");
    EXPECT_EQ(slurp(other), "short\n");     // a shorter text leaves no tail behind
}

// The same on a full file system, where a small tmpfs can be mounted.
TEST_F(Files, OverwriteOnAFullFileSystemKeepsTheOldFile)
{
    std::string mnt = path("mnt");
    ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
    if (mount("kel", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) {
        rmdir(mnt.c_str());
        GTEST_SKIP() << "no tmpfs could be mounted: " << std::strerror(errno);
    }
    std::string old = mnt + "/old", other = mnt + "/other", filler = mnt + "/filler";
    {
        std::FILE *f = std::fopen(old.c_str(), "wb");
        std::fputs("old text\n", f);
        std::fclose(f);
    }
    ASSERT_EQ(link(old.c_str(), other.c_str()), 0);
    {
        std::FILE *f = std::fopen(filler.c_str(), "wb");
        std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {}
        std::fclose(f);
    }
    command("FE" + file("src", std::string(20000, 'y') + "\n") + "\r");
    command("NA" + old + "\r");
    command("OV" + old + "\r\r");
    EXPECT_TRUE(wassent("$me Write Failed "));
    EXPECT_EQ(slurp(old), "old text\n");
    EXPECT_EQ(slurp(other), "old text\n");
    unlink(filler.c_str());
    unlink(other.c_str());
    unlink(old.c_str());
    umount(mnt.c_str());
    rmdir(mnt.c_str());
}

// The recovery file written from a signal handler, as a last resort, holds
// what the editor's own holds: each line with its object's prefix. Neither
// writes over a file: the second gets a number.
TEST_F(Files, RecoveryFromAHandlerWritesWhatTheEditorWould)
{
    std::string notes = file("notes", "one\n\\rtwo|x\n\\mthree\n");
    command("FE" + notes + "\r");
    curcore().edited = true;
    EXPECT_EQ(recoverfiles(), 0);
    recoverfast();
    EXPECT_EQ(slurp(notes + ".save"), "one\n\\rtwo|x\n\\mthree\n");
    EXPECT_EQ(slurp(notes + ".save1"), slurp(notes + ".save"));
    curcore().edited = false;
}
