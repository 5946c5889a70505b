// Keystrokes into the edit loop: the input is standard input, then BYE is
// typed until the editor leaves; or, marked by its first byte, a list of
// long runs of keys. The text store is checked at every message
// the editor sends and at the end.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include "fuzz/common.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "children/children.h"

static const char leave[] = "\x03" "by\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r";
static long ends;

// The input has ended: leave the loop at its next turn, and type BYE with
// its answers for whatever still reads keys.
static void ended()
{
    overflg = true;
    if (++ends > 100000)
        __builtin_trap();             // nothing leaves the editor
    pushfn(leave);
}

// Stack in use at the start of a run; a message sent much deeper down means
// that some input makes the editor nest without bound.
static const char *stackbase;
inline constexpr long STACKREACH = 256 * 1024;

// The store is checked at each message until a run has walked CHECKREACH
// records that way: thousands of lines redrawn line by line would otherwise
// cost the square of the input. The check at the end always runs.
inline constexpr size_t CHECKREACH = 2'000'000;
static size_t checked;

static void tapped(const char *)
{
    char here;
    if (stackbase - &here > STACKREACH) {
        std::fprintf(stderr, "the stack grows with the input\n");
        __builtin_trap();
    }
    if (checked < CHECKREACH)
        checked += checkstore(false);   // the bytes are looked at once, at the end
}

// An input starting with byte 255 is a list of runs, each a repeat byte r,
// a length byte l and (l & 3) + 1 key bytes: the key typed (r + 1) * 16
// times, up to RUNBYTES in all. Long runs of one key (resume keys, control
// bytes, a command that shows a message) reach what short inputs cannot.
inline constexpr size_t RUNBYTES = 1 << 12;

static std::string expand(const uint8_t *data, size_t size)
{
    std::string keys;
    for (size_t i = 1; i + 2 < size && keys.size() < RUNBYTES;) {
        size_t times = (data[i] + 1u) * 16u;
        size_t len = (data[i + 1] & 3u) + 1u;
        i += 2;
        if (i + len > size)
            break;
        for (size_t t = 0; t < times && keys.size() < RUNBYTES; t++)
            keys.append(reinterpret_cast<const char *>(data + i), len);
        i += len;
    }
    return keys;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return -1;
    fuzzsandbox();
    fuzzreset();
    std::string keys = size > 0 && data[0] == 255 ? expand(data, size)
                                                  : std::string(reinterpret_cast<const char *>(data), size);
    int fd = memfd_create("keys", MFD_CLOEXEC);
    if (fd < 0)
        __builtin_trap();
    if (!keys.empty() && write(fd, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
        __builtin_trap();
    lseek(fd, 0, SEEK_SET);
    stdinsource = {fd, 0, 0, false, {}};
    inptr = &stdinsource;
    inputended = ended;
    gwtap = tapped;
    ends = 0;
    checked = 0;
    char base;
    stackbase = &base;
    editor();
    gwtap = nullptr;
    killprog();
    checkstore();
    close(fd);
    stdinsource = {0, 0, 0, false, {}};
    return 0;
}
